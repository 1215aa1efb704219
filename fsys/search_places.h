#pragma once
// The folders the search lists entries of, and how deep below each an entry
// may lie. The same table says which paths the privileged remover takes, so
// a place the search gains is a place the remover accepts, and nothing else.

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

struct SearchPlace {
  bool inHome;              // below the user's home folder, else below the system root
  std::string_view folder;  // from there, with a leading "/"
  int maxDepth;             // entries 1 to maxDepth components below the folder are listed
};

// The twelve Library folders, in search order: eight in the home, four
// system-wide. Places searched beyond them go after these rows.
inline constexpr SearchPlace kSearchPlaces[] = {
    {true, "/Library/Application Support", 3},
    {true, "/Library/Preferences", 3},
    {true, "/Library/Caches", 3},
    {true, "/Library/Logs", 3},
    {true, "/Library/Saved Application State", 3},
    {true, "/Library/HTTPStorages", 3},
    {true, "/Library/WebKit", 3},
    {true, "/Library/Containers", 3},
    {false, "/Library/Application Support", 3},
    {false, "/Library/Preferences", 3},
    {false, "/Library/Caches", 3},
    {false, "/Library/Logs", 3},
};

// What the privileged remover may take at `path`, given the home folder of
// the user who asked (nothing: no home is accepted): an entry one to
// maxDepth plain components below a place (in that home, or below "/"), or
// a bundle — a path whose last component ends in ".app", which must then be a
// folder. Every component plain (not empty, "." or ".."), no trailing "/".
enum class RemovableShape { Outside, Listed, Bundle };
RemovableShape removableShape(std::string_view path, const std::optional<std::string>& home);

}  // namespace quillmere
