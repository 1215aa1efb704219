#include "fsys/path_text.h"

#include <unistd.h>

#include <cerrno>

namespace quillmere {

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string asPathPrefix(const std::string& folder) {
  std::string path = withoutTrailingSlashes(folder);
  return path == "/" ? std::string() : path;
}

std::string_view lastComponent(std::string_view path) { return path.substr(path.rfind('/') + 1); }

bool isDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

bool isBundlePath(std::string_view path) {
  const std::string_view name = lastComponent(path);
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot > 0 && name.substr(dot + 1) == "app";
}

std::string absolutePath(std::string path) {
  if (!path.empty() && path[0] == '/') return path;
  while (path.rfind("./", 0) == 0) {
    path.erase(0, 2);
    while (!path.empty() && path[0] == '/') path.erase(0, 1);
  }
  std::string cwd;
  for (std::size_t size = 256;; size *= 2) {
    cwd.resize(size);
    if (getcwd(cwd.data(), size)) break;
    if (errno != ERANGE) return path;  // no current folder to stand on
  }
  cwd.resize(cwd.find('\0'));
  if (path == ".") return cwd;
  return (cwd == "/" ? "" : cwd) + "/" + path;
}

bool isPrivilegedRemovalPath(std::string_view path) {
  if (path.empty() || path.front() != '/' || path.back() == '/') return false;
  if ((std::string(path) + "/").find("/../") != std::string::npos) return false;
  return lastComponent(path) != ".";
}

std::optional<std::string> privilegedRemovalPath(const std::string& path) {
  std::string stripped = withoutTrailingSlashes(path);
  if (!isPrivilegedRemovalPath(stripped)) return std::nullopt;
  return stripped;
}

}  // namespace quillmere
