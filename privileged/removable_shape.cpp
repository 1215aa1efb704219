#include "privileged/removal_request.h"

#include <algorithm>
#include <utility>

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

// The code point starting at text[at] and its length; length 0 when the bytes
// there are not UTF-8 (overlong forms and surrogates included).
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return {0, 0};
  char32_t codePoint = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {0, 0};
    codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return {0, 0};
  return {codePoint, length};
}

}  // namespace

bool rewritesText(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x61C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool showsAsItself(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto [codePoint, length] = decodeUtf8(text, at);
    // A byte that is not UTF-8 is shown on its own, and in 0x80-0x9F an
    // eight-bit terminal takes it for a C1 control.
    if (rewritesText(length == 0 ? static_cast<unsigned char>(text[at]) : codePoint)) return false;
    at += std::max<std::size_t>(length, 1);
  }
  return true;
}

RemovablePlace removablePlace(std::string_view path, const std::optional<std::string>& home) {
  if (!allComponentsPlain(path)) return {};
  const bool homeUsable = home && !home->empty() && allComponentsPlain(*home);
  for (const SearchPlace& place : kLibraryAndBackgroundPlaces) {
    if (place.inHome && !homeUsable) continue;
    std::string folder = (place.inHome ? *home : std::string()) + std::string(place.folder);
    const auto depth = depthBelow(path, folder);
    if (depth && *depth <= place.maxDepth) return {RemovableShape::Listed, std::move(folder)};
  }
  if (!isBundlePath(path)) return {};
  // The system's own components live below these; no bundle there is ever
  // the user's to remove, whoever owns it.
  for (const std::string_view system : {"/System", "/Library", "/usr", "/bin", "/sbin", "/private"})
    if (depthBelow(path, system)) return {};
  std::string parent(path.substr(0, path.rfind('/')));
  const bool inApplications =
      depthBelow(path, "/Applications") || (homeUsable && depthBelow(path, *home + "/Applications"));
  return {RemovableShape::Bundle, std::move(parent), !inApplications};
}

}  // namespace quillmere
