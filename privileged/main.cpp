// quillmere-remover: removes listed entries with the rights it was started
// with — root, once pkexec or the administrator AppleScript has asked the
// user, once for the whole removal. It runs as root, so it takes as little as
// it can: the request of removal_request.h, each PATH of a shape the search
// lists for the user who asked; anything else is a usage error (exit 2) and
// nothing is touched. On the way to an entry only links owned by root are
// followed, never one on a pseudo file system; the entry goes only while it
// is still the listed one; inside it no folder of a third user is entered.
// The report says, per entry, whether it went; exit 0 only when every one did.

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fsys/entry_identity.h"
#include "fsys/search_places.h"
#include "privileged/asking_user.h"
#include "privileged/before_removal.h"
#include "privileged/removal_request.h"
#include "removal/resolve_entry.h"
#include "removal/tree_removal.h"

namespace {

using namespace quillmere;

constexpr int kRemoved = 0;
constexpr int kNotRemoved = 1;
constexpr int kUsage = 2;

struct Entry : PrivilegedEntry {
  bool bundle = false;  // accepted only as a folder
};

// Where reaching the entry stopped, or why the entry stayed.
const char* whyNotRemoved(const ResolvedEntry& resolved) {
  if (resolved.status() == ResolvedEntry::Status::Refused) return "a link on the way is not followed";
  if (resolved.status() == ResolvedEntry::Status::Unreachable) return "a folder on the way cannot be searched";
  return "it is not the listed entry, or something in it stays";
}

}  // namespace

int main(int argc, char** argv) {
  const auto asker = askingUser();
  std::vector<Entry> entries;
  const auto request = readRemoverArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  bool usable = asker && request;
  for (std::size_t i = 0; usable && i < request->size(); ++i) {
    const PrivilegedEntry& asked = (*request)[i];
    const RemovableShape shape = removableShape(asked.path, asker->home);
    usable = shape != RemovableShape::Outside;
    if (usable) entries.push_back({asked, shape == RemovableShape::Bundle});
  }
  if (!usable) {
    std::fputs(kRemoverUsage, stderr);
    std::fputs("Each PATH is an application bundle, or lies one to N components below one of\n"
               "these folders (~ being the home folder of the user who asked); DEV:INO is what\n"
               "it was when listed.\n",
               stderr);
    for (const SearchPlace& place : kLibraryAndBackgroundPlaces)
      std::fprintf(stderr, "  N=%d  %s%.*s\n", place.maxDepth, place.inHome ? "~" : "",
                   int(place.folder.size()), place.folder.data());
    return kUsage;
  }

  int status = kRemoved;
  for (const Entry& entry : entries) {
    const ResolvedEntry resolved = resolveEntry(entry.path, LinkTrust::Root);
    const RemovalGuard guard{entry.identity, entry.bundle, asker->uid};
    bool removed = resolved.isGone();
    if (!removed && resolved.status() == ResolvedEntry::Status::Reached) {
      // What goes first with the entry (a background job on macOS) goes only
      // for the listed entry.
      struct stat st;
      if (fstatat(resolved.parentFd(), resolved.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          isSameEntry(st, entry.identity))
        beforeRemoval(resolved.parentFd(), resolved.name().c_str(), entry.path.c_str());
      removed = removeEntryAt(resolved.parentFd(), resolved.name().c_str(), guard);
    }
    std::fputs(reportLine(entry.path, removed, whyNotRemoved(resolved)).c_str(), stdout);
    if (!removed) status = kNotRemoved;
  }
  return std::fflush(stdout) == 0 ? status : kNotRemoved;
}
