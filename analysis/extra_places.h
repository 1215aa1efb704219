#pragma once
// The places searched after the twelve folders: background items, scripts,
// group containers, cookies, plug-ins, services, helper tools and package
// receipts. Entries directly inside each place are tested, with the twelve
// folders' hidden-entry and link rules; some are also judged by what they
// hold (a launchd job's program, a container's metadata) or by the name the
// system gives them (a group container).

#include <string>
#include <string_view>
#include <vector>

#include "model/app_info.h"

namespace quillmere {

class NameMatcher;

enum class PlaceScope { Home, System };

struct ExtraPlace {
  std::string_view suffix;  // below the home or the system root
  PlaceScope scope;
};

// In search order. Only the entries directly inside are ever listed, which
// is also all the privileged remover accepts there.
inline constexpr ExtraPlace kExtraPlaces[] = {
    {"/Library/Application Scripts", PlaceScope::Home},
    {"/Library/Group Containers", PlaceScope::Home},
    {"/Library/Cookies", PlaceScope::Home},
    {"/Library/LaunchAgents", PlaceScope::Home},
    {"/Library/Internet Plug-Ins", PlaceScope::Home},
    {"/Library/Services", PlaceScope::Home},
    {"/Library/LaunchAgents", PlaceScope::System},
    {"/Library/LaunchDaemons", PlaceScope::System},
    {"/Library/PrivilegedHelperTools", PlaceScope::System},
    {"/Library/Internet Plug-Ins", PlaceScope::System},
    {"/private/var/db/receipts", PlaceScope::System},
};

// What the search knows of the app beyond the matcher's needles.
struct SearchedApp {
  std::string bundlePath;  // as dropped
  std::string name;        // the searchable name ("" when it cannot match)
  std::string identifier;  // the searchable identifier ("" when none)
};

struct PlacesFound {
  std::vector<FoundRow> rows;                  // in list order: sorted, no duplicates
  std::vector<UnreadableFolder> unreadable;    // in search order
};

// Searches every extra place below `home` and `systemRoot` (paths without a
// trailing "/", "" for "/"), and the containers of `home`'s Containers folder
// by their metadata. Rows whose path is in `alreadyListed` are left out: the
// twelve folders found them first.
PlacesFound searchExtraPlaces(const std::string& home, const std::string& systemRoot, const SearchedApp& app,
                              const NameMatcher& matcher, const std::vector<std::string>& alreadyListed);

}  // namespace quillmere
