#include "analysis/installed_apps.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "analysis/bundle_properties.h"

namespace quillmere {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// The visible entries of `folder`, in listing order.
std::vector<std::string> visibleEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get()))
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  return names;
}

bool isFolder(const std::string& path, struct stat& info) {
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
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
      if (name.ends_with(".app")) add(path, info);
      else if (descend) read(path, false);
    }
  }

  std::vector<InstalledApp> apps;

private:
  void add(const std::string& path, const struct stat& info) {
    if (haveSelf_ && info.st_dev == self_.st_dev && info.st_ino == self_.st_ino) return;
    std::optional<BundleProperties> properties = readBundleProperties(path + "/Contents/Info.plist");
    std::string identifier = properties && properties->bundleIdentifier ? *properties->bundleIdentifier : "";
    apps.push_back(InstalledApp{path, AppAnalyzer::applicationName(path), std::move(identifier)});
  }

  struct stat self_ {};
  bool haveSelf_ = false;
};

}  // namespace

std::vector<std::string> applicationFolders(const SearchLocations& locations) {
  // A root of "/" gives "/Applications", not "//Applications".
  std::string system = withoutTrailingSlashes(locations.systemRoot);
  std::string home = withoutTrailingSlashes(locations.home);
  if (system == "/") system.clear();
  if (home == "/") home.clear();
  return {system + "/Applications", home + "/Applications"};
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
