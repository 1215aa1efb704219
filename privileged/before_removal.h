#pragma once
// What the remover does with a reached entry just before deleting it. On
// macOS a launchd daemon's job is stopped (before_removal_mac.cpp): its
// domain is the system's, which only root may change, so it is done in the
// run the user already authorised. Elsewhere nothing (before_removal_posix.cpp).

namespace quillmere {

// `parentFd` is the verified folder holding `name`; `path` the listed path.
void beforeRemoval(int parentFd, const char* name, const char* path);

}  // namespace quillmere
