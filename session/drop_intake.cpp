#include "session/drop_intake.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "fsys/path_text.h"

namespace quillmere {
namespace {

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes %XX escapes to the bytes they stand for, whatever those are (the
// path need not be UTF-8). A "%" not followed by two hex digits makes the
// whole text unusable rather than being guessed at.
std::optional<std::string> percentDecode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = hexDigitValue(text[i + 1]);
    int low = hexDigitValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return bytes;
}

}  // namespace

// Only an absolute, local file URL is turned into a path: the path ends up in
// a removal, so anything that would need guessing (a relative reference, a
// remote host, a malformed escape, a NUL byte) is rejected instead.
std::optional<std::string> appPathFromDroppedUrl(std::string_view url) {
  // Spaces and control characters never appear in an encoded URL; text that
  // holds them (several lines of a uri-list, stray whitespace) is not one.
  if (std::any_of(url.begin(), url.end(), [](unsigned char c) { return c <= 0x20 || c == 0x7F; })) return std::nullopt;
  constexpr std::string_view kScheme = "file:";
  if (!equalsIgnoringAsciiCase(url.substr(0, kScheme.size()), kScheme)) return std::nullopt;
  std::string_view rest = url.substr(kScheme.size());
  // The query and the fragment are not part of the path; a "?" or "#" that
  // belongs to a file name arrives escaped.
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    if (!authority.empty() && !equalsIgnoringAsciiCase(authority, "localhost")) return std::nullopt;
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  if (!rest.starts_with('/')) return std::nullopt;

  std::optional<std::string> path = percentDecode(rest);
  if (!path || path->find('\0') != std::string::npos) return std::nullopt;
  *path = withoutTrailingSlashes(std::move(*path));
  if (!isBundlePath(*path)) return std::nullopt;
  return path;
}

}  // namespace quillmere
