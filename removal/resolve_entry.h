#pragma once
// Reaches the folder that holds a listed entry through descriptors: from "/"
// (the working folder for a relative path) one component at a time, each
// opened without following a symbolic link. A link met on the way is followed
// only when its owner is trusted; the last component is never followed. Both
// the ordinary removal and the privileged remover reach their entries through this,
// so no folder swapped for a link while the list was shown can redirect them.

#include <string>

#include "fsys/unique_fd.h"

namespace quillmere {

enum class LinkTrust {
  Root,               // the privileged remover: only links owned by root
  RootOrCurrentUser,  // the ordinary removal: also the effective user's own links
  None,               // below the place the privileged remover's path starts in
};

class ResolvedEntry {
public:
  enum class Status {
    Reached,      // parentFd() is the folder that holds name() (which may not exist)
    Unreachable,  // a folder on the way is missing, not a folder, or cannot be searched
    Refused,      // a link owned by someone untrusted, or lying on a pseudo file system
                  // such as /proc, stands in the way, or the path
                  // names no entry that may be removed ("/", "x/.", "x/..", "x/")
  };

  ResolvedEntry(Status status, int error) : status_(status), error_(error) {}
  ResolvedEntry(UniqueFd parentFd, std::string name) : parentFd_(std::move(parentFd)), name_(std::move(name)) {}

  Status status() const { return status_; }
  int error() const { return error_; }  // errno of what stopped it
  int parentFd() const { return parentFd_.get(); }
  const std::string& name() const { return name_; }

  // Nothing at the entry: reaching it ended at a missing folder or at something
  // that is not one, or the reached folder holds no such name.
  bool isGone() const;

private:
  Status status_ = Status::Reached;
  int error_ = 0;
  UniqueFd parentFd_;
  std::string name_;
};

// The path is taken as it stands: a trailing "/" is refused, not stripped.
// With a `place` (a folder the path lies below), links are followed as
// `trust` says only on the way to that folder, and none at all below it:
// whoever may put a link there — the user, or root's link the user moved in —
// cannot lead the walk elsewhere. A path not below `place` is refused.
ResolvedEntry resolveEntry(const std::string& path, LinkTrust trust, const std::string& place = {});

}  // namespace quillmere
