#pragma once
// Removes one directory entry — a file, a symbolic link (never what it points
// to) or a whole folder tree — relative to an open folder, without following
// any symbolic link on the way down.

#include <sys/types.h>

#include <functional>
#include <optional>

#include "fsys/entry_identity.h"

namespace quillmere {

// What the removal of one listed entry holds to.
struct RemovalGuard {
  // The entry is touched only while it is still the listed one: a file is
  // compared just before it is unlinked, a folder once opened (what is
  // emptied is then the listed folder, whatever is renamed around it).
  std::optional<EntryIdentity> listed;
  bool folderOnly = false;  // a bundle: anything but a folder stays
  // With administrator rights: only folders owned by root or by this user are
  // entered. A folder of a third user, moved into the tree, stays whole.
  std::optional<uid_t> asker;
};

// Run with the folder and the name of each folder of the tree just before it
// is opened, its type already read: the moment another process could swap
// it for a link. Tests put their hand in here; the program passes none.
using BeforeFolderOpen = std::function<void(int parentFd, const char* name)>;

// True when nothing is left at `name` inside the folder `parentFd`.
bool removeEntryAt(int parentFd, const char* name, const RemovalGuard& guard = {},
                   const BeforeFolderOpen& beforeOpen = {});
inline bool removeEntryAt(int parentFd, const char* name, const BeforeFolderOpen& beforeOpen) {
  return removeEntryAt(parentFd, name, RemovalGuard{}, beforeOpen);
}

}  // namespace quillmere
