#pragma once
// The bounded walk of the search roots: every visible entry one to three
// levels below a root is tested; matches are collected, matched folders are
// not entered (whichever name rule took them, the spelling rule among them),
// symbolic links are never followed, and folders that cannot be
// read are passed over (and, on request, named).

#include <string>
#include <vector>

#include "matching/name_matcher.h"
#include "fsys/search_places.h"
#include "model/app_info.h"

namespace quillmere {

// Entries this many levels below a root are the deepest tested: as deep as
// the privileged remover takes.
inline constexpr int kMaxEntryDepth = kLibraryFolderDepth;

// Appends the path of every matching entry below `root` (root text + "/" +
// names, bytes as found) to `found`, in the order the folders list them, on
// the calling thread. Does nothing when `root` is not a readable folder (a
// symbolic link to one is walked).
void collectMatchingEntries(const std::string& root, const NameMatcher& matcher,
                            std::vector<std::string>& found);

// The same walk over every root in turn, on up to `threads` threads (the
// calling thread among them): each root's first level is read here, and the
// folders found there are shared out. The result, order included, is what
// the one-root walk above gives for each root in turn. The folders the system
// refused to list (permission, privacy protection) are added to
// `unreadable`, when given, in search order.
//
// With a `marker`, also says which first-level folders it listed to the end
// without finding an entry of that name directly inside (hidden or not):
// what a later search need not open to learn it is absent.
struct FolderMarker {
  const char* name = nullptr;
  std::vector<std::string> absentIn;  // root text + "/" + name, in walk order
};
std::vector<std::string> collectMatchingEntries(const std::vector<std::string>& roots,
                                                const NameMatcher& matcher, unsigned threads,
                                                std::vector<UnreadableFolder>* unreadable = nullptr,
                                                FolderMarker* marker = nullptr);

// The walk's pool: one thread per core, at most four.
unsigned walkThreadCount();

}  // namespace quillmere
