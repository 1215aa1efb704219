#include "fsys/tree_walk.h"

#include <dirent.h>
#include <fcntl.h>

#include <cerrno>
#include <string>
#include <vector>

#include "fsys/entry_marks.h"
#include "fsys/folder_listing.h"
#include "fsys/unique_fd.h"

namespace quillmere {
namespace {

// Folders kept open at once; a deeper tree costs a reopening per folder on
// the way back up, never a descriptor more.
constexpr std::size_t kMaxOpenFolders = 64;

struct Level {
  FolderListing listing;  // closed while deep below
  std::string name;       // in the folder above
  struct stat st;
  std::size_t read = 0;   // entries listed so far: passed over when it is opened again to resume
};

class TreeWalk {
public:
  TreeWalk(int baseFd, const TreeVisitor& visit, const WalkOptions& options)
      : baseFd_(baseFd), visit_(visit), options_(options) {}

  bool run(const char* name) {
    struct stat st;
    if (fstatat(baseFd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      return visit_({Visit::Unreadable, baseFd_, name, nullptr, -1, 0, false, errno}) != WalkAnswer::Stop;
    if (!S_ISDIR(st.st_mode)) return visit_({Visit::Entry, baseFd_, name, &st, -1, 0, false, 0}) != WalkAnswer::Stop;
    // A top given by path is judged by its own marks alone.
    struct stat base;
    const dev_t baseDev = baseFd_ == AT_FDCWD ? st.st_dev : fstat(baseFd_, &base) == 0 ? base.st_dev : dev_t(-1);
    if (enter(baseFd_, name, st, baseDev) == WalkAnswer::Stop) return false;
    while (!stack_.empty()) {
      if (options_.stop && options_.stop->load(std::memory_order_relaxed)) return false;
      if (step() == WalkAnswer::Stop) return false;
    }
    return true;
  }

private:
  int parentFdOfTop() const { return stack_.size() == 1 ? baseFd_ : stack_[stack_.size() - 2].listing.fd(); }

  // The next entry of the top folder, or the top folder done.
  WalkAnswer step() {
    Level& top = stack_.back();
    const std::size_t depth = stack_.size();
    FolderEntry entry;
    if (top.listing.next(entry)) {
      ++top.read;
      struct stat st;
      const bool look = options_.statEntries || entry.type == DT_DIR || entry.type == DT_UNKNOWN;
      if (look && fstatat(top.listing.fd(), entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return WalkAnswer::Continue;
        return visit_({Visit::Unreadable, top.listing.fd(), entry.name, nullptr, -1, depth, false, errno});
      }
      if (look && S_ISDIR(st.st_mode)) return enter(top.listing.fd(), entry.name, st, top.st.st_dev);
      return visit_({Visit::Entry, top.listing.fd(), entry.name, look ? &st : nullptr, -1, depth, false, 0});
    }
    if (stack_.size() > 1 && !stack_[stack_.size() - 2].listing.isOpen() && !reopenParentOfTop())
      return WalkAnswer::Stop;
    const WalkAnswer done = visit_({Visit::FolderDone, parentFdOfTop(), top.name.c_str(), &top.st,
                                    top.listing.fd(), depth - 1, top.listing.failed(), top.listing.error()});
    if (done == WalkAnswer::Again) {
      top.listing.rewind();
      top.read = 0;
      return WalkAnswer::Continue;
    }
    stack_.pop_back();
    if (firstOpen_ > stack_.size()) firstOpen_ = stack_.size();
    return done;
  }

  // Opens the folder `name` seen as `seen` and pushes it, unless the visitor
  // passes it over.
  WalkAnswer enter(int dirFd, const char* name, const struct stat& seen, dev_t parentDev) {
    const std::size_t depth = stack_.size();
    if (options_.beforeOpen) options_.beforeOpen(dirFd, name);
    UniqueFd fd(openFolderNoFollow(dirFd, name));
    struct stat st;
    if (!fd || fstat(fd.get(), &st) != 0 || st.st_dev != seen.st_dev || st.st_ino != seen.st_ino)
      return visit_({Visit::Unreadable, dirFd, name, &seen, -1, depth, false, fd ? 0 : errno});
    if (isMountRoot(fd.get(), st, parentDev)) {
      const WalkAnswer mount = visit_({Visit::MountRoot, dirFd, name, &st, fd.get(), depth, false, 0});
      if (mount != WalkAnswer::Continue) return mount == WalkAnswer::Stop ? mount : WalkAnswer::Continue;
    }
    Level& level = stack_.emplace_back();
    level.name = name;
    level.st = st;
    if (!level.listing.open(fd.release())) {
      stack_.pop_back();
      return visit_({Visit::Unreadable, dirFd, name, &st, -1, depth, false, errno});
    }
    const WalkAnswer folder = visit_({Visit::Folder, dirFd, name, &st, level.listing.fd(), depth, false, 0});
    if (folder != WalkAnswer::Continue) {
      stack_.pop_back();
      return folder == WalkAnswer::Stop ? folder : WalkAnswer::Continue;
    }
    if (stack_.size() - firstOpen_ > kMaxOpenFolders) stack_[firstOpen_++].listing = FolderListing();
    return WalkAnswer::Continue;
  }

  // The folder above the top one, through "..": accepted only as the very
  // folder that was left, so a tree moved away meanwhile does not lead the
  // walk into another part of the disk.
  bool reopenParentOfTop() {
    Level& parent = stack_[stack_.size() - 2];
    UniqueFd fd(openat(stack_.back().listing.fd(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    if (!fd || fstat(fd.get(), &st) != 0 || st.st_dev != parent.st.st_dev || st.st_ino != parent.st.st_ino)
      return false;
    if (!parent.listing.open(fd.release())) return false;
    FolderEntry skipped;
    if (!options_.resume) parent.read = 0;
    for (std::size_t i = 0; i < parent.read; ++i)
      if (!parent.listing.next(skipped)) return !parent.listing.failed();
    firstOpen_ = stack_.size() - 2;
    return true;
  }

  int baseFd_;
  const TreeVisitor& visit_;
  const WalkOptions& options_;
  std::vector<Level> stack_;
  std::size_t firstOpen_ = 0;
};

}  // namespace

bool walkTree(int parentFd, const char* name, const TreeVisitor& visit, const WalkOptions& options) {
  return TreeWalk(parentFd, visit, options).run(name);
}

}  // namespace quillmere
