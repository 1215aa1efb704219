#include "analysis/library_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "analysis/folder_refusal.h"
#include "analysis/joining_thread.h"
#include "analysis/scan_failure.h"
#include "fsys/entry_marks.h"
#include "fsys/folder_listing.h"
#include "fsys/unique_fd.h"

namespace quillmere {
namespace {

struct OpenFolder {
  FolderListing listing;
  std::size_t pathLength = 0;   // length of this folder's path in the path buffer
  bool belowNameFolder = false; // its relative text already holds "/name/"
};

// At most kMaxEntryDepth folders are open at once (the root and the two levels
// whose children are still tested), so the walk needs no recursion and a
// fixed number of descriptors however large the tree is. One stack serves a
// thread for all the folders it walks, its buffers allocated once.
class FolderStack {
public:
  ~FolderStack() {
    while (size_ > 0) pop();
  }
  // Takes `fd` over; false (errno set) when it cannot be listed.
  bool push(int fd, std::size_t pathLength, bool belowNameFolder) {
    OpenFolder& folder = folders_[size_];
    if (!folder.listing.open(fd)) return false;
    folder.pathLength = pathLength;
    folder.belowNameFolder = belowNameFolder;
    ++size_;
    return true;
  }
  void pop() { folders_[--size_].listing.close(); }
  OpenFolder& top() { return folders_[size_ - 1]; }
  int size() const { return size_; }

private:
  std::array<OpenFolder, kMaxEntryDepth> folders_{};
  int size_ = 0;
};

// Whether the entry is a folder; one gone since it was listed is not.
bool isFolderEntry(int parentFd, std::string_view parentPath, const FolderEntry& entry, struct stat* info,
                   bool haveInfo) {
  if (entry.type != DT_UNKNOWN) return entry.type == DT_DIR;
  // Some file systems do not fill in d_type; a symbolic link is never followed.
  if (!haveInfo && ::fstatat(parentFd, entry.name, info, AT_SYMLINK_NOFOLLOW) != 0) {
    passOverOrFail(errno, std::string(parentPath) + "/" + entry.name);
    return false;
  }
  return S_ISDIR(info->st_mode);
}

enum class EntryAction { Pass, List, Enter };

// What the walk does with one entry `depth` levels below its root, in the
// folder open at `parentFd` whose path is `parentPath`. For a folder to
// enter, `childrenBelowNameFolder` says whether its children carry "/name/"
// in their relative text.
EntryAction actionFor(int parentFd, std::string_view parentPath, const FolderEntry& entry, int depth,
                      bool belowNameFolder, const NameMatcher& matcher, bool& childrenBelowNameFolder) {
  struct stat info;
  bool haveInfo = false;
  if (isHiddenEntry(parentFd, entry.name, &info, &haveInfo)) return EntryAction::Pass;
  const std::string_view name(entry.name);
  // Listed once as a whole: a matched folder is not entered.
  if (belowNameFolder || matcher.match(name) != NameMatch::None) return EntryAction::List;
  // Children of an entry this deep would be too deep to be tested.
  if (depth >= kMaxEntryDepth) return EntryAction::Pass;
  if (!isFolderEntry(parentFd, parentPath, entry, &info, haveInfo)) return EntryAction::Pass;
  childrenBelowNameFolder = matcher.isNameFolder(name);
  return EntryAction::Enter;
}

// Walks the folder open at `fd` (taken over), whose path is `path` and whose
// own entries lie `depth` levels below the root. `stack` is empty on entry
// and on return.
// Returns true when `marker` (when given) is not among the folder's own
// entries and its listing ran to the end: that listing says it is absent.
bool walkFolder(FolderStack& stack, int fd, std::string path, int depth, bool belowNameFolder,
                const NameMatcher& matcher, std::vector<std::string>& found,
                std::vector<UnreadableFolder>* refused = nullptr, const char* marker = nullptr) {
  bool markerAbsent = false;
  if (!stack.push(fd, path.size(), belowNameFolder)) {
    passOver(refused, path, errno);
    return false;
  }
  const int levelsAbove = depth - 1;
  bool markerSeen = false;
  FolderEntry entry;
  while (stack.size() > 0) {
    OpenFolder& folder = stack.top();
    const std::string_view folderPath(path.data(), folder.pathLength);
    if (!folder.listing.next(entry)) {
      if (folder.listing.failed()) passOver(refused, folderPath, folder.listing.error());
      else if (stack.size() == 1) markerAbsent = marker && !markerSeen;
      stack.pop();
      continue;
    }
    if (marker && stack.size() == 1 && std::strcmp(entry.name, marker) == 0) markerSeen = true;
    const int parentFd = folder.listing.fd();
    bool childrenBelowNameFolder = false;
    const EntryAction action = actionFor(parentFd, folderPath, entry, levelsAbove + stack.size(),
                                         folder.belowNameFolder, matcher, childrenBelowNameFolder);
    if (action == EntryAction::Pass) continue;
    path.resize(folder.pathLength);
    path += '/';
    path += entry.name;
    if (action == EntryAction::List) {
      found.push_back(path);
      continue;
    }
    const int child = openFolderNoFollow(parentFd, entry.name);
    if (child < 0 || !stack.push(child, path.size(), childrenBelowNameFolder)) passOver(refused, path, errno);
  }
  return markerAbsent;
}

// The root's descriptor, closed when the walk is over.
struct OpenRoot {
  UniqueFd fd;
  const std::string* path;
};

// -1 for a root that is missing or not the user's to read.
int openRoot(const std::string& root) {
  // The root itself may be a symbolic link (as the platform's walk allows);
  // nothing below it is followed.
  const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) passOverOrFail(errno, root);
  return fd;
}

}  // namespace

