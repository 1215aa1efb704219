#include "removal/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/removal_target.h"
#include "removal/tree_removal.h"

namespace quillmere {
namespace {

// The parent is only a place to unlink from: it needs no read permission
// where the system can open a folder just for *at() calls.
#if defined(O_PATH)
constexpr int kParentOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#elif defined(O_SEARCH)
constexpr int kParentOpenFlags = O_SEARCH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kParentOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

}  // namespace

bool FileOperations::exists(const std::string& path) const {
  const auto target = removalTarget(path);
  struct stat st;
  // lstat: a symbolic link exists even when what it points to does not.
  return lstat(target ? target->path.c_str() : path.c_str(), &st) == 0;
}

bool FileOperations::isDeletable(const std::string& path) const {
  const auto target = removalTarget(path);
  if (!target) return false;
  struct stat entry;
  if (lstat(target->path.c_str(), &entry) != 0) return false;
  // Removing an entry is a write to the folder that holds it, judged with the
  // effective ids, as the process's own unlink would be.
  if (faccessat(AT_FDCWD, target->parent.c_str(), W_OK, AT_EACCESS) != 0) return false;
  struct stat parent;
  if (stat(target->parent.c_str(), &parent) != 0) return false;
  if (!(parent.st_mode & S_ISVTX)) return true;
  // In a sticky folder (such as /tmp) only the owner of the entry or of the
  // folder, or root, may remove it.
  const uid_t uid = geteuid();
  return uid == 0 || uid == entry.st_uid || uid == parent.st_uid;
}

bool FileOperations::removeItem(const std::string& path) const {
  const auto target = removalTarget(path);
  if (!target) return false;
  const int parentFd = open(target->parent.c_str(), kParentOpenFlags);
  if (parentFd < 0) return false;
  const bool removed = removeEntryAt(parentFd, target->name.c_str());
  close(parentFd);
  return removed;
}

}  // namespace quillmere
