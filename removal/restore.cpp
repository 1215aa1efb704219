#include "removal/restore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fsys/path_text.h"
#include "platform/trash_folder.h"
#include "removal/resolve_entry.h"
#include "removal/trash_move.h"

namespace quillmere {
namespace {

// The folder that is to hold `path`, made again where missing: each missing
// folder is made in the one above, reached by the removal's own walk.
ResolvedEntry reachOrMakeParent(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const ResolvedEntry folder = resolveEntry(path.substr(0, slash), LinkTrust::RootOrCurrentUser);
    if (folder.status() == ResolvedEntry::Status::Reached && folder.isGone() &&
        mkdirat(folder.parentFd(), folder.name().c_str(), 0755) != 0 && errno != EEXIST)
      break;
  }
  return resolveEntry(path, LinkTrust::RootOrCurrentUser);
}

std::string restoreRow(const HistoryRow& row) {
  if (!row.identity || row.trashedPath.empty()) return "the history does not say which entry was moved";
  const ResolvedEntry trashed = resolveEntry(row.trashedPath, LinkTrust::RootOrCurrentUser);
  struct stat st;
  if (trashed.status() != ResolvedEntry::Status::Reached ||
      fstatat(trashed.parentFd(), trashed.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return "it is no longer in the Trash";
  if (!isSameEntry(st, *row.identity)) return "what lies in the Trash under its name is another entry";
  const std::string path = withoutTrailingSlashes(row.path);
  const ResolvedEntry target = reachOrMakeParent(path);
  if (target.status() != ResolvedEntry::Status::Reached)
    return "the folder that held it cannot be reached: " + std::string(std::strerror(target.error()));
  if (!renameNoReplace(trashed.parentFd(), trashed.name().c_str(), target.parentFd(), target.name().c_str())) {
    const int error = errno;
    if (error == EEXIST) return "something else now stands at its path; it stays in the Trash";
    if (error == EXDEV) return "its folder now lies on another file system than the Trash";
    return std::strerror(error);
  }
  // What was renamed is checked again: an entry swapped into the Trash in the
  // instant between the look and the move goes straight back.
  struct stat moved;
  if (fstatat(target.parentFd(), target.name().c_str(), &moved, AT_SYMLINK_NOFOLLOW) != 0 ||
      !isSameEntry(moved, *row.identity)) {
    renameNoReplace(target.parentFd(), target.name().c_str(), trashed.parentFd(), trashed.name().c_str());
    return "what lies in the Trash under its name is another entry";
  }
  if (!row.trashInfo.empty()) {
    const ResolvedEntry info = resolveEntry(row.trashInfo, LinkTrust::RootOrCurrentUser);
    if (info.status() == ResolvedEntry::Status::Reached) unlinkat(info.parentFd(), info.name().c_str(), 0);
  }
  return {};
}

// A row the removal never reported an outcome for: only the entry it listed,
// found in the Trash with the path it came from, goes back.
std::string restorePending(const HistoryRow& row) {
  if (!row.identity) return "the history does not say which entry was listed";
  const std::optional<std::string> found = findInTrash(row.path, *row.identity);
  if (!found) return "it is not in the Trash: it may have been deleted, or never moved";
  HistoryRow moved = row;
  moved.trashedPath = *found;
  moved.trashInfo = trashInfoOf(*found);
  return restoreRow(moved);
}

}  // namespace

std::string RestoredRow::line() const {
  return (putBack ? "\u2713 Put back: " : "\u2717 Not put back: ") + path + (putBack ? "" : " (" + reason + ")");
}

std::vector<RestoredRow> restoreRemoval(const HistoryRecord& record) {
  std::vector<RestoredRow> rows;
  for (const HistoryRow& row : record.rows) {
    const bool pending = record.trashed && row.outcome == "pending";
    if (row.outcome != "trashed" && !pending) continue;
    const std::string why = pending ? restorePending(row) : restoreRow(row);
    rows.push_back({row.path, why.empty(), why});
  }
  return rows;
}

}  // namespace quillmere
