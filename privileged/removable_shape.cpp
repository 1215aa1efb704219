#include "privileged/removal_request.h"

#include "fsys/path_text.h"
#include "fsys/search_places.h"

namespace quillmere {
namespace {

// The number of components of `path` below `folder`, when it lies below it.
std::optional<int> depthBelow(std::string_view path, std::string_view folder) {
  if (path.size() <= folder.size() + 1 || path.substr(0, folder.size()) != folder || path[folder.size()] != '/')
    return std::nullopt;
  int depth = 1;
  for (std::size_t i = folder.size() + 1; i < path.size(); ++i) depth += path[i] == '/';
  return depth;
}

bool allComponentsPlain(std::string_view path) {
  if (path.size() < 2 || path.front() != '/') return false;
  for (std::size_t from = 1; from <= path.size();) {
    std::size_t slash = path.find('/', from);
    if (slash == std::string_view::npos) slash = path.size();
    const std::string_view component = path.substr(from, slash - from);
    if (component.empty() || isDotOrDotDot(component)) return false;
    from = slash + 1;
  }
  return true;
}

}  // namespace

RemovableShape removableShape(std::string_view path, const std::optional<std::string>& home) {
  if (!allComponentsPlain(path)) return RemovableShape::Outside;
  for (const SearchPlace& place : kLibraryAndBackgroundPlaces) {
    if (place.inHome && (!home || home->empty() || !allComponentsPlain(*home))) continue;
    const std::string folder = (place.inHome ? *home : std::string()) + std::string(place.folder);
    const auto depth = depthBelow(path, folder);
    if (depth && *depth <= place.maxDepth) return RemovableShape::Listed;
  }
  return isBundlePath(path) ? RemovableShape::Bundle : RemovableShape::Outside;
}

}  // namespace quillmere
