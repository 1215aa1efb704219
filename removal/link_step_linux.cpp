#include "removal/link_step.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quillmere {

// The component opened as itself, link or not: its owner is checked and its
// target read through the same descriptor, so no swap between the check and
// the read can slip another link in.
ComponentStep stepInto(int folderFd, const std::string& name, LinkTrust trust) {
  UniqueFd entry(openat(folderFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!entry) return stopAt(ResolvedEntry::Status::Unreachable, errno);
  struct stat st;
  if (fstat(entry.get(), &st) != 0) return stopAt(ResolvedEntry::Status::Unreachable, errno);
  if (S_ISDIR(st.st_mode)) return {.folder = std::move(entry)};
  if (!S_ISLNK(st.st_mode)) return stopAt(ResolvedEntry::Status::Unreachable, ENOTDIR);
  if (!isTrusted(st.st_uid, trust)) return stopAt(ResolvedEntry::Status::Refused, EPERM);
  ComponentStep step;
  step.isLink = true;
  step.linkTarget = readLinkAt(entry.get(), "", step.error);
  if (step.error != 0) return stopAt(ResolvedEntry::Status::Unreachable, step.error);
  return step;
}

}  // namespace quillmere
