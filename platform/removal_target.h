#pragma once
// How a path given for removal is taken apart. Shared by the ordinary and the
// privileged removal so that both refuse the same paths.

#include <optional>
#include <string>

namespace quillmere {

struct RemovalTarget {
  std::string path;    // the path without trailing "/"
  std::string parent;  // the folder that holds the entry ("." for a bare name)
  std::string name;    // the entry's own name: never empty, "." or ".."
};

// Nothing for a path that must never be removed: empty, "/" (or only
// slashes), or one whose last component is "." or "..".
std::optional<RemovalTarget> removalTarget(const std::string& path);

}  // namespace quillmere
