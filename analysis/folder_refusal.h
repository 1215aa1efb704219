#pragma once
// Which errors met opening or listing a folder mean the search was refused
// (and so may have missed something), as opposed to a folder that went away
// or was swapped for a link meanwhile.

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/scan_failure.h"
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

// A folder the search could not open or read is passed over, or fails the
// search (scan_failure.h). One the system refused (permission, privacy
// protection) is added to `refused`, when given: the list may miss what it holds.
inline void passOver(std::vector<UnreadableFolder>* refused, std::string_view path, int error) {
  if (const std::optional<Refusal> reason = refusalOf(error); reason && refused)
    refused->push_back(UnreadableFolder{std::string(path), *reason});
  passOverOrFail(error, path);
}

}  // namespace quillmere
