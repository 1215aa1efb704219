#pragma once
// The rows of a record's list beyond their paths: which ones a removal takes,
// and what each weighs once measured. The window's ready list and the command
// line both choose through it. Belongs to one record: a new record starts with
// the rows its evidence takes selected and nothing measured. Not thread-safe: the session uses
// it on the main thread only, once built.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "matching/evidence.h"

namespace quillmere {

class FreedTally;

class RowSelection {
public:
  RowSelection() = default;
  // Every row selected. Finds which listed paths lie inside other listed
  // ones (O(n log n)), so may be built off the main thread.
  explicit RowSelection(const std::vector<std::string>& paths);
  // Only the rows whose evidence a removal takes by default selected (and a
  // folder holding a row left out is left out too); with no evidence (an
  // empty list), every row.
  RowSelection(const std::vector<std::string>& paths, const std::vector<RowEvidence>& evidence);

  std::size_t size() const { return rows_.size(); }
  std::size_t selectedCount() const { return selectedCount_; }
  bool isSelected(std::size_t row) const { return row < size() && rows_[row].selected; }

  // Leaving a row out also leaves out every listed folder that contains it,
  // since removing that folder would remove it too; putting a row back also
  // puts back the listed rows inside it. A path listed twice goes or stays as
  // one. Out-of-range rows are ignored.
  void setSelected(std::size_t row, bool selected);

  // The selected entries of `paths` (the list these rows were built for), in order.
  std::vector<std::string> selectedPaths(const std::vector<std::string>& paths) const;

  // A measured row: its size in bytes, or nullopt when it could not be read.
  void setSize(std::size_t row, std::optional<std::uint64_t> bytes);
  bool isMeasured(std::size_t row) const { return row < size() && rows_[row].size != Pending; }
  std::size_t measuredCount() const { return measuredCount_; }
  std::optional<std::uint64_t> sizeOf(std::size_t row) const;
  // What the selected rows measured so far take together, each byte once: a
  // row inside a selected listed folder is already part of that folder's size.
  std::uint64_t selectedSize() const;

  // A row the ordinary removal may not delete: a removal will ask for an
  // administrator password for it. Unknown rows count as not needing one.
  void setNeedsRights(std::size_t row, bool needs);
  bool needsRights(std::size_t row) const { return row < size() && rows_[row].needsRights; }
  std::size_t selectedNeedingRights() const;

  // The tally of a removal of the selected rows, in the order of selectedPaths.
  FreedTally freedTally() const;

private:
  enum SizeState : unsigned char { Pending, Known, Unreadable };
  bool inside(std::size_t row, std::size_t folder) const;
  std::size_t firstCopy(std::size_t row) const;

  // What the window decides and learns of one row, kept beside the record:
  // the record is what the analysis found, this is what the user chose.
  struct Row {
    bool selected = true;
    bool needsRights = false;
    // The same path as its container: one entry, listed twice.
    bool copy = false;
    SizeState size = Pending;
    std::uint64_t bytes = 0;
    // The nearest listed row that contains it (an identical path counts as
    // containing the later copy), or -1.
    std::int64_t container = -1;
  };
  std::vector<Row> rows_;
  std::size_t selectedCount_ = 0;
  bool hasCopies_ = false;
  std::size_t measuredCount_ = 0;
};

// What a removal freed: the entries it reported deleted and what they took
// when measured for the list. A deleted row inside a deleted listed folder
// counts as an entry but not again as bytes.
class FreedTally {
public:
  FreedTally() = default;
  // `count` rows of which nothing was measured.
  explicit FreedTally(std::size_t count) : rows_(count) {}

  // The removal deleted the `row`-th of its rows; out-of-range rows are ignored.
  void deleted(std::size_t row);
  std::size_t entries() const { return entries_; }
  // What the `row`-th row took when measured; nothing when it was not.
  std::optional<std::uint64_t> measured(std::size_t row) const {
    return row < rows_.size() ? rows_[row].bytes : std::nullopt;
  }
  std::uint64_t bytes() const;
  // False when a deleted entry whose bytes count was never measured: bytes()
  // is then a lower bound.
  bool exact() const;

private:
  friend class RowSelection;
  struct Row {
    std::optional<std::uint64_t> bytes;
    std::int64_t holder = -1;  // the nearest of the removal's rows that contains it
    bool deleted = false;
  };
  bool counted(std::size_t row) const;
  std::vector<Row> rows_;
  std::size_t entries_ = 0;
};

}  // namespace quillmere
