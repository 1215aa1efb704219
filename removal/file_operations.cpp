#include "removal/file_operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "fsys/entry_marks.h"
#include "fsys/folder_listing.h"
#include "fsys/path_text.h"
#include "removal/tree_removal.h"

namespace quillmere {

using Status = ResolvedEntry::Status;

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
  if (!(parent.st_mode & S_ISVTX)) return true;
  // In a sticky folder (such as /tmp) only the owner of the entry or of the
  // folder, or root, may remove it.
  const uid_t uid = geteuid();
  return uid == 0 || uid == st.st_uid || uid == parent.st_uid;
}

namespace {

// One descriptor stays open per level, as in the measuring; a deeper tree is
// not vouched for.
constexpr std::size_t kMaxPredictedDepth = 256;

struct PredictedFolder {
  FolderListing listing;
  struct stat st;
  bool holdsEntries = false;
};

// The removal opens every folder of the tree to list it; only one that holds
// entries must also be written to and searched to empty it: an empty folder
// the user may not write to still goes with a write to the folder above.
bool mayList(int fd) { return faccessat(fd, ".", R_OK, AT_EACCESS) == 0; }
bool mayEmpty(int fd) { return faccessat(fd, ".", R_OK | W_OK | X_OK, AT_EACCESS) == 0; }

bool mayUnlinkFromSticky(const struct stat& folder, const struct stat& child) {
  const uid_t uid = geteuid();
  return uid == 0 || uid == child.st_uid || uid == folder.st_uid;
}

}  // namespace

bool FileOperations::mayRemoveWhole(const ListedEntry& entry, const std::atomic<bool>* stop) const {
  const ResolvedEntry& walk = entry.walk;
  if (walk.status() != Status::Reached) return false;
  struct stat top;
  if (fstatat(walk.parentFd(), walk.name().c_str(), &top, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISDIR(top.st_mode)) return true;
  struct stat parent;
  if (fstat(walk.parentFd(), &parent) != 0) return false;
  std::deque<PredictedFolder> open;  // never moved: listings keep their buffers
  auto enter = [&](int parentFd, const char* name, dev_t parentDev) {
    const int fd = openFolderNoFollow(parentFd, name);
    if (fd < 0) return false;
    PredictedFolder& folder = open.emplace_back();
    if (fstat(fd, &folder.st) != 0 || isMountRoot(fd, folder.st, parentDev) || !mayList(fd)) {
      close(fd);
      return false;
    }
    return folder.listing.open(fd);
  };
  if (!enter(walk.parentFd(), walk.name().c_str(), parent.st_dev)) return false;
  while (!open.empty()) {
    if (stop && stop->load(std::memory_order_relaxed)) return false;
    PredictedFolder& folder = open.back();
    FolderEntry child;
    if (!folder.listing.next(child)) {
      if (folder.listing.failed()) return false;
      open.pop_back();
      continue;
    }
    if (!folder.holdsEntries && !mayEmpty(folder.listing.fd())) return false;
    folder.holdsEntries = true;
    // Outside a sticky folder only folders need a look: any other entry goes
    // with a write to the folder that holds it.
    const bool sticky = folder.st.st_mode & S_ISVTX;
    if (!sticky && child.type != DT_DIR && child.type != DT_UNKNOWN) continue;
    struct stat st;
    if (fstatat(folder.listing.fd(), child.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      return false;
    }
    if (sticky && !mayUnlinkFromSticky(folder.st, st)) return false;
    if (!S_ISDIR(st.st_mode)) continue;
    if (open.size() >= kMaxPredictedDepth) return false;
    if (!enter(folder.listing.fd(), child.name, folder.st.st_dev)) return false;
  }
  return true;
}

bool FileOperations::removeItem(const ListedEntry& entry) const {
  const ResolvedEntry& walk = entry.walk;
  return walk.status() == Status::Reached &&
         removeEntryAt(walk.parentFd(), walk.name().c_str(), RemovalGuard{entry.listed, false, std::nullopt});
}

}  // namespace quillmere
