#include "fsys/entry_marks.h"

#include <fcntl.h>

namespace quillmere {

bool hasHiddenFlag(int, const char*, struct stat*, bool* haveInfo) {
  *haveInfo = false;
  return false;
}

bool isMountRoot(int fd, const struct stat& st, dev_t parentDev) {
  if (st.st_dev != parentDev) return true;
  struct statx stx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, 0, &stx) == 0 &&
      (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
    return (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  return false;
}

}  // namespace quillmere
