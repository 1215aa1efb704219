#include "analysis/installed_apps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "analysis/bundle_properties.h"
#include "analysis/scan_failure.h"
#include "fsys/folder_listing.h"
#include "fsys/path_text.h"
#include "fsys/unique_fd.h"
#include "matching/name_matcher.h"

namespace quillmere {
namespace {

bool isFolder(const std::string& path, struct stat& info) {
  if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  passOverOrFail(errno, path);
  return false;
}

class Reader {
public:
  Reader(const std::string& self, const PropertyListFilter& worthParsing) : worthParsing_(worthParsing) {
    haveSelf_ = ::stat(self.c_str(), &self_) == 0;
    selfName_ = lastComponent(withoutTrailingSlashes(self));
  }

  // Bundles directly in `folder`, and, when `descend`, in its plain subfolders.
  // This runs beside the search and should take as little from it as it can:
  // the listing's entry types spare a stat per bundle, and each Info.plist is
  // read relative to the open folder. An application missed for want of
  // descriptors would let its rows pass for this one's.
  void read(const std::string& folder, bool descend) {
    FolderListing listing;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || !listing.open(fd)) {
      passOverOrFail(errno, folder);
      return;
    }
    for (FolderEntry entry; listing.next(entry);) {
      const std::string name = entry.name;
      if (name[0] == '.' || (entry.type != DT_DIR && entry.type != DT_LNK && entry.type != DT_UNKNOWN)) continue;
      const std::string path = folder + "/" + name;
      const bool bundle = isBundlePath(name);
      // A link is followed; a folder named as this bundle may be this bundle.
      if (entry.type != DT_DIR || (bundle && name == selfName_)) {
        struct stat info;
        if (!isFolder(path, info)) continue;
        if (bundle && haveSelf_ && info.st_dev == self_.st_dev && info.st_ino == self_.st_ino) continue;
      }
      if (bundle) add(listing.fd(), folder, name, entry.type == DT_DIR);
      else if (descend) read(path, false);
    }
    if (listing.failed()) passOverOrFail(listing.error(), folder);
  }

  std::vector<InstalledApp> apps;

private:
  void add(int folderFd, const std::string& folder, const std::string& name, bool plainFolder) {
    const std::string path = folder + "/" + name;
    std::optional<std::string> bytes;
    if (plainFolder) {
      // The bundle and its Contents in one call: a bundle swapped for a link
      // since it was listed is followed, as a link listed here is; Contents
      // itself is not.
      const std::string contents = name + "/Contents";
      const UniqueFd contentsFd(::openat(folderFd, contents.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (!contentsFd) passOverOrFail(errno, path + "/Contents");
      else bytes = readFileInside(contentsFd.get(), path + "/Contents", "Info.plist", kMaxPropertyListBytes);
    } else {
      // Reached through a link: read inside the bundle it leads to.
      const UniqueFd bundleFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (!bundleFd) passOverOrFail(errno, path);
      else bytes = readFileInside(bundleFd.get(), path, "Contents/Info.plist", kMaxPropertyListBytes);
    }
    // Parsing costs far more than reading: most bundles are turned down on
    // their bytes alone.
    InstalledApp app{path, AppAnalyzer::applicationName(path), {}, {}, {}};
    if (bytes) {
      app.deferredProperties = std::move(*bytes);
      if (!worthParsing_ || worthParsing_(app.deferredProperties)) readDeferredProperties(app);
    }
    apps.push_back(std::move(app));
  }

  const PropertyListFilter& worthParsing_;
  struct stat self_ {};
  bool haveSelf_ = false;
  std::string selfName_;
};

}  // namespace

void readDeferredProperties(InstalledApp& app) {
  if (app.deferredProperties.empty()) return;
  const std::optional<BundleProperties> properties = parseBundleProperties(app.deferredProperties);
  app.deferredProperties = std::string();
  if (!properties) return;
  if (properties->bundleIdentifier) app.bundleIdentifier = *properties->bundleIdentifier;
  for (const auto& other : {properties->bundleName, properties->displayName, properties->executable}) {
    if (!other || other->empty()) continue;
    const std::string folded = matchingForm(*other);
    const auto same = [&](const std::string& known) { return matchingForm(known) == folded; };
    if (!same(app.name) && std::none_of(app.otherNames.begin(), app.otherNames.end(), same))
      app.otherNames.push_back(*other);
  }
}

std::vector<InstalledApp> readInstalledApps(const SearchLocations& locations, const std::string& self,
                                            const PropertyListFilter& worthParsing) {
  Reader reader(self, worthParsing);
  const std::string system = asPathPrefix(locations.systemRoot);
  const std::string home = asPathPrefix(locations.home) + "/Applications";
  struct stat first, second;
  // A home whose Applications folder is the system-wide one is read once.
  const bool same = isFolder(system + "/Applications", first) && isFolder(home, second) &&
                    first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  reader.read(system + "/Applications", true);
  if (!same) reader.read(home, true);
  // The system's own applications (their Utilities one level below) claim
  // the rows named after their identifiers, as any installed one does.
  reader.read(system + "/System/Applications", true);
  return std::move(reader.apps);
}

}  // namespace quillmere
