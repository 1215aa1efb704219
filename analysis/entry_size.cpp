#include "analysis/entry_size.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <set>
#include <utility>

#include "fsys/entry_marks.h"
#include "fsys/folder_listing.h"

namespace quillmere {
namespace {

// st_blocks is in 512-byte units on both Linux and macOS, whatever the file
// system's own block size.
constexpr std::uint64_t kBlockUnit = 512;
// One descriptor stays open per level; a tree deeper than this is left
// unmeasured rather than taking descriptors a removal running beside it needs.
constexpr std::size_t kMaxDepth = 256;

class TreeMeasure {
public:
  explicit TreeMeasure(const std::atomic<bool>* stop) : stop_(stop) {}
  std::optional<std::uint64_t> run(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    add(info);
    if (!S_ISDIR(info.st_mode)) return total_;
    // By descriptor from here on: the folder must still be the one just
    // looked at, not a link put in its place.
    const int fd = openFolderNoFollow(AT_FDCWD, path.c_str());
    if (!enter(fd, info)) return std::nullopt;
    while (!open_.empty()) {
      if (stopped()) return std::nullopt;
      FolderListing& top = open_.back().listing;
      FolderEntry entry;
      if (!top.next(entry)) {
        if (top.failed()) return std::nullopt;
        open_.pop_back();
        continue;
      }
      struct stat child;
      if (::fstatat(top.fd(), entry.name, &child, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) continue;  // gone since it was listed: it weighs nothing now
        return std::nullopt;
      }
      if (!S_ISDIR(child.st_mode)) {
        add(child);
        continue;
      }
      if (open_.size() >= kMaxDepth) return std::nullopt;
      const int childFd = openFolderNoFollow(top.fd(), entry.name);
      if (childFd < 0 && errno == ENOENT) continue;
      // A mount inside the tree, a bind mount of a folder elsewhere among
      // them, is no part of it: a removal leaves it in place.
      if (childFd >= 0 && isMountRoot(childFd, child, open_.back().device)) {
        ::close(childFd);
        continue;
      }
      add(child);
      if (!enter(childFd, child)) return std::nullopt;
    }
    return total_;
  }

private:
  bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

  void add(const struct stat& info) {
    // Only a file with more than one name can be met twice.
    if (!S_ISDIR(info.st_mode) && info.st_nlink > 1 && !seen_.emplace(info.st_dev, info.st_ino).second) return;
    total_ += std::uint64_t(info.st_blocks) * kBlockUnit;
  }

  bool enter(int fd, const struct stat& expected) {
    if (fd < 0) return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_dev != expected.st_dev || info.st_ino != expected.st_ino) {
      ::close(fd);
      return false;
    }
    Level& level = open_.emplace_back();
    level.device = info.st_dev;
    return level.listing.open(fd);
  }

  const std::atomic<bool>* stop_;
  struct Level {
    FolderListing listing;
    dev_t device = 0;
  };
  std::deque<Level> open_;  // one per level, never moved
  std::set<std::pair<dev_t, ino_t>> seen_;
  std::uint64_t total_ = 0;
};

}  // namespace

std::optional<std::uint64_t> measureEntry(const std::string& path, const std::atomic<bool>* stop) {
  return TreeMeasure(stop).run(path);
}

}  // namespace quillmere
