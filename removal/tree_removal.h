#pragma once
// Removes one directory entry — a file, a symbolic link (never what it points
// to) or a whole folder tree — relative to an open folder, without following
// any symbolic link on the way down.

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>

#include "fsys/entry_identity.h"
#include "fsys/unique_fd.h"

namespace quillmere {

// What the removal of one listed entry holds to.
struct RemovalGuard {
  // The entry is touched only while it is still the listed one: a file is
  // compared just before it is unlinked, a folder once opened (what is
  // emptied is then the listed folder, whatever is renamed around it).
  std::optional<EntryIdentity> listed;
  bool folderOnly = false;  // a bundle: anything but a folder stays
  // With administrator rights: only entries owned by root or by this user are
  // removed, and only such folders entered. A third user's file or folder,
  // moved into the tree, stays whole.
  std::optional<uid_t> asker;
};

// Run with the folder and the name of each folder of the tree just before it
// is opened, its type already read: the moment another process could swap
// it for a link. Tests put their hand in here; the program passes none.
using BeforeFolderOpen = std::function<void(int parentFd, const char* name)>;

// Why something of the entry stayed: the first reason met.
enum class KeptBecause {
  Nothing,            // nothing stayed
  NotTheListedEntry,  // another entry stands at the name, or not a folder where one was listed
  ThirdUsersEntry,    // an entry inside is owned by neither root nor the asker
  MountInside,        // a mount lies inside (or at) the entry
  Error,              // the system refused a step (errno)
};

struct TreeRemoval {
  bool removed = false;  // nothing is left at the name
  KeptBecause kept = KeptBecause::Nothing;
  int error = 0;  // with Error
};

TreeRemoval removeTreeAt(int parentFd, const char* name, const RemovalGuard& guard = {},
                         const BeforeFolderOpen& beforeOpen = {});

// True when nothing is left at `name` inside the folder `parentFd`.
bool removeEntryAt(int parentFd, const char* name, const RemovalGuard& guard = {},
                   const BeforeFolderOpen& beforeOpen = {});
inline bool removeEntryAt(int parentFd, const char* name, const BeforeFolderOpen& beforeOpen) {
  return removeEntryAt(parentFd, name, RemovalGuard{}, beforeOpen);
}

// A hold on the entry at `name`, taken before it is removed, that tells
// afterwards whether the entry itself is gone — not just its name: a folder
// renamed away while it was emptied, and perhaps back, is still there.
class HeldEntry {
public:
  HeldEntry(int parentFd, const char* name);

  // Something was at the name when the hold was taken; what it was.
  bool isHeld() const { return held_; }
  const struct stat& seen() const { return seen_; }
  // No link to the entry is left (a folder), or none but those it had
  // elsewhere and the name no longer holds it (a file).
  bool isGone(int parentFd, const char* name) const;

private:
  UniqueFd fd_;
  bool held_ = false;
  struct stat seen_ {};
};

}  // namespace quillmere
