#include "analysis/entry_size.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <set>
#include <utility>

#include "fsys/tree_walk.h"

namespace quillmere {
namespace {

// st_blocks is in 512-byte units on both Linux and macOS, whatever the file
// system's own block size.
constexpr std::uint64_t kBlockUnit = 512;

}  // namespace

std::optional<std::uint64_t> measureEntry(const std::string& path, const std::atomic<bool>* stop) {
  std::set<std::pair<dev_t, ino_t>> seen;
  std::uint64_t total = 0;
  const auto add = [&](const struct stat& info) {
    // Only a file with more than one name can be met twice.
    if (!S_ISDIR(info.st_mode) && info.st_nlink > 1 && !seen.emplace(info.st_dev, info.st_ino).second) return;
    total += std::uint64_t(info.st_blocks) * kBlockUnit;
  };
  WalkOptions options;
  options.stop = stop;
  const bool whole = walkTree(AT_FDCWD, path.c_str(), [&](const WalkStep& step) {
    switch (step.visit) {
      case Visit::Folder:
      case Visit::Entry: add(*step.st); return WalkAnswer::Continue;
      // A mount inside the tree, a bind mount of a folder elsewhere among
      // them, is no part of it: a removal leaves it in place.
      case Visit::MountRoot: return step.depth == 0 ? WalkAnswer::Continue : WalkAnswer::Skip;
      case Visit::FolderDone: return step.failed ? WalkAnswer::Stop : WalkAnswer::Continue;
      case Visit::Unreadable:  // gone since it was listed: it weighs nothing now
        if (step.depth > 0 && step.error == ENOENT) return WalkAnswer::Continue;
        break;  // a partial sum would be a wrong size
    }
    return WalkAnswer::Stop;
  }, options);
  if (!whole) return std::nullopt;
  return total;
}

}  // namespace quillmere
