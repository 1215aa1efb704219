#include "fsys/folder_listing.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>

#include "fsys/path_text.h"

namespace quillmere {

bool FolderListing::open(int fd) {
  close();
  error_ = 0;
  dir_ = fd < 0 ? nullptr : ::fdopendir(fd);
  if (!dir_) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void FolderListing::close() {
  if (dir_) ::closedir(static_cast<DIR*>(dir_));
  dir_ = nullptr;
  fd_ = -1;
}

bool FolderListing::next(FolderEntry& entry) {
  while (dir_) {
    errno = 0;
    const dirent* record = ::readdir(static_cast<DIR*>(dir_));
    if (!record) {
      error_ = errno;
      return false;
    }
    if (isDotOrDotDot(record->d_name)) continue;
    entry = FolderEntry{record->d_name, record->d_type};
    return true;
  }
  return false;
}

void FolderListing::rewind() {
  if (dir_) ::rewinddir(static_cast<DIR*>(dir_));
  error_ = 0;
}

}  // namespace quillmere
