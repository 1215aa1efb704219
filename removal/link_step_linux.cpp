#include "removal/link_step.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quillmere {

// The component opened as itself, link or not: its owner is checked and its
// target read through the same descriptor, so no swap between the check and
// the read can slip another link in.
ComponentStep stepInto(int folderFd, const std::string& name, LinkTrust trust) {
  const int fd = openat(folderFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return stopAt(ResolvedEntry::Status::Unreachable, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    close(fd);
    return stopAt(ResolvedEntry::Status::Unreachable, error);
  }
  if (S_ISDIR(st.st_mode)) {
    ComponentStep step;
    step.folderFd = fd;
    return step;
  }
  if (!S_ISLNK(st.st_mode)) {
    close(fd);
    return stopAt(ResolvedEntry::Status::Unreachable, ENOTDIR);
  }
  if (!isTrusted(st.st_uid, trust)) {
    close(fd);
    return stopAt(ResolvedEntry::Status::Refused, EPERM);
  }
  ComponentStep step;
  step.isLink = true;
  step.linkTarget = readLinkAt(fd, "", step.error);
  close(fd);
  if (step.error != 0) return stopAt(ResolvedEntry::Status::Unreachable, step.error);
  return step;
}

}  // namespace quillmere
