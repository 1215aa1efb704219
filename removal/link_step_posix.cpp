#include "removal/link_step.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quillmere {

namespace {

#if defined(__APPLE__)
constexpr timespec stat::*kChangeTime = &stat::st_ctimespec;  // macOS's name for st_ctim
#else
constexpr timespec stat::*kChangeTime = &stat::st_ctim;
#endif

bool sameLink(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_uid == b.st_uid &&
         (a.*kChangeTime).tv_sec == (b.*kChangeTime).tv_sec && (a.*kChangeTime).tv_nsec == (b.*kChangeTime).tv_nsec;
}

}  // namespace

// Without a descriptor for the link itself, it is looked at before and after
// its target is read: a link renamed away and back in between has a new
// change time, so another link read in the meantime cannot pass for it.
ComponentStep stepInto(int folderFd, const std::string& name, LinkTrust trust) {
  UniqueFd folder(openat(folderFd, name.c_str(), kWalkFolderFlags | O_NOFOLLOW));
  if (folder) return {.folder = std::move(folder)};
  if (errno != ELOOP && errno != ENOTDIR) return stopAt(ResolvedEntry::Status::Unreachable, errno);
  struct stat before, after;
  if (fstatat(folderFd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0)
    return stopAt(ResolvedEntry::Status::Unreachable, errno);
  if (!S_ISLNK(before.st_mode)) return stopAt(ResolvedEntry::Status::Unreachable, ENOTDIR);
  if (!isTrusted(before.st_uid, trust)) return stopAt(ResolvedEntry::Status::Refused, EPERM);
  ComponentStep step;
  step.isLink = true;
  step.linkTarget = readLinkAt(folderFd, name.c_str(), step.error);
  if (step.error != 0) return stopAt(ResolvedEntry::Status::Unreachable, step.error);
  if (fstatat(folderFd, name.c_str(), &after, AT_SYMLINK_NOFOLLOW) != 0 || !sameLink(before, after))
    return stopAt(ResolvedEntry::Status::Refused, EAGAIN);
  return step;
}

}  // namespace quillmere
