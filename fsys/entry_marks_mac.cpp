#include "fsys/entry_marks.h"

#include <fcntl.h>
#include <sys/mount.h>

#include <cstring>

namespace quillmere {

bool hasHiddenFlag(int parentFd, const char* name, struct stat* info, bool* haveInfo) {
  *haveInfo = ::fstatat(parentFd, name, info, AT_SYMLINK_NOFOLLOW) == 0;
  return *haveInfo && (info->st_flags & UF_HIDDEN) != 0;
}

// A bind mount is a Linux thing; another device is the only sign here.
bool isMountRoot(int, const struct stat& st, dev_t parentDev) { return st.st_dev != parentDev; }

bool isOnPseudoFileSystem(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return true;
  return std::strcmp(fs.f_fstypename, "devfs") == 0 || std::strcmp(fs.f_fstypename, "fdesc") == 0;
}

}  // namespace quillmere
