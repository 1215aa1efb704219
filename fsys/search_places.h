#pragma once
// The places the search lists entries of, and how deep below each an entry
// may lie. The same table says which paths the privileged remover takes
// (privileged/removal_request.h): a place the search gains is a place the
// remover accepts, and nothing else.

#include <span>
#include <string_view>

namespace quillmere {

struct SearchPlace {
  bool inHome;              // below the user's home folder, else below the system root
  std::string_view folder;  // from there, with a leading "/"
  int maxDepth;             // entries 1 to maxDepth components below the folder are listed
};

inline constexpr int kLibraryFolderDepth = 3;

// In search order: the twelve Library folders (eight in the home, four
// system-wide), walked three levels deep; then the places where apps leave
// background items, scripts, group containers, cookies, plug-ins, services,
// helper tools and package receipts, of which only the entries directly
// inside are ever listed.
inline constexpr SearchPlace kLibraryAndBackgroundPlaces[] = {
    {true, "/Library/Application Support", kLibraryFolderDepth},
    {true, "/Library/Preferences", kLibraryFolderDepth},
    {true, "/Library/Caches", kLibraryFolderDepth},
    {true, "/Library/Logs", kLibraryFolderDepth},
    {true, "/Library/Saved Application State", kLibraryFolderDepth},
    {true, "/Library/HTTPStorages", kLibraryFolderDepth},
    {true, "/Library/WebKit", kLibraryFolderDepth},
    {true, "/Library/Containers", kLibraryFolderDepth},
    {false, "/Library/Application Support", kLibraryFolderDepth},
    {false, "/Library/Preferences", kLibraryFolderDepth},
    {false, "/Library/Caches", kLibraryFolderDepth},
    {false, "/Library/Logs", kLibraryFolderDepth},

    {true, "/Library/Application Scripts", 1},
    {true, "/Library/Group Containers", 1},
    {true, "/Library/Cookies", 1},
    {true, "/Library/LaunchAgents", 1},
    {true, "/Library/Internet Plug-Ins", 1},
    {true, "/Library/Services", 1},
    {false, "/Library/LaunchAgents", 1},
    {false, "/Library/LaunchDaemons", 1},
    {false, "/Library/PrivilegedHelperTools", 1},
    {false, "/Library/Internet Plug-Ins", 1},
    {false, "/private/var/db/receipts", 1},
};

inline constexpr std::span<const SearchPlace> kLibraryFolders = std::span(kLibraryAndBackgroundPlaces).first(12);
inline constexpr std::span<const SearchPlace> kBackgroundPlaces = std::span(kLibraryAndBackgroundPlaces).subspan(12);

}  // namespace quillmere
