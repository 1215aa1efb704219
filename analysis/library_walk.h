#pragma once
// The bounded walk of one search root: every visible entry one to three levels
// below the root is tested; matches are collected, matched folders are not
// entered, symbolic links are never followed, and folders that cannot be read
// are passed over.

#include <string>
#include <vector>

#include "analysis/name_matcher.h"

namespace quillmere {

// Entries this many levels below a root are the deepest tested.
inline constexpr int kMaxEntryDepth = 3;

// Appends the path of every matching entry below `root` (root text + "/" +
// names, bytes as found) to `found`. Does nothing when `root` is not a
// readable folder (a symbolic link to one is walked).
void collectMatchingEntries(const std::string& root, const NameMatcher& matcher,
                            std::vector<std::string>& found);

}  // namespace quillmere
