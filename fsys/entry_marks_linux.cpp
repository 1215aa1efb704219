#include "fsys/entry_marks.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>

namespace quillmere {

bool hasHiddenFlag(int, const char*, struct stat*, bool* haveInfo) {
  *haveInfo = false;
  return false;
}

bool isMountRoot(int fd, const struct stat& st, dev_t parentDev) {
  if (st.st_dev != parentDev) return true;
  struct statx stx;
  return statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, 0, &stx) == 0 &&
         (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

bool isOnPseudoFileSystem(int fd) {
  struct statfs fs;
  // A descriptor opened with O_PATH answers fstatfs too. What cannot be told
  // counts as made up: the walk then stops instead of following.
  if (::fstatfs(fd, &fs) != 0) return true;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEBUGFS_MAGIC: case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC: case CGROUP_SUPER_MAGIC: case CGROUP2_SUPER_MAGIC: case BPF_FS_MAGIC:
    case NSFS_MAGIC: case DEVPTS_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

}  // namespace quillmere
