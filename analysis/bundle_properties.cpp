#include "analysis/bundle_properties.h"

#include <fcntl.h>

#include <cerrno>

#include "fsys/small_file.h"
#include "fsys/unique_fd.h"
#include "analysis/scan_failure.h"

namespace quillmere {

std::optional<BundleProperties> parseBundleProperties(std::string_view bytes) {
  std::optional<BundleProperties> result;
  readPropertyListDictionary(bytes, [&](plist_t root) {
    result = BundleProperties{stringValue(lastValueOf(root, "CFBundleIdentifier")),
                              stringValue(lastValueOf(root, "CFBundleIconFile")),
                              stringValue(lastValueOf(root, "CFBundleName")),
                              stringValue(lastValueOf(root, "CFBundleDisplayName")),
                              stringValue(lastValueOf(root, "CFBundleExecutable"))};
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
  UniqueFd folder;
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
    folder = UniqueFd(::openat(above, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) return absent(errno);
  }
  if (name.empty() || name == ".") return std::nullopt;
  int error = 0;
  std::optional<std::string> data = readSmallFile(folder ? folder.get() : folderFd, name.c_str(), limit, error);
  if (error) return absent(error);
  return data;
}

std::optional<BundleProperties> readBundleProperties(int bundleFd, const std::string& bundlePath) {
  std::optional<std::string> bytes = readFileInside(bundleFd, bundlePath, "Contents/Info.plist", kMaxPropertyListBytes);
  if (!bytes) return std::nullopt;
  return parseBundleProperties(*bytes);
}

}  // namespace quillmere
