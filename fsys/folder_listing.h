#pragma once
// The entries of one open folder in the order the file system gives them,
// "." and ".." left out: on Linux read straight from the kernel into a buffer
// of the listing's own (folder_listing_linux.cpp), elsewhere by readdir
// (folder_listing_posix.cpp, on Linux too with QUILLMERE_PORTABLE_BODIES).

#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace quillmere {

struct FolderEntry {
  const char* name;    // valid until the next call
  unsigned char type;  // DT_DIR, DT_UNKNOWN, ...
};

class FolderListing {
public:
  FolderListing() = default;
  FolderListing(FolderListing&& other) noexcept { swap(other); }
  FolderListing& operator=(FolderListing other) noexcept {  // frees the old folder and buffer
    swap(other);
    return *this;
  }
  ~FolderListing() { close(); }

  // Takes `fd` over; false (and `fd` closed) when it cannot be listed. One
  // listing keeps its buffer from folder to folder; allocating the first may throw.
  bool open(int fd);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // False at the end, or when the folder could not be read further: failed().
  bool next(FolderEntry& entry);
  bool failed() const { return error_ != 0; }
  int error() const { return error_; }  // the errno value that ended it, or 0
  void rewind();

private:
  void swap(FolderListing& other) noexcept {
    std::swap(fd_, other.fd_), std::swap(error_, other.error_), std::swap(dir_, other.dir_);
    std::swap(buffer_, other.buffer_), std::swap(used_, other.used_), std::swap(next_, other.next_);
  }

  int fd_ = -1;
  int error_ = 0;
  void* dir_ = nullptr;                      // the readdir body's DIR
  std::unique_ptr<std::uint64_t[]> buffer_;  // the Linux body's records, 8-byte aligned
  std::size_t used_ = 0, next_ = 0;          // bytes of it filled, and read
};

// Opens the folder `name` in `parentFd` (AT_FDCWD: a path) for listing. Not
// through a symbolic link: a folder swapped for one after it was listed is
// refused rather than entered.
inline int openFolderNoFollow(int parentFd, const char* name) {
  return ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace quillmere
