#pragma once
// What a listed path named when it was listed: the device, inode and type of
// the entry itself (a final link is never followed). A removal deletes the
// entry at a path only while it is still this one, so a folder renamed to a
// listed name after the list was shown is never taken for the listed entry.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

struct EntryIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t type = 0;  // the S_IFMT bits; 0 when not known (the remover is told device and inode only)

  bool operator==(const EntryIdentity&) const = default;
};

inline EntryIdentity identityOf(const struct stat& st) {
  return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::uint32_t(st.st_mode & S_IFMT)};
}

// True when `st` describes the entry `listed` names (its type too, when known).
inline bool isSameEntry(const struct stat& st, const EntryIdentity& listed) {
  const EntryIdentity now = identityOf(st);
  return now.device == listed.device && now.inode == listed.inode && (listed.type == 0 || now.type == listed.type);
}

// The entry at `path` itself, looked up now; nothing when there is none.
std::optional<EntryIdentity> identityAtPath(const std::string& path);

// Decimal digits only: no sign, no spaces, nothing that overflows.
std::optional<std::uint64_t> parseDecimal(std::string_view text);

}  // namespace quillmere
