#pragma once
// Removes one directory entry — a file, a symbolic link (never what it points
// to) or a whole folder tree — relative to an open folder, without following
// any symbolic link on the way down.

namespace quillmere {

// True when nothing is left at `name` inside the folder `parentFd`.
bool removeEntryAt(int parentFd, const char* name);

}  // namespace quillmere
