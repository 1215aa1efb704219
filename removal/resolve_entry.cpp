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

bool isTrusted(uid_t owner, LinkTrust trust) {
  if (trust == LinkTrust::None) return false;
  return owner == 0 || (trust == LinkTrust::RootOrCurrentUser && owner == geteuid());
}

ComponentStep stopAt(ResolvedEntry::Status status, int error) { return {.stop = status, .error = error}; }

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

bool ResolvedEntry::isGone() const {
  if (status_ == Status::Unreachable) return error_ == ENOENT || error_ == ENOTDIR;
  if (status_ != Status::Reached) return false;
  struct stat st;
  return fstatat(parentFd_.get(), name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

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

using Status = ResolvedEntry::Status;

// Walks the components in `pending` (the next one last) from `folder`. The
// folder reached, or none with `stopped` saying why.
UniqueFd walkFolders(UniqueFd folder, std::vector<std::string> pending, LinkTrust trust, ResolvedEntry& stopped) {
  int links = 0;
  const auto stop = [&](Status status, int error) {
    stopped = {status, error};
    return UniqueFd();
  };
  while (!pending.empty()) {
    const std::string component = std::move(pending.back());
    pending.pop_back();
    if (component == ".") continue;
    ComponentStep step = stepInto(folder.get(), component, trust);
    if (step.folder) {
      folder = std::move(step.folder);
      continue;
    }
    if (!step.isLink) return stop(step.stop, step.error);
    // A link lies on the file system of the folder that holds it.
    if (isOnPseudoFileSystem(folder.get())) return stop(Status::Refused, EPERM);
    if (++links > kMaxLinks || step.linkTarget.empty())
      return stop(Status::Unreachable, step.linkTarget.empty() ? ENOENT : ELOOP);
    // The target is walked the same way, from "/" or from the folder that
    // holds the link, and every link in it must be trusted in turn.
    if (step.linkTarget.front() == '/') {
      folder.reset(open("/", kWalkFolderFlags));
      if (!folder) return stop(Status::Unreachable, errno);
    }
    pushComponents(pending, step.linkTarget);
  }
  return folder;
}

}  // namespace

ResolvedEntry resolveEntry(const std::string& path, LinkTrust trust, const std::string& place) {
  if (path.empty()) return {Status::Unreachable, ENOENT};
  // The entry itself is what was listed: "x/" would name what a link at x
  // points to, and ".", ".." or "/" name no entry that may go.
  std::vector<std::string> pending;
  pushComponents(pending, path);
  if (path.back() == '/' || pending.empty() || isDotOrDotDot(pending.front())) return {Status::Refused, EINVAL};
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

  UniqueFd folder(open(path.front() == '/' ? "/" : ".", kWalkFolderFlags));
  if (!folder) return {Status::Unreachable, errno};
  ResolvedEntry stopped(Status::Unreachable, 0);
  if (!toPlace.empty() && !(folder = walkFolders(std::move(folder), std::move(toPlace), trust, stopped)))
    return stopped;
  folder = walkFolders(std::move(folder), std::move(pending), place.empty() ? trust : LinkTrust::None, stopped);
  if (!folder) return stopped;
  return {std::move(folder), name};
}

}  // namespace quillmere
