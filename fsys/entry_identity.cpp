#include "fsys/entry_identity.h"

#include <limits>

#include "fsys/path_text.h"

namespace quillmere {

std::optional<std::uint64_t> parseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const std::uint64_t digit = std::uint64_t(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<EntryIdentity> identityAtPath(const std::string& path) {
  struct stat st;
  if (::lstat(withoutTrailingSlashes(path).c_str(), &st) != 0) return std::nullopt;
  return identityOf(st);
}

}  // namespace quillmere
