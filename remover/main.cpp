// quillmere-remover: removes one listed entry with the rights it was started
// with — root, once pkexec or the administrator AppleScript has asked the
// user. It runs as root, so it does as little as it can: exactly one absolute
// path, no options, nothing read from the environment, no other program run.
// On the way to the entry only links owned by root are followed, and the
// entry itself is never followed. Exit status 0 only when nothing is left.

#include <cstdio>
#include <string>

#include "fsys/path_text.h"
#include "removal/entry_walk.h"
#include "remover/before_removal.h"
#include "removal/tree_removal.h"

namespace {

constexpr int kRemoved = 0;
constexpr int kNotRemoved = 1;
constexpr int kRefused = 2;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !quillmere::isPrivilegedRemovalPath(argv[1])) {
    std::fputs("usage: quillmere-remover /ABSOLUTE/PATH\n", stderr);
    return kRefused;
  }
  const quillmere::WalkedEntry entry = quillmere::walkToEntry(argv[1], quillmere::LinkTrust::Root);
  if (entry.isGone()) return kRemoved;
  if (entry.status() != quillmere::WalkedEntry::Status::Reached) return kNotRemoved;
  quillmere::beforeRemoval(entry.parentFd(), entry.name().c_str(), argv[1]);
  return quillmere::removeEntryAt(entry.parentFd(), entry.name().c_str()) ? kRemoved : kNotRemoved;
}
