#include "platform/removal_target.h"

#include "fsys/path_text.h"

namespace quillmere {

std::optional<RemovalTarget> removalTarget(const std::string& path) {
  // A trailing "/" would make the system resolve a final symbolic link and
  // act on what it points to; the entry itself is what was listed.
  std::string stripped = withoutTrailingSlashes(path);
  std::string name(lastComponent(stripped));
  if (name.empty() || isDotOrDotDot(name)) return std::nullopt;

  const std::size_t slash = stripped.rfind('/');
  std::string parent = slash == std::string::npos ? "."
                       : slash == 0                 ? "/"
                                                    : withoutTrailingSlashes(stripped.substr(0, slash));
  return RemovalTarget{std::move(stripped), std::move(parent), std::move(name)};
}

}  // namespace quillmere
