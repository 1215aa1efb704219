#include "fsys/entry_marks.h"

#include <fcntl.h>

namespace quillmere {

bool hasHiddenFlag(int parentFd, const char* name, struct stat* info, bool* haveInfo) {
  *haveInfo = ::fstatat(parentFd, name, info, AT_SYMLINK_NOFOLLOW) == 0;
  return *haveInfo && (info->st_flags & UF_HIDDEN) != 0;
}

// A bind mount is a Linux thing; another device is the only sign here.
bool isMountRoot(int, const struct stat& st, dev_t parentDev) { return st.st_dev != parentDev; }

}  // namespace quillmere
