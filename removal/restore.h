#pragma once
// Puts a trashed removal back: each trashed row of a history record returns
// to its path, but only the entry that was moved (same device and inode,
// still in the Trash), and never over anything that stands at its path now —
// such a row stays in the Trash. Missing folders above a path are made again,
// as the user's own; the row's .trashinfo goes with it. A removal to the Trash
// that stopped midway has rows with no recorded place: each is looked for in
// its Trash (findInTrash) and put back the same way when it is there.

#include <string>
#include <vector>

#include "removal/removal_history.h"

namespace quillmere {

struct RestoredRow {
  std::string path;
  bool putBack = false;
  std::string reason;  // why not

  // "✓ Put back: PATH" or "✗ Not put back: PATH (reason)".
  std::string line() const;
};

// One result per trashed or pending row of `record`, in its order.
std::vector<RestoredRow> restoreRemoval(const HistoryRecord& record);

}  // namespace quillmere
