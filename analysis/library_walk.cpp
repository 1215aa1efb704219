#include "analysis/library_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

namespace quillmere {
namespace {

enum class EntryKind { Folder, Other, Gone };

struct OpenFolder {
  DIR* dir = nullptr;
  std::size_t pathLength = 0;   // length of this folder's path in the path buffer
  bool belowNameFolder = false; // its relative text already holds "/name/"
};

// At most kMaxEntryDepth folders are open at once (the root and the two levels
// whose children are still tested), so the walk needs no recursion and a
// fixed number of descriptors however large the tree is.
class FolderStack {
public:
  ~FolderStack() {
    while (size_ > 0) pop();
  }
  bool push(int fd, std::size_t pathLength, bool belowNameFolder) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      ::close(fd);
      return false;
    }
    folders_[size_++] = OpenFolder{dir, pathLength, belowNameFolder};
    return true;
  }
  void pop() { ::closedir(folders_[--size_].dir); }
  OpenFolder& top() { return folders_[size_ - 1]; }
  int size() const { return size_; }

private:
  std::array<OpenFolder, kMaxEntryDepth> folders_{};
  int size_ = 0;
};

bool isHidden(int parentFd, const dirent* entry, struct stat* info, bool* haveInfo) {
  if (entry->d_name[0] == '.') return true;  // also skips "." and ".."
#if defined(__APPLE__)
  // The Finder also hides entries carrying the hidden flag.
  *haveInfo = ::fstatat(parentFd, entry->d_name, info, AT_SYMLINK_NOFOLLOW) == 0;
  return *haveInfo && (info->st_flags & UF_HIDDEN) != 0;
#else
  (void)parentFd;
  (void)info;
  *haveInfo = false;
  return false;
#endif
}

EntryKind kindOf(int parentFd, const dirent* entry, struct stat* info, bool haveInfo) {
  unsigned char type = entry->d_type;
  if (type == DT_UNKNOWN) {
    // Some file systems do not fill in d_type; a symbolic link is never followed.
    if (!haveInfo && ::fstatat(parentFd, entry->d_name, info, AT_SYMLINK_NOFOLLOW) != 0)
      return EntryKind::Gone;
    return S_ISDIR(info->st_mode) ? EntryKind::Folder : EntryKind::Other;
  }
  return type == DT_DIR ? EntryKind::Folder : EntryKind::Other;
}

}  // namespace

void collectMatchingEntries(const std::string& root, const NameMatcher& matcher,
                            std::vector<std::string>& found) {
  // The root itself may be a symbolic link (as the platform's walk allows);
  // nothing below it is followed.
  int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootFd < 0) return;
  FolderStack stack;
  if (!stack.push(rootFd, root.size(), false)) return;

  std::string path = root;  // the path of the entry at hand, built in place
  while (stack.size() > 0) {
    OpenFolder& folder = stack.top();
    const dirent* entry = ::readdir(folder.dir);
    if (!entry) {  // the end, or a folder that stopped being readable
      stack.pop();
      continue;
    }
    const int parentFd = ::dirfd(folder.dir);
    struct stat info;
    bool haveInfo = false;
    if (isHidden(parentFd, entry, &info, &haveInfo)) continue;

    const int depth = stack.size();  // levels below the root of this entry
    std::string_view name(entry->d_name);
    if (folder.belowNameFolder || matcher.matchesName(name)) {
      // Listed once as a whole: a matched folder is not entered.
      path.resize(folder.pathLength);
      path += '/';
      path += name;
      found.push_back(path);
      continue;
    }
    // Children of an entry this deep would be too deep to be tested.
    if (depth >= kMaxEntryDepth) continue;
    if (kindOf(parentFd, entry, &info, haveInfo) != EntryKind::Folder) continue;

    // O_NOFOLLOW: should the folder be swapped for a link meanwhile, it is not followed.
    int fd = ::openat(parentFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;  // unreadable or vanished: passed over
    bool belowNameFolder = folder.belowNameFolder || matcher.isNameFolder(name);
    path.resize(folder.pathLength);
    path += '/';
    path += name;
    stack.push(fd, path.size(), belowNameFolder);
  }
}

}  // namespace quillmere
