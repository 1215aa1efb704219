#include "removal/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fsys/path_text.h"
#include "removal/tree_removal.h"

namespace quillmere {

using Status = WalkedEntry::Status;

ListedEntry FileOperations::find(const std::string& path, std::optional<EntryIdentity> listed) const {
  return {path, walkToEntry(withoutTrailingSlashes(path), LinkTrust::RootOrCurrentUser), listed};
}

bool FileOperations::exists(const ListedEntry& entry) const { return !entry.walk.isGone(); }

bool FileOperations::isAnotherEntry(const ListedEntry& entry) const {
  const WalkedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  struct stat st;
  if (fstatat(walk.parentFd(), walk.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return !entry.listed || !isSameEntry(st, *entry.listed);
}

bool FileOperations::isDeletable(const ListedEntry& entry) const {
  const WalkedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  struct stat st;
  if (fstatat(walk.parentFd(), walk.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  // Removing an entry is a write to the folder that holds it, judged with the
  // effective ids, as the process's own unlink would be. "." is that folder.
  if (faccessat(walk.parentFd(), ".", W_OK, AT_EACCESS) != 0) return false;
  struct stat parent;
  if (fstat(walk.parentFd(), &parent) != 0) return false;
  if (!(parent.st_mode & S_ISVTX)) return true;
  // In a sticky folder (such as /tmp) only the owner of the entry or of the
  // folder, or root, may remove it.
  const uid_t uid = geteuid();
  return uid == 0 || uid == st.st_uid || uid == parent.st_uid;
}

bool FileOperations::removeItem(const ListedEntry& entry) const {
  const WalkedEntry& walk = entry.walk;
  return walk.status() == Status::Reached &&
         removeEntryAt(walk.parentFd(), walk.name().c_str(), RemovalGuard{entry.listed, false, std::nullopt});
}

}  // namespace quillmere
