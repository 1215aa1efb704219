#include "removal/entry_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

#include "fsys/path_text.h"

namespace quillmere {
namespace {

// A folder on the way is only a place to look names up in: where the system
// can open a folder just for *at() calls, it needs search permission alone,
// exactly as a path lookup would.
#if defined(O_PATH)
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#elif defined(O_SEARCH)
constexpr int kFolderFlags = O_SEARCH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// As many links as the system itself follows in one lookup: enough for any
// real chain, and it ends a loop.
constexpr int kMaxLinks = 40;

bool isTrusted(uid_t owner, LinkTrust trust) {
  return owner == 0 || (trust == LinkTrust::RootOrCurrentUser && owner == geteuid());
}

// One component of the way: a folder to go on from, a trusted link to follow,
// or the end of the walk.
struct Step {
  int folderFd = -1;
  std::string linkTarget;
  bool isLink = false;
  WalkedEntry::Status stop = WalkedEntry::Status::Reached;  // Reached: not stopped
  int error = 0;
};

Step stopAt(WalkedEntry::Status status, int error) {
  Step step;
  step.stop = status;
  step.error = error;
  return step;
}

std::string readLinkAt(int dirFd, const char* name, int& error) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlinkat(dirFd, name, target.data(), target.size());
  if (length < 0 || std::size_t(length) >= target.size()) {
    error = length < 0 ? errno : ENAMETOOLONG;
    return {};
  }
  target.resize(std::size_t(length));
  return target;
}

#if defined(__linux__)
// The component opened as itself, link or not: its owner is checked and its
// target read through the same descriptor, so no swap between the check and
// the read can slip another link in.
Step stepInto(int folderFd, const std::string& name, LinkTrust trust) {
  const int fd = openat(folderFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return stopAt(WalkedEntry::Status::Unreachable, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    close(fd);
    return stopAt(WalkedEntry::Status::Unreachable, error);
  }
  if (S_ISDIR(st.st_mode)) {
    Step step;
    step.folderFd = fd;
    return step;
  }
  if (!S_ISLNK(st.st_mode)) {
    close(fd);
    return stopAt(WalkedEntry::Status::Unreachable, ENOTDIR);
  }
  if (!isTrusted(st.st_uid, trust)) {
    close(fd);
    return stopAt(WalkedEntry::Status::Refused, EPERM);
  }
  Step step;
  step.isLink = true;
  step.linkTarget = readLinkAt(fd, "", step.error);
  close(fd);
  if (step.error != 0) return stopAt(WalkedEntry::Status::Unreachable, step.error);
  return step;
}
#else
bool sameLink(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_uid == b.st_uid &&
         a.st_ctimespec.tv_sec == b.st_ctimespec.tv_sec &&
         a.st_ctimespec.tv_nsec == b.st_ctimespec.tv_nsec;
}

// Without a descriptor for the link itself, it is looked at before and after
// its target is read: a link renamed away and back in between has a new
// change time, so another link read in the meantime cannot pass for it.
Step stepInto(int folderFd, const std::string& name, LinkTrust trust) {
  const int fd = openat(folderFd, name.c_str(), kFolderFlags | O_NOFOLLOW);
  if (fd >= 0) {
    Step step;
    step.folderFd = fd;
    return step;
  }
  if (errno != ELOOP && errno != ENOTDIR) return stopAt(WalkedEntry::Status::Unreachable, errno);
  struct stat before, after;
  if (fstatat(folderFd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0)
    return stopAt(WalkedEntry::Status::Unreachable, errno);
  if (!S_ISLNK(before.st_mode)) return stopAt(WalkedEntry::Status::Unreachable, ENOTDIR);
  if (!isTrusted(before.st_uid, trust)) return stopAt(WalkedEntry::Status::Refused, EPERM);
  Step step;
  step.isLink = true;
  step.linkTarget = readLinkAt(folderFd, name.c_str(), step.error);
  if (step.error != 0) return stopAt(WalkedEntry::Status::Unreachable, step.error);
  if (fstatat(folderFd, name.c_str(), &after, AT_SYMLINK_NOFOLLOW) != 0 || !sameLink(before, after))
    return stopAt(WalkedEntry::Status::Refused, EAGAIN);
  return step;
}
#endif

// Pushes the components of `path` so that the first one is taken next.
void pushComponents(std::vector<std::string>& pending, const std::string& path) {
  std::vector<std::string> components;
  std::size_t from = 0;
  while (from <= path.size()) {
    std::size_t slash = path.find('/', from);
    if (slash == std::string::npos) slash = path.size();
    if (slash > from) components.push_back(path.substr(from, slash - from));
    from = slash + 1;
  }
  pending.insert(pending.end(), components.rbegin(), components.rend());
}

}  // namespace

WalkedEntry::WalkedEntry(WalkedEntry&& other) noexcept
    : status_(other.status_),
      error_(other.error_),
      parentFd_(std::exchange(other.parentFd_, -1)),
      name_(std::move(other.name_)) {}

WalkedEntry& WalkedEntry::operator=(WalkedEntry&& other) noexcept {
  if (this != &other) {
    if (parentFd_ >= 0) close(parentFd_);
    status_ = other.status_;
    error_ = other.error_;
    parentFd_ = std::exchange(other.parentFd_, -1);
    name_ = std::move(other.name_);
  }
  return *this;
}

WalkedEntry::~WalkedEntry() {
  if (parentFd_ >= 0) close(parentFd_);
}

bool WalkedEntry::isGone() const {
  if (status_ == Status::Unreachable) return error_ == ENOENT || error_ == ENOTDIR;
  if (status_ != Status::Reached) return false;
  struct stat st;
  return fstatat(parentFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

WalkedEntry walkToEntry(const std::string& path, LinkTrust trust) {
  using Status = WalkedEntry::Status;
  if (path.empty()) return {Status::Unreachable, ENOENT};
  // The entry itself is what was listed: "x/" would name what a link at x
  // points to, and ".", ".." or "/" name no entry that may go.
  std::vector<std::string> pending;
  pushComponents(pending, path);
  if (path.back() == '/' || pending.empty() || isDotOrDotDot(pending.front()))
    return {Status::Refused, EINVAL};
  const std::string name = pending.front();
  pending.erase(pending.begin());

  int folderFd = open(path.front() == '/' ? "/" : ".", kFolderFlags);
  if (folderFd < 0) return {Status::Unreachable, errno};
  int links = 0;
  while (!pending.empty()) {
    const std::string component = std::move(pending.back());
    pending.pop_back();
    if (component == ".") continue;
    Step step = stepInto(folderFd, component, trust);
    if (step.folderFd >= 0) {
      close(folderFd);
      folderFd = step.folderFd;
      continue;
    }
    if (!step.isLink) {
      close(folderFd);
      return {step.stop, step.error};
    }
    if (++links > kMaxLinks || step.linkTarget.empty()) {
      close(folderFd);
      return {Status::Unreachable, step.linkTarget.empty() ? ENOENT : ELOOP};
    }
    // The target is walked the same way, from "/" or from the folder that
    // holds the link, and every link in it must be trusted in turn.
    if (step.linkTarget.front() == '/') {
      const int rootFd = open("/", kFolderFlags);
      close(folderFd);
      if (rootFd < 0) return {Status::Unreachable, errno};
      folderFd = rootFd;
    }
    pushComponents(pending, step.linkTarget);
  }
  return {folderFd, name};
}

}  // namespace quillmere
