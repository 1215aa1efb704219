#pragma once
// Moves one listed entry to the user's Trash on its own file system, with the
// removal's guarantees: only while it is still the listed entry (device,
// inode, type), renamed from the folder the walk reached, the entry itself
// and never what a link points to. A row that cannot go to a Trash on its
// file system stays where it is, with the reason; it is never deleted instead.

#include <ctime>
#include <optional>
#include <string>

#include "fsys/entry_identity.h"
#include "removal/resolve_entry.h"

namespace quillmere {

struct TrashOutcome {
  bool moved = false;
  std::string trashedPath;  // where it lies now: the Trash's files folder and its name there
  std::string reason;       // why it was not moved
};

TrashOutcome moveToTrash(const ResolvedEntry& walk, const std::string& listedPath,
                         const std::optional<EntryIdentity>& listed, std::time_t when);

// Where an entry moved to the Trash from `listedPath` lies now, when the Trash
// the move would use holds it: under a name the move gives (its own, or with
// ".N"), the entry `listed` names (a rename keeps its device and inode), whose
// .trashinfo, where the system keeps one, gives `listedPath` as where it came
// from. For a removal that stopped before it could record where rows went.
std::optional<std::string> findInTrash(const std::string& listedPath, const EntryIdentity& listed);

// The path as a .trashinfo writes it: bytes other than letters, digits and
// "-_.~/" as %XX.
std::string percentEncodedPath(const std::string& path);

}  // namespace quillmere
