#include "removal/tree_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "fsys/entry_marks.h"
#include "fsys/folder_listing.h"

namespace quillmere {
namespace {

// Deep trees keep only this many folders open; the ones above are reopened
// through ".." on the way back up.
constexpr std::size_t kMaxOpenFolders = 64;
// A folder that still has entries after a clean pass is read again: some file
// systems skip entries of a folder that changes while it is read.
constexpr int kMaxRescans = 4;

struct Folder {
  FolderListing listing;  // closed while deep below, to save descriptors
  std::string name;    // its name in the folder above
  dev_t dev = 0;
  ino_t ino = 0;
  bool failed = false;             // something below it could not be removed
  int rescans = 0;
  std::vector<std::string> kept;   // names that failed: not tried again on a rescan
};

// Unlinking a folder fails with EISDIR on Linux and EPERM on macOS.
bool mayBeFolder(int error) { return error == EISDIR || error == EPERM; }

class TreeRemover {
public:
  TreeRemover(int baseFd, const RemovalGuard& guard, const BeforeFolderOpen& beforeOpen)
      : baseFd_(baseFd), guard_(guard), beforeOpen_(beforeOpen) {}
  bool run(const char* name) {
    unsigned char type = DT_UNKNOWN;
    if (guard_.listed || guard_.folderOnly) {
      struct stat st;
      if (fstatat(baseFd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
      if (!fitsGuard(st)) return false;
      type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    if (!removeChild(baseFd_, name, type)) return false;
    while (!stack_.empty()) {
      Folder& top = stack_.back();
      FolderEntry entry;
      if (top.listing.next(entry)) {
        if (isKept(top, entry.name)) continue;
        if (!removeChild(top.listing.fd(), entry.name, entry.type)) keep(top, entry.name);
        continue;
      }
      if (top.listing.failed()) top.failed = true;
      if (!finishTop()) return false;
    }
    return rootRemoved_;
  }

private:
  static bool isKept(const Folder& folder, const char* name) {
    return !folder.kept.empty() &&
           std::find(folder.kept.begin(), folder.kept.end(), name) != folder.kept.end();
  }
  static void keep(Folder& folder, const char* name) {
    folder.failed = true;
    folder.kept.emplace_back(name);
  }

  bool fitsGuard(const struct stat& st) const {
    return (!guard_.listed || isSameEntry(st, *guard_.listed)) && (!guard_.folderOnly || S_ISDIR(st.st_mode));
  }

  // Removes a non-folder at once, or opens a folder and pushes it. False only
  // when the entry is known to stay.
  bool removeChild(int dirFd, const char* name, unsigned char type) {
    // The listed entry itself was looked at just before (run): it goes as
    // what it was seen to be, never as what may have been swapped in since.
    const bool top = stack_.empty();
    if (top && type == DT_REG) return (unlinkat(dirFd, name, 0) == 0 || errno == ENOENT) && noteRemoved();
    if (type != DT_DIR) {
      if (unlinkat(dirFd, name, 0) == 0 || errno == ENOENT) return noteRemoved();
      if (!mayBeFolder(errno)) return false;
    }
    if (beforeOpen_) beforeOpen_(dirFd, name);
    const int fd = openFolderNoFollow(dirFd, name);
    if (fd < 0) {
      if (errno == ENOENT) return noteRemoved();
      // Not a folder (any more): a file or a symbolic link, removed as itself —
      // unless it is the listed entry, which was a folder a moment ago.
      if ((errno == ENOTDIR || errno == ELOOP) && !(top && guard_.listed))
        return (unlinkat(dirFd, name, 0) == 0 || errno == ENOENT) && noteRemoved();
      return false;
    }
    // A folder that is the root of a mount is never entered: emptying another
    // file system, or a bind mount of a folder that lives elsewhere, as root
    // deletes what lies outside the listed tree. It stays, and the removal
    // reports that it failed.
    struct stat st;
    if (fstat(fd, &st) != 0 || isMountRoot(fd, st, parentDevice()) || (top && !fitsGuard(st)) ||
        (guard_.asker && st.st_uid != 0 && st.st_uid != *guard_.asker)) {
      close(fd);
      return false;
    }
    Folder folder;
    if (!folder.listing.open(fd)) return false;
    folder.name = name;
    folder.dev = st.st_dev;
    folder.ino = st.st_ino;
    stack_.push_back(std::move(folder));
    if (stack_.size() - firstOpen_ > kMaxOpenFolders)
      stack_[firstOpen_++].listing = FolderListing();  // closed, and its buffer freed
    return true;
  }

  dev_t parentDevice() const {
    if (!stack_.empty()) return stack_.back().dev;
    struct stat st;
    return fstat(baseFd_, &st) == 0 ? st.st_dev : dev_t(-1);
  }

  bool noteRemoved() {
    if (stack_.empty()) rootRemoved_ = true;
    return true;
  }

  // The top folder has been read to its end: remove it, read it again, or
  // give it up. False when the walk must stop altogether.
  bool finishTop() {
    Folder& top = stack_.back();
    const std::size_t depth = stack_.size() - 1;
    if (depth > 0 && !stack_[depth - 1].listing.isOpen() && !reopenParentOfTop()) return false;
    const int parentFd = depth == 0 ? baseFd_ : stack_[depth - 1].listing.fd();

    const bool there = stillThere(parentFd, top);
    bool removed = there && (unlinkat(parentFd, top.name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT);
    if (!removed && there && (errno == ENOTEMPTY || errno == EEXIST) && !top.failed &&
        top.rescans < kMaxRescans) {
      ++top.rescans;
      top.listing.rewind();
      return true;
    }
    const std::string name = std::move(top.name);
    stack_.pop_back();
    if (stack_.empty())
      rootRemoved_ = removed;
    else if (!removed)
      keep(stack_.back(), name.c_str());
    return true;
  }

  // The emptied listed folder is still at its name: one renamed in its
  // place meanwhile is not removed (when empty) in its stead.
  bool stillThere(int parentFd, const Folder& folder) const {
    if (!guard_.listed || stack_.size() != 1) return true;
    struct stat st;
    if (fstatat(parentFd, folder.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    return st.st_dev == folder.dev && st.st_ino == folder.ino;
  }

  // Reopens the folder above the top one through "..", and only accepts it if
  // it is the very folder that was left (same device and inode): a tree moved
  // away mid-removal must not lead the walk into another part of the disk.
  bool reopenParentOfTop() {
    Folder& parent = stack_[stack_.size() - 2];
    const int fd = openat(stack_.back().listing.fd(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_dev != parent.dev || st.st_ino != parent.ino) {
      close(fd);
      return false;
    }
    if (!parent.listing.open(fd)) return false;
    firstOpen_ = stack_.size() - 2;
    return true;
  }

  int baseFd_;
  const RemovalGuard& guard_;
  const BeforeFolderOpen& beforeOpen_;
  std::vector<Folder> stack_;
  std::size_t firstOpen_ = 0;
  bool rootRemoved_ = false;
};

}  // namespace

bool removeEntryAt(int parentFd, const char* name, const RemovalGuard& guard, const BeforeFolderOpen& beforeOpen) {
  return TreeRemover(parentFd, guard, beforeOpen).run(name);
}

}  // namespace quillmere
