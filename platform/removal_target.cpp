#include "platform/removal_target.h"

namespace quillmere {

std::optional<RemovalTarget> removalTarget(const std::string& path) {
  std::string stripped = path;
  // A trailing "/" would make the system resolve a final symbolic link and
  // act on what it points to; the entry itself is what was listed.
  while (!stripped.empty() && stripped.back() == '/') stripped.pop_back();
  if (stripped.empty()) return std::nullopt;

  const std::size_t slash = stripped.rfind('/');
  std::string name = slash == std::string::npos ? stripped : stripped.substr(slash + 1);
  if (name == "." || name == "..") return std::nullopt;

  std::string parent;
  if (slash == std::string::npos) {
    parent = ".";
  } else {
    parent = stripped.substr(0, slash);
    while (!parent.empty() && parent.back() == '/') parent.pop_back();
    if (parent.empty()) parent = "/";
  }
  return RemovalTarget{std::move(stripped), std::move(parent), std::move(name)};
}

std::optional<std::string> privilegedRemovalPath(const std::string& path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  // Our remover refuses a ".." anywhere (it runs as root); no password is
  // asked for a path it would turn down.
  if ((path + "/").find("/../") != std::string::npos) return std::nullopt;
  auto target = removalTarget(path);
  if (!target) return std::nullopt;
  return std::move(target->path);
}

}  // namespace quillmere
