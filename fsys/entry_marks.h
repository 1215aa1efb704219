#pragma once
// What a file system says of an entry beyond its type, where platforms differ:
// entry_marks_linux.cpp for Linux, entry_marks_mac.cpp for macOS.

#include <sys/stat.h>

namespace quillmere {

// True when `name` in the folder `parentFd` carries the flag that hides it in
// the file manager (macOS). `*haveInfo` says whether its lstat was taken into
// `info` on the way; Linux has no such flag and makes no call.
bool hasHiddenFlag(int parentFd, const char* name, struct stat* info, bool* haveInfo);

// Hidden as the file manager hides it: a name starting with "." or carrying
// the hidden flag. The search passes over such entries.
inline bool isHiddenEntry(int parentFd, const char* name, struct stat* info, bool* haveInfo) {
  return name[0] == '.' || hasHiddenFlag(parentFd, name, info, haveInfo);
}

// True when the folder open at `fd`, with the lstat `st`, is the root of a
// mount whose parent folder lies on `parentDev`: another device, or on Linux
// also a bind mount of a folder that lives elsewhere on the same device.
bool isMountRoot(int fd, const struct stat& st, dev_t parentDev);

// True when the entry open at `fd` lies on a file system the kernel makes up
// (/proc, /sys, /dev/fd and the like). Its links are not text a user wrote:
// /proc/PID/cwd of a process that may not be dumped belongs to root and leads
// wherever that process chose, so a walk never follows one.
bool isOnPseudoFileSystem(int fd);

// True for the mode of a folder in which others than its owner (its group,
// or anyone) may rename, replace or plant entries: writable by them, without
// the sticky bit that limits that to each entry's owner.
constexpr bool othersCanChangeEntriesIn(mode_t folderMode) {
  return (folderMode & (S_IWGRP | S_IWOTH)) != 0 && (folderMode & S_ISVTX) == 0;
}

}  // namespace quillmere
