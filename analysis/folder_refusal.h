#pragma once
// Which errors met opening or listing a folder mean the search was refused
// (and so may have missed something), as opposed to a folder that went away
// or was swapped for a link meanwhile.

#include <cerrno>
#include <optional>

#include "model/app_info.h"

namespace quillmere {

inline std::optional<Refusal> refusalOf(int error) {
  if (error == EACCES) return Refusal::Permission;
#if defined(__APPLE__)
  // The privacy protection refuses with EPERM where permissions would allow.
  if (error == EPERM) return Refusal::Privacy;
#else
  if (error == EPERM) return Refusal::Permission;
#endif
  return std::nullopt;
}

}  // namespace quillmere
