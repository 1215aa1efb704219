#pragma once
// Where the user's Trash lies for an entry, one body per system: the Trash
// must be on the entry's own file system, since moving there is a rename and
// nothing is ever copied and deleted instead.

#include <sys/types.h>

#include <string>
#include <variant>

#include "fsys/unique_fd.h"

namespace quillmere {

struct TrashFolder {
  UniqueFd files;      // where trashed entries lie
  UniqueFd info;       // where each one's .trashinfo lies; none where the system keeps no such file
  std::string path;    // the Trash folder itself, as text for the record
  std::string topdir;  // the top of the file system it serves; empty for the home's Trash
};

// Opens the Trash for an entry on `device` held by the folder `parentFd`,
// making it when missing: the home's Trash when it lies on that device, else
// the one at the top of the entry's file system. Never follows a link to a
// Trash folder. On failure, why, in words for the row's line.
std::variant<TrashFolder, std::string> openTrashFor(int parentFd, dev_t device);

// Renames `from` to `to`, never over anything: fails with EEXIST when `to` exists.
bool renameNoReplace(int fromDir, const char* from, int toDir, const char* to);

// The removal history's file in the user's state folder (not made here).
std::string removalHistoryPath();

// Makes the folder `name` in `dirFd` (mode 0700) when missing and opens it
// without following a link; -1 when that fails or something else stands there.
int openOwnFolder(int dirFd, const char* name);

// The top folder of the file system holding the folder `fd`: the last folder
// on `device` going up through "..". -1 on failure.
int openTopOfFileSystem(int fd, dev_t device);

// The path the system gives an open folder, for the record; empty when none.
std::string pathOfFolder(int fd);

}  // namespace quillmere
