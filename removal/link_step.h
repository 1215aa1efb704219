#pragma once
// One component of the walk to an entry (resolve_entry.cpp): the part that
// differs by platform. link_step_linux.cpp opens a link itself (O_PATH);
// link_step_posix.cpp, for systems without that (macOS), looks at the link
// before and after reading it. CMake picks one; QUILLMERE_PORTABLE_BODIES
// builds the second on Linux too, so that its tests run where we build.

#include <fcntl.h>
#include <sys/types.h>

#include <string>

#include "fsys/unique_fd.h"
#include "removal/resolve_entry.h"

namespace quillmere {

// A folder on the way is only a place to look names up in: where the system
// can open a folder just for *at() calls, it needs search permission alone,
// exactly as a path lookup would.
#if defined(O_PATH)
constexpr int kWalkFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#elif defined(O_SEARCH)
constexpr int kWalkFolderFlags = O_SEARCH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kWalkFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// A folder to go on from, a trusted link to follow, or the end of the walk.
struct ComponentStep {
  UniqueFd folder{};
  std::string linkTarget{};
  bool isLink = false;
  ResolvedEntry::Status stop = ResolvedEntry::Status::Reached;  // Reached: not stopped
  int error = 0;
};

// Takes the component `name` of the folder `folderFd`, following a link only
// when its owner is trusted. The platform's body.
ComponentStep stepInto(int folderFd, const std::string& name, LinkTrust trust);

// Shared by both bodies (resolve_entry.cpp).
ComponentStep stopAt(ResolvedEntry::Status status, int error);
bool isTrusted(uid_t owner, LinkTrust trust);
std::string readLinkAt(int dirFd, const char* name, int& error);

}  // namespace quillmere
