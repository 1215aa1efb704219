#include "analysis/bundle_properties.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "fsys/property_list.h"
#include "analysis/scan_failure.h"

namespace quillmere {
namespace {

// A descriptor, closed when it goes out of scope.
class Descriptor {
public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(-1); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

private:
  int fd_;
};

}  // namespace

std::optional<BundleProperties> parseBundleProperties(std::string_view bytes) {
  std::optional<BundleProperties> result;
  readPropertyListDictionary(bytes, [&](plist_t root) {
    result = BundleProperties{stringValue(lastValueOf(root, "CFBundleIdentifier")),
                              stringValue(lastValueOf(root, "CFBundleIconFile"))};
  });
  return result;
}

std::optional<std::string> readFileInside(int folderFd, const std::string& folderPath, std::string_view relative,
                                          std::size_t limit) {
  const std::string path = folderPath + "/" + std::string(relative);
  const auto absent = [&](int error) -> std::optional<std::string> {
    passOverOrFail(error, path);
    return std::nullopt;
  };
  // Each folder on the way is opened without following a link.
  Descriptor folder;
  std::string_view rest = relative;
  std::string name;
  for (;;) {
    const std::size_t slash = rest.find('/');
    name = std::string(rest.substr(0, slash));
    if (name == "..") return std::nullopt;
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
    if (name.empty() || name == ".") continue;
    const int above = folder.get() >= 0 ? folder.get() : folderFd;
    folder.reset(::openat(above, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) return absent(errno);
  }
  if (name.empty() || name == ".") return std::nullopt;
  const int dirFd = folder.get() >= 0 ? folder.get() : folderFd;

  // Looked at before it is opened, so that a FIFO or a device is never
  // opened at all; O_NONBLOCK and the check after opening cover one put in
  // its place between the two.
  struct stat seen;
  if (::fstatat(dirFd, name.c_str(), &seen, AT_SYMLINK_NOFOLLOW) != 0) return absent(errno);
  if (!S_ISREG(seen.st_mode) || std::uint64_t(seen.st_size) > limit) return std::nullopt;
  const Descriptor file(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) return absent(errno);
  struct stat info;
  if (::fstat(file.get(), &info) != 0) throw ScanFailure(path, errno);
  if (!S_ISREG(info.st_mode) || info.st_dev != seen.st_dev || info.st_ino != seen.st_ino ||
      std::uint64_t(info.st_size) > limit)
    return std::nullopt;
  // Read to the end rather than trusting st_size: the file may change under us.
  std::string data(std::size_t(info.st_size) + 1, '\0');
  std::size_t filled = 0;
  while (filled <= limit) {
    if (filled == data.size()) data.resize(std::min(limit + 1, data.size() * 2));
    const ssize_t n = ::read(file.get(), data.data() + filled, data.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ScanFailure(path, errno);
    if (n == 0) break;
    filled += std::size_t(n);
  }
  if (filled > limit) return std::nullopt;
  data.resize(filled);
  return data;
}

std::optional<BundleProperties> readBundleProperties(int bundleFd, const std::string& bundlePath) {
  std::optional<std::string> bytes = readFileInside(bundleFd, bundlePath, "Contents/Info.plist", kMaxPropertyListBytes);
  if (!bytes) return std::nullopt;
  return parseBundleProperties(*bytes);
}

}  // namespace quillmere
