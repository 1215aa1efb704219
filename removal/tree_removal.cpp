#include "removal/tree_removal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "fsys/tree_walk.h"

namespace quillmere {
namespace {

// A folder that still has entries after a clean pass is read again: some file
// systems skip entries of a folder that changes while it is read.
constexpr int kMaxRescans = 4;

// What the removal knows of each folder it is emptying.
struct Folder {
  bool failed = false;            // something below it could not be removed
  int rescans = 0;
  std::vector<std::string> kept;  // names that failed: not tried again on a rescan
};

// The policy of one removal over the tree walk: what to do on meeting an
// entry, entering a folder and leaving it. The walk opens nothing through a
// link, enters a folder only while it is the entry it looked at and shows
// mount roots; the guards below decide the rest.
class TreeRemover {
public:
  explicit TreeRemover(const RemovalGuard& guard) : guard_(guard) {}

  TreeRemoval result() const {
    if (rootRemoved_) return {true};
    return {false, kept_ == KeptBecause::Nothing ? KeptBecause::Error : kept_, error_};
  }

  WalkAnswer operator()(const WalkStep& step) {
    const bool top = step.depth == 0;
    if (!top && step.visit != Visit::FolderDone && isKept(folders_.back(), step.name))
      return WalkAnswer::Skip;
    switch (step.visit) {
      case Visit::Entry:
        // The listed entry itself goes as what it was seen to be, never as
        // what may have been swapped in since.
        if (top && !fitsGuard(*step.st)) return note(KeptBecause::NotTheListedEntry), WalkAnswer::Stop;
        // With rights over every user's files, one that is neither the
        // asker's nor root's stays.
        if (step.st && !isAskersOrRoots(*step.st)) return note(KeptBecause::ThirdUsersEntry), settle(step, false);
        return unlinkAndSettle(step);
      case Visit::Unreadable:
        if (step.error == ENOENT) return settle(step, true);
        // Not a folder (any more): a file or a symbolic link, removed as
        // itself — unless it is the listed entry, which was a folder a moment
        // ago, or a third user's, swapped in since it was looked at.
        if ((step.error == ENOTDIR || step.error == ELOOP) && !(top && guard_.listed)) {
          struct stat st;
          if (guard_.asker && fstatat(step.parentFd, step.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !isAskersOrRoots(st))
            return note(KeptBecause::ThirdUsersEntry), settle(step, false);
          return unlinkAndSettle(step);
        }
        if (step.error == ENOTDIR || step.error == ELOOP) note(KeptBecause::NotTheListedEntry);
        note(KeptBecause::Error, step.error);
        return settle(step, false);
      case Visit::MountRoot:
        // A folder that is the root of a mount is never entered: emptying
        // another file system, or a bind mount of a folder that lives
        // elsewhere, as root deletes what lies outside the listed tree. It
        // stays, and the removal reports that it failed.
        note(KeptBecause::MountInside);
        return settle(step, false);
      case Visit::Folder:
        if (top && !fitsGuard(*step.st)) return note(KeptBecause::NotTheListedEntry), settle(step, false);
        if (!isAskersOrRoots(*step.st)) return note(KeptBecause::ThirdUsersEntry), settle(step, false);
        folders_.emplace_back();
        return WalkAnswer::Continue;
      case Visit::FolderDone: return leave(step);
    }
    return WalkAnswer::Stop;
  }

private:
  static bool isKept(const Folder& folder, const char* name) {
    return !folder.kept.empty() && std::find(folder.kept.begin(), folder.kept.end(), name) != folder.kept.end();
  }

  // The first reason something stays is the one reported.
  void note(KeptBecause why, int error = 0) {
    if (kept_ != KeptBecause::Nothing) return;
    kept_ = why;
    error_ = error;
  }

  bool isAskersOrRoots(const struct stat& st) const {
    return !guard_.asker || st.st_uid == 0 || st.st_uid == *guard_.asker;
  }

  WalkAnswer unlinkAndSettle(const WalkStep& step) {
    const bool gone = unlinkat(step.parentFd, step.name, 0) == 0 || errno == ENOENT;
    if (!gone) note(KeptBecause::Error, errno);
    return settle(step, gone);
  }

  bool fitsGuard(const struct stat& st) const {
    return (!guard_.listed || isSameEntry(st, *guard_.listed)) && (!guard_.folderOnly || S_ISDIR(st.st_mode));
  }

  // The entry of `step` went (or was already gone) or stays.
  WalkAnswer settle(const WalkStep& step, bool gone) {
    if (step.depth == 0) {
      rootRemoved_ = gone;
    } else if (!gone) {
      folders_.back().failed = true;
      folders_.back().kept.emplace_back(step.name);
    }
    return step.depth == 0 && !gone ? WalkAnswer::Stop : WalkAnswer::Skip;
  }

  // The folder has been read to its end: remove it, read it again, or give it up.
  WalkAnswer leave(const WalkStep& step) {
    Folder& folder = folders_.back();
    if (step.failed) folder.failed = true;
    const bool there = stillThere(step);
    const bool removed = there && (unlinkat(step.parentFd, step.name, AT_REMOVEDIR) == 0 || errno == ENOENT);
    if (!removed && there && (errno == ENOTEMPTY || errno == EEXIST) && !folder.failed &&
        folder.rescans < kMaxRescans) {
      ++folder.rescans;
      return WalkAnswer::Again;
    }
    if (!removed && !there) note(KeptBecause::NotTheListedEntry);
    else if (!removed && !folder.failed) note(KeptBecause::Error, errno);
    folders_.pop_back();
    settle(step, removed);
    return WalkAnswer::Continue;
  }

  // The emptied listed folder is still at its name: one renamed in its
  // place meanwhile is not removed (when empty) in its stead.
  bool stillThere(const WalkStep& step) const {
    if (!guard_.listed || step.depth != 0) return true;
    struct stat st;
    if (fstatat(step.parentFd, step.name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    return st.st_dev == step.st->st_dev && st.st_ino == step.st->st_ino;
  }

  const RemovalGuard& guard_;
  std::vector<Folder> folders_;
  bool rootRemoved_ = false;
  KeptBecause kept_ = KeptBecause::Nothing;
  int error_ = 0;
};

}  // namespace

TreeRemoval removeTreeAt(int parentFd, const char* name, const RemovalGuard& guard,
                         const BeforeFolderOpen& beforeOpen) {
  TreeRemover remover(guard);
  WalkOptions options;
  options.statEntries = guard.asker.has_value();  // each entry's owner is looked at
  options.resume = false;
  options.beforeOpen = beforeOpen;
  walkTree(parentFd, name, std::ref(remover), options);
  return remover.result();
}

bool removeEntryAt(int parentFd, const char* name, const RemovalGuard& guard, const BeforeFolderOpen& beforeOpen) {
  return removeTreeAt(parentFd, name, guard, beforeOpen).removed;
}

HeldEntry::HeldEntry(int parentFd, const char* name) {
#if defined(O_PATH)
  fd_.reset(openat(parentFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
  held_ = fd_ && fstat(fd_.get(), &seen_) == 0;
#else
  // Without a descriptor for any kind of entry, a folder is held open and
  // anything else by its identity alone.
  held_ = fstatat(parentFd, name, &seen_, AT_SYMLINK_NOFOLLOW) == 0;
  if (held_ && S_ISDIR(seen_.st_mode)) {
    fd_.reset(openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (fd_ && (fstat(fd_.get(), &st) != 0 || st.st_dev != seen_.st_dev || st.st_ino != seen_.st_ino)) fd_.reset();
  }
#endif
}

bool HeldEntry::isGone(int parentFd, const char* name) const {
  if (!held_) return true;
  struct stat now;
  const bool stillLinked = fd_ && fstat(fd_.get(), &now) == 0 && now.st_nlink > 0;
  if (fd_ && !stillLinked) return true;
  // A folder has one name: while linked at all, it is somewhere.
  if (S_ISDIR(seen_.st_mode) && fd_) return false;
  if (stillLinked && now.st_nlink >= seen_.st_nlink) return false;  // moved, not unlinked
  struct stat atName;
  if (fstatat(parentFd, name, &atName, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  return atName.st_dev != seen_.st_dev || atName.st_ino != seen_.st_ino;
}

}  // namespace quillmere
