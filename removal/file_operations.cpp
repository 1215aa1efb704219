#include "removal/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fsys/tree_walk.h"
#include "fsys/path_text.h"
#include "removal/tree_removal.h"

namespace quillmere {

using Status = ResolvedEntry::Status;

namespace {

// The removal opens every folder of the tree to list it; only one that holds
// entries must also be written to and searched to empty it: an empty folder
// the user may not write to still goes with a write to the folder above.
bool mayList(int fd) { return faccessat(fd, ".", R_OK, AT_EACCESS) == 0; }
bool mayEmpty(int fd) { return faccessat(fd, ".", R_OK | W_OK | X_OK, AT_EACCESS) == 0; }

// In a sticky folder (such as /tmp) only the owner of the entry or of the
// folder, or root, may remove it.
bool mayUnlinkFromSticky(const struct stat& folder, const struct stat& child) {
  const uid_t uid = geteuid();
  return uid == 0 || uid == child.st_uid || uid == folder.st_uid;
}

}  // namespace

ListedEntry FileOperations::find(const std::string& path, std::optional<EntryIdentity> listed) const {
  return {path, resolveEntry(withoutTrailingSlashes(path), LinkTrust::RootOrCurrentUser), listed};
}

bool FileOperations::exists(const ListedEntry& entry) const { return !entry.walk.isGone(); }

bool FileOperations::isAnotherEntry(const ListedEntry& entry) const {
  const ResolvedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  struct stat st;
  if (fstatat(walk.parentFd(), walk.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return !entry.listed || !isSameEntry(st, *entry.listed);
}

bool FileOperations::isDeletable(const ListedEntry& entry) const {
  const ResolvedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  struct stat st;
  if (fstatat(walk.parentFd(), walk.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  // Removing an entry is a write to the folder that holds it, judged with the
  // effective ids, as the process's own unlink would be. "." is that folder.
  if (faccessat(walk.parentFd(), ".", W_OK, AT_EACCESS) != 0) return false;
  struct stat parent;
  if (fstat(walk.parentFd(), &parent) != 0) return false;
  return !(parent.st_mode & S_ISVTX) || mayUnlinkFromSticky(parent, st);
}

bool FileOperations::mayRemoveWhole(const ListedEntry& entry, const std::atomic<bool>* stop) const {
  const ResolvedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  // Per folder open, from the top down: what it is, and whether an entry of
  // it has been met yet.
  std::vector<std::pair<struct stat, bool>> folders;
  WalkOptions options;
  options.statEntries = false;
  options.stop = stop;
  return walkTree(walk.parentFd(), walk.name().c_str(), [&](const WalkStep& step) {
    if (step.visit == Visit::FolderDone) {
      folders.pop_back();
      return step.failed ? WalkAnswer::Stop : WalkAnswer::Continue;
    }
    if (step.depth > 0) {
      auto& [folder, holdsEntries] = folders[step.depth - 1];
      if (!holdsEntries && !mayEmpty(step.parentFd)) return WalkAnswer::Stop;
      holdsEntries = true;
      // Outside a sticky folder only folders need a look: any other entry
      // goes with a write to the folder that holds it.
      struct stat st;
      if (folder.st_mode & S_ISVTX) {
        if (!step.st && fstatat(step.parentFd, step.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
          return errno == ENOENT ? WalkAnswer::Continue : WalkAnswer::Stop;
        if (!mayUnlinkFromSticky(folder, step.st ? *step.st : st)) return WalkAnswer::Stop;
      }
    }
    if (step.visit == Visit::Entry) return WalkAnswer::Continue;
    if (step.visit != Visit::Folder || !mayList(step.fd)) return WalkAnswer::Stop;
    folders.emplace_back(*step.st, false);
    return WalkAnswer::Continue;
  }, options);
}

bool FileOperations::removeItem(const ListedEntry& entry) const {
  const ResolvedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  // Gone means the entry itself, not just its name: a folder renamed away
  // while it was emptied, and perhaps back, is still there.
  const HeldEntry held(walk.parentFd(), walk.name().c_str());
  if (!held.isHeld() || (entry.listed && !isSameEntry(held.seen(), *entry.listed))) return false;
  const TreeRemoval removal = removeTreeAt(walk.parentFd(), walk.name().c_str(), {entry.listed, false, std::nullopt});
  // What stopped it is what the user is told: the first entry that would not
  // go, not the folder left holding it ("Directory not empty").
  if (!removal.removed && removal.error != 0) errno = removal.error;
  return removal.removed && held.isGone(walk.parentFd(), walk.name().c_str());
}

}  // namespace quillmere
