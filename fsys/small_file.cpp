#include "fsys/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "fsys/unique_fd.h"

namespace quillmere {

std::optional<std::string> readSmallFile(int folderFd, const char* name, std::size_t limit, int& error) {
  error = 0;
  // Looked at before it is opened, so that a FIFO or a device is never
  // opened at all; O_NONBLOCK and the check after opening cover one put in
  // its place between the two.
  struct stat seen;
  if (::fstatat(folderFd, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) error = errno;
    return std::nullopt;
  }
  if (S_ISLNK(seen.st_mode)) error = ELOOP;  // never followed, as an open without following says
  if (!S_ISREG(seen.st_mode) || std::uint64_t(seen.st_size) > limit) return std::nullopt;
  const UniqueFd file(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat info;
  if (!file || ::fstat(file.get(), &info) != 0) {
    if (errno != ENOENT) error = errno;
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode) || info.st_dev != seen.st_dev || info.st_ino != seen.st_ino ||
      std::uint64_t(info.st_size) > limit)
    return std::nullopt;
  std::string data(std::size_t(info.st_size) + 1, '\0');
  std::size_t filled = 0;
  while (filled <= limit) {
    if (filled == data.size()) data.resize(std::min(limit + 1, data.size() * 2));
    const ssize_t n = ::read(file.get(), data.data() + filled, data.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    filled += std::size_t(n);
  }
  if (error || filled > limit) return std::nullopt;
  data.resize(filled);
  return data;
}

}  // namespace quillmere
