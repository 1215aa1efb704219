// quillmere-remover: removes listed entries with the rights it was started
// with — root, once pkexec or the administrator AppleScript has asked the
// user, once for the whole removal. It runs as root, so it takes as little as
// it can: the request of removal_request.h, each PATH of a shape the search
// lists for the user who asked; anything else is a usage error (exit 2) and
// nothing is touched. On the way to the place an entry lies in only links
// owned by root are followed, never one on a pseudo file system, and below
// that place none at all; nothing in a folder others may change is taken; the
// entry goes only while it is still the listed one; inside it nothing of a
// third user is removed or entered. The report says, per entry, whether it
// went — gone meaning the entry itself, not just its name; exit 0 only when
// every one went or was not there.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fsys/entry_identity.h"
#include "fsys/entry_marks.h"
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
  std::string place;    // the folder it starts in: no link below it is followed
  bool placeMustBeAskers = false;
};

// Where reaching the entry stopped.
const char* whyNotReached(const ResolvedEntry& resolved) {
  if (resolved.status() == ResolvedEntry::Status::Refused) return "a link on the way is not followed";
  return "a folder on the way cannot be searched";
}

const char* whyKept(KeptBecause kept) {
  switch (kept) {
    case KeptBecause::NotTheListedEntry: return "it is not the listed entry";
    case KeptBecause::ThirdUsersEntry: return "another user's entry is in it or at it";
    case KeptBecause::MountInside: return "a mount lies in it";
    case KeptBecause::Error:
    case KeptBecause::Nothing: break;
  }
  return "the system refused to remove something in it";
}

// Removes one reached entry; why not, when it stays (nothing when removed).
const char* removeReached(const Entry& entry, const ResolvedEntry& resolved, uid_t asker) {
  const int parentFd = resolved.parentFd();
  const char* name = resolved.name().c_str();
  struct stat parent;
  if (fstat(parentFd, &parent) != 0) return "its folder cannot be read";
  // Others could have put anything at the name before it was listed — the
  // victim's folder renamed to the app's name — so nothing in such a folder
  // is removed with root's rights.
  if (othersCanChangeEntriesIn(parent.st_mode)) return "its folder can be changed by others";
  if (entry.placeMustBeAskers && parent.st_uid != asker) return "a bundle in a folder the user does not own";
  const HeldEntry held(parentFd, name);
  if (!held.isHeld() || !isSameEntry(held.seen(), entry.identity)) return "it is not the listed entry";
  // What goes first with the entry (a background job on macOS) goes only
  // for the listed entry.
  beforeRemoval(parentFd, name, entry.path.c_str());
  const TreeRemoval removal = removeTreeAt(parentFd, name, {entry.identity, entry.bundle, asker});
  if (!removal.removed) return whyKept(removal.kept);
  // The name being free is not enough: the entry renamed away while it was
  // emptied, and perhaps back, is still there.
  if (!held.isGone(parentFd, name)) return "it was moved while it was removed";
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const auto asker = askingUser();
  std::vector<Entry> entries;
  const auto request = readRemoverArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  bool usable = asker && request;
  for (std::size_t i = 0; usable && i < request->size(); ++i) {
    const PrivilegedEntry& asked = (*request)[i];
    RemovablePlace place = removablePlace(asked.path, asker->home);
    usable = place.shape != RemovableShape::Outside;
    if (usable)
      entries.push_back({asked, place.shape == RemovableShape::Bundle, std::move(place.place), place.placeMustBeAskers});
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
    const ResolvedEntry resolved = resolveEntry(entry.path, LinkTrust::Root, entry.place);
    // Absent at the first look is "not found": nothing was removed, though
    // nothing is left either.
    if (resolved.isGone()) {
      std::fputs(reportLine(entry.path, RemoverAnswer::NotFound).c_str(), stdout);
      continue;
    }
    const char* whyNot = resolved.status() == ResolvedEntry::Status::Reached
                             ? removeReached(entry, resolved, asker->uid)
                             : whyNotReached(resolved);
    std::fputs(reportLine(entry.path, whyNot ? RemoverAnswer::NotRemoved : RemoverAnswer::Removed, whyNot).c_str(),
               stdout);
    if (whyNot) status = kNotRemoved;
  }
  return std::fflush(stdout) == 0 ? status : kNotRemoved;
}
