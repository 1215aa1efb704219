#pragma once
// A bind mount for tests that run as root (Linux): shows one folder at
// another place, as a mount inside a listed tree would.

#include <sys/mount.h>

#include <string>

namespace quillmere::fixtures {

// Shows `from` at `to` until the end of the test, and is undone before the
// folder is cleaned up (which would otherwise empty `from` through it).
struct BindMount {
  std::string at;
  bool mounted;
  BindMount(const std::string& from, const std::string& to)
      : at(to), mounted(::mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) == 0) {}
  ~BindMount() {
    if (mounted) ::umount2(at.c_str(), MNT_DETACH);
  }
};

}  // namespace quillmere::fixtures
