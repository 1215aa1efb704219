#include "platform/trash_folder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace quillmere {

int openOwnFolder(int dirFd, const char* name) {
  if (mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST) return -1;
  return openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int openTopOfFileSystem(int fd, dev_t device) {
  UniqueFd current(openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!current) return -1;
  // Up through ".." until the next step leaves the device or stays put (at "/").
  for (int depth = 0; depth < 4096; ++depth) {
    struct stat here, up;
    UniqueFd above(openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!above || fstat(current.get(), &here) != 0 || fstat(above.get(), &up) != 0) return -1;
    if (here.st_dev != device) return -1;
    if (up.st_dev != device || up.st_ino == here.st_ino) return current.release();
    current = std::move(above);
  }
  return -1;
}

}  // namespace quillmere
