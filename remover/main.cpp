// quillmere-remover: removes listed entries with the rights it was started
// with — root, once pkexec or the administrator AppleScript has asked the
// user, once for the whole removal. It runs as root, so it takes as little as
// it can:
//
//   quillmere-remover --entry DEV:INO PATH [--entry DEV:INO PATH]...
//
// each PATH of a shape the search lists for the user who asked, DEV:INO what
// it was when listed (decimal, as `stat` prints them). Anything else is a
// usage error (exit 2) and nothing is touched. On the way to an entry only
// links owned by root are followed, never one on a pseudo file system; the
// entry goes only while it is still the listed one; inside it no folder of a
// third user is entered. One line per entry, in order, says whether it went;
// exit 0 only when every one did.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fsys/entry_identity.h"
#include "fsys/search_places.h"
#include "removal/entry_walk.h"
#include "remover/asking_user.h"
#include "remover/before_removal.h"
#include "removal/tree_removal.h"

namespace {

using namespace quillmere;

constexpr int kRemoved = 0;
constexpr int kNotRemoved = 1;
constexpr int kUsage = 2;

struct Entry {
  std::string path;
  EntryIdentity identity;
  bool bundle = false;  // accepted only as a folder
};

// The path as one line: control characters and "\" escaped, so that a name
// holding a newline cannot pass for another entry's line.
std::string oneLine(const std::string& path) {
  std::string line;
  for (const unsigned char c : path) {
    if (c >= 0x20 && c != 0x7f && c != '\\') {
      line += char(c);
      continue;
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\%03o", c);
    line += escaped;
  }
  return line;
}

// Where the walk stopped, or why the entry stayed.
const char* whyNotRemoved(const WalkedEntry& walk) {
  if (walk.status() == WalkedEntry::Status::Refused) return "a link on the way is not followed";
  if (walk.status() == WalkedEntry::Status::Unreachable) return "a folder on the way cannot be searched";
  return "it is not the listed entry, or something in it stays";
}

}  // namespace

int main(int argc, char** argv) {
  const auto asker = askingUser();
  std::vector<Entry> entries;
  bool usable = asker && argc >= 4 && (argc - 1) % 3 == 0;
  for (int i = 1; usable && i + 2 < argc; i += 3) {
    const std::string flag = argv[i], path = argv[i + 2];
    const auto identity = parseIdentityText(argv[i + 1]);
    const RemovableShape shape = removableShape(path, asker->home);
    usable = flag == "--entry" && identity && shape != RemovableShape::Outside;
    if (usable) entries.push_back({path, *identity, shape == RemovableShape::Bundle});
  }
  if (!usable) {
    std::fputs("usage: quillmere-remover --entry DEV:INO PATH [--entry DEV:INO PATH]...\n"
               "Each PATH is an application bundle, or lies one to N components below one of\n"
               "these folders (~ being the home folder of the user who asked); DEV:INO is what\n"
               "it was when listed.\n",
               stderr);
    for (const SearchPlace& place : kAllSearchPlaces)
      std::fprintf(stderr, "  N=%d  %s%.*s\n", place.maxDepth, place.inHome ? "~" : "",
                   int(place.folder.size()), place.folder.data());
    return kUsage;
  }

  int status = kRemoved;
  for (const Entry& entry : entries) {
    const WalkedEntry walk = walkToEntry(entry.path, LinkTrust::Root);
    const RemovalGuard guard{entry.identity, entry.bundle, asker->uid};
    bool removed = walk.isGone();
    if (!removed && walk.status() == WalkedEntry::Status::Reached) {
      // What goes first with the entry (a background job on macOS) goes only
      // for the listed entry.
      struct stat st;
      if (fstatat(walk.parentFd(), walk.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          isSameEntry(st, entry.identity))
        beforeRemoval(walk.parentFd(), walk.name().c_str(), entry.path.c_str());
      removed = removeEntryAt(walk.parentFd(), walk.name().c_str(), guard);
    }
    if (removed) {
      std::printf("removed: %s\n", oneLine(entry.path).c_str());
    } else {
      std::printf("not removed: %s (%s)\n", oneLine(entry.path).c_str(), whyNotRemoved(walk));
      status = kNotRemoved;
    }
  }
  return std::fflush(stdout) == 0 ? status : kNotRemoved;
}
