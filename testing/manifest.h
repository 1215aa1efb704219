#pragma once
// A manifest of every entry below a folder — type, permissions, size, a hash
// of the contents and the target of each symbolic link — taken without
// following any link, so that a removal can be checked entry by entry.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillmere::safety {

struct ManifestEntry {
  char type = '?';          // 'd' folder, 'f' file, 'l' link, 'o' other
  mode_t mode = 0;          // permission bits
  std::uint64_t size = 0;   // files only
  std::uint64_t hash = 0;   // FNV-1a of a file's bytes
  std::string linkTarget;   // links only, as stored

  bool operator==(const ManifestEntry&) const = default;
};

// Path (bytes) to entry, for every entry below `top` (not `top` itself).
using Manifest = std::map<std::string, ManifestEntry>;

Manifest takeManifest(const std::string& top);

// True when `path` is `listed` or lies inside it.
bool isAtOrBelow(const std::string& path, const std::string& listed);

// Everything wrong with a removal of `listed` (paths without trailing "/"):
// an entry at or below a listed path that is still there, an entry elsewhere
// that is gone or changed, or an entry that was not there before. Empty when
// exactly the listed paths (and everything beneath listed folders) are gone.
std::vector<std::string> removalViolations(const Manifest& before, const Manifest& after,
                                           const std::vector<std::string>& listed);

// Printable form of a path whose bytes may be anything.
std::string printable(const std::string& path);

}  // namespace quillmere::safety
