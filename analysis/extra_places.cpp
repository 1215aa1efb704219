#include "analysis/extra_places.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "matching/content_evidence.h"
#include "analysis/folder_refusal.h"
#include "matching/name_matcher.h"
#include "fsys/property_list.h"
#include "analysis/scan_failure.h"
#include "fsys/entry_marks.h"
#include "fsys/folder_listing.h"
#include "fsys/search_places.h"
#include "fsys/small_file.h"
#include "fsys/unique_fd.h"

namespace quillmere {
namespace {

enum class PlaceKind { Plain, LaunchJobs, GroupContainers, Receipts };

PlaceKind kindOf(std::string_view suffix) {
  if (suffix.ends_with("/LaunchAgents") || suffix.ends_with("/LaunchDaemons")) return PlaceKind::LaunchJobs;
  if (suffix.ends_with("/Group Containers")) return PlaceKind::GroupContainers;
  if (suffix.ends_with("/receipts")) return PlaceKind::Receipts;
  return PlaceKind::Plain;
}

class PlaceSearch {
public:
  PlaceSearch(const std::string& systemRoot, const SearchedApp& app, const NameMatcher& matcher, PlacesFound& found,
              const std::vector<std::string>& withoutMetadata)
      : systemRoot_(systemRoot.empty() ? "/" : systemRoot), app_(app), matcher_(matcher),
        byIdentifier_("", app.identifier), found_(found), withoutMetadata_(withoutMetadata) {}

  // One place: its entries directly inside, and, where the place says so,
  // what they hold. `byMetadataOnly` lists only containers whose metadata
  // names the app (the Containers folder, whose names the twelve folders' walk tested).
  void search(const std::string& root, PlaceKind kind, bool byMetadataOnly = false) {
    // The place itself may be a symbolic link, as a search root may.
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || !listing_.open(fd)) {
      passOver(&found_.unreadable, root, errno);
      return;
    }
    FolderEntry entry;
    while (listing_.next(entry)) {
      struct stat info;
      bool haveInfo = false;
      if (isHiddenEntry(fd, entry.name, &info, &haveInfo)) continue;
      const std::string_view name = entry.name;
      const Evidence content = byMetadataOnly ? containerEvidence(fd, entry.name, root)
                                              : evidenceOf(fd, entry.name, kind, root);
      const bool named = !byMetadataOnly && (kind == PlaceKind::Receipts
                                                 ? byIdentifier_.matchesName(name) &&
                                                       (name.ends_with(".bom") || name.ends_with(".plist"))
                                                 : matcher_.matchesName(name));
      if (named || content != Evidence::NameOnly) found_.rows.push_back(FoundRow{root + "/" + entry.name, content});
    }
    if (listing_.failed()) passOver(&found_.unreadable, root, listing_.error());
    listing_.close();
  }

private:
  Evidence evidenceOf(int folderFd, const char* name, PlaceKind kind, const std::string& root) {
    if (kind == PlaceKind::LaunchJobs) return launchJobEvidence(folderFd, name, root);
    if (kind != PlaceKind::GroupContainers) return Evidence::NameOnly;
    if (!app_.identifier.empty() && groupContainerNamesApp(name, app_.identifier, app_.name))
      return Evidence::Identifier;
    return containerEvidence(folderFd, name, root);
  }

  // The content of the file `name` in the folder open at `folderFd` (whose
  // path is `folder`). One that is there but no regular file, too large or
  // not readable is passed over and counted: a socket or a FIFO planted where
  // every scan looks must not stop every scan. A folder we may not read the
  // file in is named, as a folder the search could not look into.
  std::optional<std::string> contentOf(int folderFd, const char* name, const std::string& folder) {
    int error = 0;
    std::optional<std::string> bytes = readSmallFile(folderFd, name, kMaxPropertyListBytes, error);
    if (bytes) return bytes;
    if (error) {
      failIfOutOfResources(error, folder + "/" + name);
      if (const std::optional<Refusal> reason = refusalOf(error)) {
        found_.unreadable.push_back({folder, *reason});
        return std::nullopt;
      }
    } else {
      struct stat info;
      if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;  // simply not there
    }
    ++found_.unreadFiles;
    return std::nullopt;
  }

  Evidence launchJobEvidence(int folderFd, const char* name, const std::string& root) {
    if (!std::string_view(name).ends_with(".plist")) return Evidence::NameOnly;
    const std::optional<std::string> bytes = contentOf(folderFd, name, root);
    return bytes && launchJobBelongs(*bytes, app_.bundlePath, app_.identifier, systemRoot_) ? Evidence::LaunchJob
                                                                                            : Evidence::NameOnly;
  }

  // A container's metadata lies inside it; one we may not read is a folder
  // the search could not look into.
  Evidence containerEvidence(int folderFd, const char* name, const std::string& root) {
    if (app_.identifier.empty()) return Evidence::NameOnly;
    if (!withoutMetadata_.empty() &&
        std::binary_search(withoutMetadata_.begin(), withoutMetadata_.end(), root + "/" + name))
      return Evidence::NameOnly;
    const UniqueFd container(openFolderNoFollow(folderFd, name));
    if (!container) {
      if (errno != ENOTDIR && errno != ELOOP && errno != ENOENT) passOver(&found_.unreadable, root + "/" + name, errno);
      return Evidence::NameOnly;
    }
    const std::optional<std::string> bytes = contentOf(container.get(), kContainerMetadataName, root + "/" + name);
    return bytes && containerBelongs(*bytes, app_.identifier) ? Evidence::Container : Evidence::NameOnly;
  }

  std::string systemRoot_;
  const SearchedApp& app_;
  const NameMatcher& matcher_;
  const NameMatcher byIdentifier_;  // receipts are matched by identifier only
  PlacesFound& found_;
  const std::vector<std::string>& withoutMetadata_;
  FolderListing listing_;
};

}  // namespace

PlacesFound searchExtraPlaces(const std::string& home, const std::string& systemRoot, const SearchedApp& app,
                              const NameMatcher& matcher, const std::vector<std::string>& alreadyListed,
                              const std::vector<std::string>& withoutMetadata) {
  PlacesFound found;
  PlaceSearch search(systemRoot, app, matcher, found, withoutMetadata);
  for (const SearchPlace& place : kBackgroundPlaces)
    search.search((place.inHome ? home : systemRoot) + std::string(place.folder), kindOf(place.folder));
  search.search(home + "/Library/Containers", PlaceKind::Plain, true);

  std::sort(found.rows.begin(), found.rows.end(),
            [](const FoundRow& a, const FoundRow& b) { return canonicalForm(a.path) < canonicalForm(b.path); });
  std::vector<std::string> listed = alreadyListed;
  std::sort(listed.begin(), listed.end());
  std::erase_if(found.rows,
                [&](const FoundRow& row) { return std::binary_search(listed.begin(), listed.end(), row.path); });
  const auto samePath = [](const FoundRow& a, const FoundRow& b) { return a.path == b.path; };
  found.rows.erase(std::unique(found.rows.begin(), found.rows.end(), samePath), found.rows.end());
  return found;
}

}  // namespace quillmere
