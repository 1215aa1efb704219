#include "analysis/bundle_properties.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "analysis/property_list.h"

namespace quillmere {

std::optional<BundleProperties> parseBundleProperties(std::string_view bytes) {
  std::optional<BundleProperties> result;
  readPropertyListDictionary(bytes, [&](plist_t root) {
    result = BundleProperties{stringValue(lastValueOf(root, "CFBundleIdentifier")),
                              stringValue(lastValueOf(root, "CFBundleIconFile"))};
  });
  return result;
}

std::optional<std::string> readSmallFile(const std::string& path, std::size_t limit) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info;
  std::optional<std::string> contents;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::size_t(info.st_size) <= limit) {
    // Read to the end rather than trusting st_size: the file may change under us.
    std::string data(std::size_t(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    bool failed = false;
    while (filled <= limit) {
      if (filled == data.size()) data.resize(std::min(limit + 1, data.size() * 2));
      ssize_t n = ::read(fd, data.data() + filled, data.size() - filled);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failed = true;
      if (n <= 0) break;
      filled += std::size_t(n);
    }
    if (!failed && filled <= limit) {
      data.resize(filled);
      contents = std::move(data);
    }
  }
  ::close(fd);
  return contents;
}

std::optional<BundleProperties> readBundleProperties(const std::string& path) {
  std::optional<std::string> bytes = readSmallFile(path, kMaxPropertyListBytes);
  if (!bytes) return std::nullopt;
  return parseBundleProperties(*bytes);
}

}  // namespace quillmere
