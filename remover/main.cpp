// quillmere-remover: removes one listed entry with the rights it was started
// with — root, once pkexec or the administrator AppleScript has asked the
// user. It runs as root, so it does as little as it can: exactly one absolute
// path, no options, nothing read from the environment, no other program run.
// On the way to the entry only links owned by root are followed, and the
// entry itself is never followed. Exit status 0 only when nothing is left.

#include <cstdio>
#include <string>

#include "removal/entry_walk.h"
#include "remover/before_removal.h"
#include "removal/tree_removal.h"

namespace {

constexpr int kRemoved = 0;
constexpr int kNotRemoved = 1;
constexpr int kRefused = 2;

// "/", relative paths and a trailing "/" (which would name what a final link
// points to) are refused, and so is a last component of ".". A ".." anywhere
// is refused too: it would lead root above the folder the path seems to name,
// to an entry nobody listed.
bool isAcceptable(const std::string& path) {
  if (path.empty() || path.front() != '/' || path.back() == '/') return false;
  if ((path + "/").find("/../") != std::string::npos) return false;
  return path.substr(path.rfind('/') + 1) != ".";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !isAcceptable(argv[1])) {
    std::fputs("usage: quillmere-remover /ABSOLUTE/PATH\n", stderr);
    return kRefused;
  }
  const quillmere::WalkedEntry entry = quillmere::walkToEntry(argv[1], quillmere::LinkTrust::Root);
  if (entry.isGone()) return kRemoved;
  if (entry.status() != quillmere::WalkedEntry::Status::Reached) return kNotRemoved;
  quillmere::beforeRemoval(entry.parentFd(), entry.name().c_str(), argv[1]);
  return quillmere::removeEntryAt(entry.parentFd(), entry.name().c_str()) ? kRemoved : kNotRemoved;
}
