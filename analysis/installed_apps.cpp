#include "analysis/installed_apps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "analysis/bundle_properties.h"
#include "analysis/scan_failure.h"
#include "fsys/folder_listing.h"
#include "fsys/path_text.h"

namespace quillmere {
namespace {

// The visible entries of `folder`, in listing order. An application missed
// for want of descriptors would let its rows pass for this one's.
std::vector<std::string> visibleEntries(const std::string& folder) {
  std::vector<std::string> names;
  FolderListing listing;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || !listing.open(fd)) {
    passOverOrFail(errno, folder);
    return names;
  }
  for (FolderEntry entry; listing.next(entry);)
    if (entry.name[0] != '.') names.emplace_back(entry.name);
  if (listing.failed()) passOverOrFail(listing.error(), folder);
  return names;
}

bool isFolder(const std::string& path, struct stat& info) {
  if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  passOverOrFail(errno, path);
  return false;
}

class Reader {
public:
  explicit Reader(const std::string& self) { haveSelf_ = ::stat(self.c_str(), &self_) == 0; }

  // Bundles directly in `folder`, and, when `descend`, in its plain subfolders.
  void read(const std::string& folder, bool descend) {
    for (const std::string& name : visibleEntries(folder)) {
      const std::string path = folder + "/" + name;
      struct stat info;
      if (!isFolder(path, info)) continue;
      if (isBundlePath(name)) add(path, info);
      else if (descend) read(path, false);
    }
  }

  std::vector<InstalledApp> apps;

private:
  void add(const std::string& path, const struct stat& info) {
    if (haveSelf_ && info.st_dev == self_.st_dev && info.st_ino == self_.st_ino) return;
    std::optional<BundleProperties> properties;
    const int bundleFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (bundleFd < 0) passOverOrFail(errno, path);
    try {
      if (bundleFd >= 0) properties = readBundleProperties(bundleFd, path);
    } catch (...) {
      ::close(bundleFd);
      throw;
    }
    if (bundleFd >= 0) ::close(bundleFd);
    std::string identifier = properties && properties->bundleIdentifier ? *properties->bundleIdentifier : "";
    apps.push_back(InstalledApp{path, AppAnalyzer::applicationName(path), std::move(identifier)});
  }

  struct stat self_ {};
  bool haveSelf_ = false;
};

}  // namespace

std::vector<std::string> applicationFolders(const SearchLocations& locations) {
  return {asPathPrefix(locations.systemRoot) + "/Applications", asPathPrefix(locations.home) + "/Applications"};
}

std::vector<InstalledApp> readInstalledApps(const SearchLocations& locations, const std::string& self) {
  Reader reader(self);
  std::vector<std::string> folders = applicationFolders(locations);
  struct stat first, second;
  // A home whose Applications folder is the system-wide one is read once.
  const bool same = isFolder(folders[0], first) && isFolder(folders[1], second) &&
                    first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  reader.read(folders[0], true);
  if (!same) reader.read(folders[1], true);
  return std::move(reader.apps);
}

}  // namespace quillmere
