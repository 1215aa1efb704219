#pragma once
// Removes one directory entry — a file, a symbolic link (never what it points
// to) or a whole folder tree — relative to an open folder, without following
// any symbolic link on the way down.

#include <functional>

namespace quillmere {

// Run with the folder and the name of each folder of the tree just before it
// is opened, its type already read: the moment another process could swap
// it for a link. Tests put their hand in here; the program passes none.
using BeforeFolderOpen = std::function<void(int parentFd, const char* name)>;

// True when nothing is left at `name` inside the folder `parentFd`.
bool removeEntryAt(int parentFd, const char* name, const BeforeFolderOpen& beforeOpen = {});

}  // namespace quillmere
