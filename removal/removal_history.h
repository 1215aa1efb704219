#pragma once
// The history of removals: one JSON Lines record per removal, deleted or
// trashed, in the user's state folder, written once before the removal
// touches a row (every row "pending") and again, under the same id, when it
// ends; reading keeps each id's last record. Each record is appended with a
// single write to a file opened for appending, so a crash can tear at most
// the last line, which reading skips; the file is kept to a bounded size by
// dropping the oldest records into a fresh file renamed over it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fsys/entry_identity.h"
#include "model/app_info.h"
#include "removal/uninstaller.h"

namespace quillmere {

struct HistoryRow {
  std::string path;
  std::string evidence;  // the command line's evidence word
  std::optional<std::uint64_t> size;
  std::string outcome;  // "absent", "deleted", "deletedWithPrivileges", "trashed", "failed" or "pending"
  std::optional<EntryIdentity> identity;  // what was listed
  std::string trashedPath;  // where a trashed row lies
  std::string trashInfo;    // its .trashinfo, when the system keeps one
  std::string reason;       // why a row was not moved
};

struct HistoryRecord {
  std::string id;
  std::int64_t time = 0;  // seconds since 1970
  std::string appName;
  std::optional<std::string> identifier;
  std::string bundlePath;
  bool trashed = false;  // the mode: moved to the Trash, or deleted
  std::vector<HistoryRow> rows;

  std::uint64_t totalSize() const;
  bool hasTrashedRows() const;
  // Written before the removal and never followed by its end: it stopped
  // midway (or still runs), and its pending rows' outcomes are unknown.
  bool unfinished() const;
  // Something of it may lie in the Trash: a trashed row, or a pending one of
  // a removal to the Trash.
  bool canPutBack() const;
};

// The record of a removal of `app`'s rows about to start, under a new id:
// every row "pending"; `sizes`, when given, one per row.
HistoryRecord pendingRecordOf(const AppInfo& app, const RemovalOptions& options,
                              const std::vector<std::optional<std::uint64_t>>& sizes = {});
// The same removal's record once it ended, from the events it reported.
HistoryRecord recordOf(HistoryRecord pending, const std::vector<RowEvent>& events);

// The .trashinfo beside an entry in a Trash's files folder; empty where
// there is none (a Trash without one).
std::string trashInfoOf(const std::string& trashedPath);

// `seconds` since 1970 as strftime's `format` writes it, in local time or UTC.
std::string timeText(std::int64_t seconds, const char* format, bool local);

std::string historyLine(const HistoryRecord& record);  // one line, "\n" included
std::optional<HistoryRecord> parseHistoryLine(const std::string& line);

class RemovalHistory {
public:
  explicit RemovalHistory(std::string path, std::uint64_t maxBytes = 4u << 20);

  // False when the record could not be written whole.
  bool append(const HistoryRecord& record) const;
  // Each id's last record, in the order the ids first appear (oldest
  // first); a torn or unreadable line is skipped.
  std::vector<HistoryRecord> records() const;
  std::optional<HistoryRecord> find(const std::string& id) const;
  const std::string& path() const { return path_; }

private:
  std::string path_;
  std::uint64_t maxBytes_;
};

}  // namespace quillmere