void collectMatchingEntries(const std::string& root, const NameMatcher& matcher,
                            std::vector<std::string>& found) {
  const int rootFd = openRoot(root);
  FolderStack stack;
  if (rootFd >= 0) walkFolder(stack, rootFd, root, 1, false, matcher, found);
}

std::vector<std::string> collectMatchingEntries(const std::vector<std::string>& roots,
                                                const NameMatcher& matcher, unsigned threads,
                                                std::vector<UnreadableFolder>* unreadable, FolderMarker* marker) {
  // The matches come in pieces, kept in walk order: the first-level entries
  // listed in a row, then everything below one first-level folder, and so on.
  struct Folder {
    std::size_t root;  // index into openRoots
    std::string name;  // its first-level name
    bool belowNameFolder;
    std::size_t piece;  // where its matches go
    std::size_t searchedRoot;  // index into roots
  };
  std::vector<OpenRoot> openRoots;
  std::vector<Folder> folders;
  std::vector<std::vector<std::string>> pieces;
  bool listingPieceOpen = false;
  openRoots.reserve(roots.size());  // so that keeping a descriptor never throws
  // Refusals in search order: a root's own, then those below each of its folders.
  std::vector<std::vector<UnreadableFolder>> rootRefusals(roots.size());

  // First levels, on this thread: a dozen folder listings.
  {
    FolderStack stack;
    for (std::size_t r = 0; r < roots.size(); ++r) {
      const std::string& root = roots[r];
      const int fd = openRoot(root);
      if (fd < 0) {
        passOver(&rootRefusals[r], root, errno);
        continue;
      }
      openRoots.push_back(OpenRoot{UniqueFd(fd), &root});  // kept open: the folders below are opened relative to it
      const int listed = ::dup(fd);  // the listing closes its own descriptor
      if (listed < 0 || !stack.push(listed, root.size(), false)) throw ScanFailure(root, errno);
      for (FolderEntry entry; stack.top().listing.next(entry);) {
        bool childrenBelowNameFolder = false;
        const EntryAction action = actionFor(fd, root, entry, 1, false, matcher, childrenBelowNameFolder);
        if (action == EntryAction::List) {
          if (!listingPieceOpen) pieces.emplace_back();
          listingPieceOpen = true;
          pieces.back().push_back(root + "/" + entry.name);
        } else if (action == EntryAction::Enter) {
          folders.push_back(Folder{openRoots.size() - 1, entry.name, childrenBelowNameFolder, pieces.size(), r});
          pieces.emplace_back();
          listingPieceOpen = false;
        }
      }
      if (stack.top().listing.failed()) passOver(&rootRefusals[r], root, stack.top().listing.error());
      stack.pop();
    }
  }

  // Below them, shared out one first-level folder at a time. Each piece is
  // written by the one thread that took its folder and read after the joins.
  std::atomic<std::size_t> next{0};
  std::vector<std::vector<UnreadableFolder>> folderRefusals(unreadable ? folders.size() : 0);
  std::vector<char> markerAbsent(marker ? folders.size() : 0, 0);
  auto work = [&] {
    FolderStack stack;
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < folders.size();) {
      const Folder& folder = folders[i];
      const OpenRoot& root = openRoots[folder.root];
      std::vector<UnreadableFolder>* refused = unreadable ? &folderRefusals[i] : nullptr;
      std::string path = *root.path + "/" + folder.name;
      const int fd = openFolderNoFollow(root.fd.get(), folder.name.c_str());
      if (fd < 0) {
        passOver(refused, path, errno);  // unreadable or vanished: passed over
        continue;
      }
      const bool absent = walkFolder(stack, fd, std::move(path), 2, folder.belowNameFolder, matcher,
                                     pieces[folder.piece], refused, marker ? marker->name : nullptr);
      if (marker) markerAbsent[i] = absent;
    }
  };
  // The calling thread is one of the hands; no more hands than folders.
  const std::size_t hands = std::min<std::size_t>(std::max(threads, 1u), folders.size());
  const std::size_t helpers = hands > 1 ? hands - 1 : 0;
  // A hand that fails stops the others taking more: the walk's outcome is
  // its failure, and a shorter list is no outcome.
  std::vector<std::exception_ptr> failures(hands);
  const auto hand = [&](std::exception_ptr& failure) {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
      next.store(folders.size(), std::memory_order_relaxed);
    }
  };
  {
    std::vector<JoiningThread> pool;  // joined when leaving this block
    for (std::size_t t = 1; t <= helpers; ++t) {
      try {
        pool.emplace_back([&, t] { hand(failures[t]); });
      } catch (const std::system_error&) {
        break;  // no more threads to be had: fewer hands do the same work
      }
    }
    if (!failures.empty()) hand(failures[0]);
  }
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);

  if (unreadable) {
    std::size_t folder = 0;
    for (std::size_t r = 0; r < roots.size(); ++r) {
      for (UnreadableFolder& refusal : rootRefusals[r]) unreadable->push_back(std::move(refusal));
      for (; folder < folders.size() && folders[folder].searchedRoot == r; ++folder)
        for (UnreadableFolder& refusal : folderRefusals[folder]) unreadable->push_back(std::move(refusal));
    }
  }

  if (marker)
    for (std::size_t i = 0; i < folders.size(); ++i)
      if (markerAbsent[i]) marker->absentIn.push_back(*openRoots[folders[i].root].path + "/" + folders[i].name);

  std::size_t total = 0;
  for (const auto& piece : pieces) total += piece.size();
  std::vector<std::string> found;
  found.reserve(total);
  for (auto& piece : pieces)
    for (std::string& path : piece) found.push_back(std::move(path));
  return found;
}

unsigned walkThreadCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

}  // namespace quillmere
