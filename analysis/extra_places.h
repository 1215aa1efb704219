#pragma once
// The search of the background places (kBackgroundPlaces in
// fsys/search_places.h): entries directly inside each, with the Library
// folders' hidden-entry and link rules, judged as evidence.h says.

#include <cstddef>
#include <string>
#include <vector>

#include "model/app_info.h"

namespace quillmere {

class NameMatcher;

// What the search knows of the app beyond the matcher's needles.
struct SearchedApp {
  std::string bundlePath;  // as dropped
  std::string name;        // the searchable name ("" when it cannot match)
  std::string identifier;  // the searchable identifier ("" when none)
};

struct PlacesFound {
  std::vector<FoundRow> rows;                  // in list order: sorted, no duplicates
  std::vector<UnreadableFolder> unreadable;    // in search order
  std::size_t unreadFiles = 0;                 // files passed over unread: no regular file, too large, failing
};

// Searches every extra place below `home` and `systemRoot` (paths without a
// trailing "/", "" for "/"), and the containers of `home`'s Containers folder
// by their metadata. Rows whose path is in `alreadyListed` are left out: the
// twelve folders found them first. `withoutMetadata` (sorted) are containers
// whose listing, in the twelve folders' walk, held no metadata: not opened again.
PlacesFound searchExtraPlaces(const std::string& home, const std::string& systemRoot, const SearchedApp& app,
                              const NameMatcher& matcher, const std::vector<std::string>& alreadyListed,
                              const std::vector<std::string>& withoutMetadata = {});

}  // namespace quillmere
