#include "removal/tree_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace quillmere {
namespace {

// Deep trees keep only this many folders open; the ones above are reopened
// through ".." on the way back up.
constexpr std::size_t kMaxOpenFolders = 64;
// A folder that still has entries after a clean pass is read again: some file
// systems skip entries of a folder that changes while it is read.
constexpr int kMaxRescans = 4;

struct Folder {
  DIR* dir = nullptr;  // null while closed to save descriptors
  std::string name;    // its name in the folder above
  dev_t dev = 0;
  ino_t ino = 0;
  bool failed = false;             // something below it could not be removed
  int rescans = 0;
  std::vector<std::string> kept;   // names that failed: not tried again on a rescan
};

int openFolderNoFollow(int parentFd, const char* name) {
  // O_NOFOLLOW and O_DIRECTORY together: a folder swapped for a symbolic link
  // after it was listed is refused here rather than entered.
  return openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A folder that is the root of a mount is never entered: emptying another
// file system, or a bind mount of a folder that lives elsewhere (on this very
// file system, so with the same device number), as root deletes what lies
// outside the listed tree. It stays, and the removal reports that it failed.
bool isMountRoot(int fd, const struct stat& st, dev_t parentDev) {
  if (st.st_dev != parentDev) return true;
#if defined(__linux__) && defined(STATX_ATTR_MOUNT_ROOT)
  struct statx stx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, 0, &stx) == 0 &&
      (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
    return (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#else
  (void)fd;
#endif
  return false;
}

bool isDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Unlinking a folder fails with EISDIR on Linux and EPERM on macOS.
bool mayBeFolder(int error) { return error == EISDIR || error == EPERM; }

class TreeRemover {
public:
  explicit TreeRemover(int baseFd) : baseFd_(baseFd) {}
  ~TreeRemover() {
    for (Folder& folder : stack_)
      if (folder.dir) closedir(folder.dir);
  }

  bool run(const char* name) {
    if (!removeChild(baseFd_, name, DT_UNKNOWN)) return false;
    while (!stack_.empty()) {
      Folder& top = stack_.back();
      errno = 0;
      const dirent* entry = readdir(top.dir);
      if (entry) {
        if (isDot(entry->d_name) || isKept(top, entry->d_name)) continue;
        if (!removeChild(dirfd(top.dir), entry->d_name, entry->d_type)) keep(top, entry->d_name);
        continue;
      }
      if (errno != 0) top.failed = true;
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

  // Removes a non-folder at once, or opens a folder and pushes it. False only
  // when the entry is known to stay.
  bool removeChild(int dirFd, const char* name, unsigned char type) {
    if (type != DT_DIR) {
      if (unlinkat(dirFd, name, 0) == 0 || errno == ENOENT) return noteRemoved();
      if (!mayBeFolder(errno)) return false;
    }
    const int fd = openFolderNoFollow(dirFd, name);
    if (fd < 0) {
      if (errno == ENOENT) return noteRemoved();
      // Not a folder (any more): a file or a symbolic link, removed as itself.
      if (errno == ENOTDIR || errno == ELOOP)
        return (unlinkat(dirFd, name, 0) == 0 || errno == ENOENT) && noteRemoved();
      return false;
    }
    struct stat st;
    DIR* dir = fstat(fd, &st) == 0 && !isMountRoot(fd, st, parentDevice()) ? fdopendir(fd) : nullptr;
    if (!dir) {
      close(fd);
      return false;
    }
    Folder folder;
    folder.dir = dir;
    folder.name = name;
    folder.dev = st.st_dev;
    folder.ino = st.st_ino;
    stack_.push_back(std::move(folder));
    if (stack_.size() - firstOpen_ > kMaxOpenFolders) {
      closedir(stack_[firstOpen_].dir);
      stack_[firstOpen_].dir = nullptr;
      ++firstOpen_;
    }
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
    if (depth > 0 && !stack_[depth - 1].dir && !reopenParentOfTop()) return false;
    const int parentFd = depth == 0 ? baseFd_ : dirfd(stack_[depth - 1].dir);

    bool removed = unlinkat(parentFd, top.name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
    if (!removed && (errno == ENOTEMPTY || errno == EEXIST) && !top.failed &&
        top.rescans < kMaxRescans) {
      ++top.rescans;
      rewinddir(top.dir);
      return true;
    }
    closedir(top.dir);
    const std::string name = std::move(top.name);
    stack_.pop_back();
    if (stack_.empty())
      rootRemoved_ = removed;
    else if (!removed)
      keep(stack_.back(), name.c_str());
    return true;
  }

  // Reopens the folder above the top one through "..", and only accepts it if
  // it is the very folder that was left (same device and inode): a tree moved
  // away mid-removal must not lead the walk into another part of the disk.
  bool reopenParentOfTop() {
    Folder& parent = stack_[stack_.size() - 2];
    const int fd = openat(dirfd(stack_.back().dir), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_dev != parent.dev || st.st_ino != parent.ino) {
      close(fd);
      return false;
    }
    parent.dir = fdopendir(fd);
    if (!parent.dir) {
      close(fd);
      return false;
    }
    firstOpen_ = stack_.size() - 2;
    return true;
  }

  int baseFd_;
  std::vector<Folder> stack_;
  std::size_t firstOpen_ = 0;
  bool rootRemoved_ = false;
};

}  // namespace

bool removeEntryAt(int parentFd, const char* name) { return TreeRemover(parentFd).run(name); }

}  // namespace quillmere
