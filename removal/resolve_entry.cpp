#include "removal/resolve_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "fsys/entry_marks.h"
#include "fsys/path_text.h"
#include "removal/link_step.h"

namespace quillmere {
namespace {

// As many links as the system itself follows in one lookup: enough for any
// real chain, and it ends a loop.
constexpr int kMaxLinks = 40;

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

bool isTrusted(uid_t owner, LinkTrust trust) {
  if (trust == LinkTrust::None) return false;
  return owner == 0 || (trust == LinkTrust::RootOrCurrentUser && owner == geteuid());
}

ComponentStep stopAt(ResolvedEntry::Status status, int error) {
  ComponentStep step;
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

ResolvedEntry::ResolvedEntry(ResolvedEntry&& other) noexcept
    : status_(other.status_),
      error_(other.error_),
      parentFd_(std::exchange(other.parentFd_, -1)),
      name_(std::move(other.name_)) {}

ResolvedEntry& ResolvedEntry::operator=(ResolvedEntry&& other) noexcept {
  if (this != &other) {
    if (parentFd_ >= 0) close(parentFd_);
    status_ = other.status_;
    error_ = other.error_;
    parentFd_ = std::exchange(other.parentFd_, -1);
    name_ = std::move(other.name_);
  }
  return *this;
}

ResolvedEntry::~ResolvedEntry() {
  if (parentFd_ >= 0) close(parentFd_);
}

bool ResolvedEntry::isGone() const {
  if (status_ == Status::Unreachable) return error_ == ENOENT || error_ == ENOTDIR;
  if (status_ != Status::Reached) return false;
  struct stat st;
  return fstatat(parentFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

namespace {

using Status = ResolvedEntry::Status;

// Walks the components in `pending` (the next one last) from `folderFd`, which
// it takes over. The folder reached, or -1 with `stopped` saying why.
int walkFolders(int folderFd, std::vector<std::string> pending, LinkTrust trust, ResolvedEntry& stopped) {
  int links = 0;
  const auto stop = [&](Status status, int error) {
    close(folderFd);
    stopped = {status, error};
    return -1;
  };
  while (!pending.empty()) {
    const std::string component = std::move(pending.back());
    pending.pop_back();
    if (component == ".") continue;
    ComponentStep step = stepInto(folderFd, component, trust);
    if (step.folderFd >= 0) {
      close(folderFd);
      folderFd = step.folderFd;
      continue;
    }
    if (!step.isLink) return stop(step.stop, step.error);
    // A link lies on the file system of the folder that holds it.
    if (isOnPseudoFileSystem(folderFd)) return stop(Status::Refused, EPERM);
    if (++links > kMaxLinks || step.linkTarget.empty())
      return stop(Status::Unreachable, step.linkTarget.empty() ? ENOENT : ELOOP);
    // The target is walked the same way, from "/" or from the folder that
    // holds the link, and every link in it must be trusted in turn.
    if (step.linkTarget.front() == '/') {
      const int rootFd = open("/", kWalkFolderFlags);
      if (rootFd < 0) return stop(Status::Unreachable, errno);
      close(folderFd);
      folderFd = rootFd;
    }
    pushComponents(pending, step.linkTarget);
  }
  return folderFd;
}

}  // namespace

ResolvedEntry resolveEntry(const std::string& path, LinkTrust trust, const std::string& place) {
  if (path.empty()) return {Status::Unreachable, ENOENT};
  // The entry itself is what was listed: "x/" would name what a link at x
  // points to, and ".", ".." or "/" name no entry that may go.
  std::vector<std::string> pending;
  pushComponents(pending, path);
  if (path.back() == '/' || pending.empty() || isDotOrDotDot(pending.front()))
    return {Status::Refused, EINVAL};
  const std::string name = pending.front();
  pending.erase(pending.begin());
  std::vector<std::string> toPlace;
  if (!place.empty()) {
    if (place.front() != '/' || path.size() <= place.size() + 1 || path.compare(0, place.size(), place) != 0 ||
        path[place.size()] != '/')
      return {Status::Refused, EINVAL};
    pushComponents(toPlace, place);
    pending.resize(pending.size() - std::min(pending.size(), toPlace.size()));
  }

  int folderFd = open(path.front() == '/' ? "/" : ".", kWalkFolderFlags);
  if (folderFd < 0) return {Status::Unreachable, errno};
  ResolvedEntry stopped(Status::Unreachable, 0);
  if (!toPlace.empty() && (folderFd = walkFolders(folderFd, std::move(toPlace), trust, stopped)) < 0) return stopped;
  folderFd = walkFolders(folderFd, std::move(pending), place.empty() ? trust : LinkTrust::None, stopped);
  if (folderFd < 0) return stopped;
  return {folderFd, name};
}

}  // namespace quillmere
