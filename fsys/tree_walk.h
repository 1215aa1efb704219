#pragma once
// One walk of a folder tree in the shape of fts: a folder is visited before
// its contents and again after them, every other entry once. Nothing is
// followed: a folder is opened by descriptor without following a link, and
// entered only while it is the entry just looked at (same device and inode);
// a mount root is shown to the visitor, who says whether it is entered. Only
// a window of descriptors stays open however deep the tree goes: the folders
// above are opened again through ".." and must be the very ones left.

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <functional>

namespace quillmere {

enum class Visit {
  Folder,      // opened, before its contents; `fd` is the folder
  FolderDone,  // after its contents; `fd` is the folder, `failed` when its listing broke off
  Entry,       // anything but a folder; `st` is null when the listing's type told enough
  MountRoot,   // a folder on another device than the one above; `fd` is open
  Unreadable,  // could not be looked at, opened or entered; `error` says why
};

struct WalkStep {
  Visit visit;
  int parentFd;  // the folder that holds it
  const char* name;
  const struct stat* st;
  int fd = -1;
  std::size_t depth = 0;  // 0 for the entry the walk started at
  bool failed = false;
  int error = 0;
};

enum class WalkAnswer {
  Continue,  // MountRoot: enter it all the same
  Skip,      // Folder, MountRoot: leave its contents alone
  Again,     // FolderDone: read it once more from the start
  Stop,
};

using TreeVisitor = std::function<WalkAnswer(const WalkStep&)>;

struct WalkOptions {
  // False: an entry the listing says is no folder is not looked at.
  bool statEntries = true;
  // False, for a visitor that deletes what it meets: a folder opened again
  // is read from its start.
  bool resume = true;
  const std::atomic<bool>* stop = nullptr;
  // Run with the folder and the name of each folder just before it is opened:
  // the moment another process could swap it. Tests put their hand in here.
  std::function<void(int parentFd, const char* name)> beforeOpen;
};

// Walks the entry `name` in `parentFd` (AT_FDCWD and a path at the top will
// do). An entry that vanishes between the listing and the look is passed
// over; one that vanishes before it is opened is Unreadable with ENOENT.
// False when stopped (by the visitor or `stop`) or when a folder above could
// not be opened again.
bool walkTree(int parentFd, const char* name, const TreeVisitor& visit, const WalkOptions& options = {});

}  // namespace quillmere
