#include "selection/row_selection.h"

#include <algorithm>
#include <numeric>

namespace quillmere {
namespace {

// Byte order with "/" lowest, so that everything below a folder sorts right
// after it: plain byte order puts "/a/b c" between "/a/b" and "/a/b/x".
bool folderOrder(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    if (a[i] == '/') return true;
    if (b[i] == '/') return false;
    return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
  }
  return a.size() < b.size();
}

bool isWithin(const std::string& path, const std::string& folder) {
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/' || folder.ends_with('/'));
}

}  // namespace

RowSelection::RowSelection(const std::vector<std::string>& paths) : rows_(paths.size()), selectedCount_(paths.size()) {
  std::vector<std::size_t> order(paths.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return folderOrder(paths[a], paths[b]); });
  // A stack of the folders the current path may lie in, outermost first.
  std::vector<std::size_t> open;
  for (std::size_t row : order) {
    while (!open.empty() && !isWithin(paths[row], paths[open.back()])) open.pop_back();
    if (!open.empty()) {
      rows_[row].container = std::int64_t(open.back());
      rows_[row].copy = paths[row] == paths[open.back()];
      hasCopies_ = hasCopies_ || rows_[row].copy;
    }
    open.push_back(row);
  }
}

RowSelection::RowSelection(const std::vector<std::string>& paths, const std::vector<RowEvidence>& evidence)
    : RowSelection(paths) {
  if (evidence.size() != paths.size()) return;
  for (std::size_t row = 0; row < paths.size(); ++row)
    if (!selectedByDefault(evidence[row].kind)) setSelected(row, false);
}

bool RowSelection::inside(std::size_t row, std::size_t folder) const {
  for (std::int64_t up = rows_[row].container; up >= 0; up = rows_[std::size_t(up)].container)
    if (std::size_t(up) == folder) return true;
  return false;
}

std::size_t RowSelection::firstCopy(std::size_t row) const {
  while (rows_[row].copy) row = std::size_t(rows_[row].container);
  return row;
}

void RowSelection::setSelected(std::size_t row, bool selected) {
  if (row >= size()) return;
  auto set = [this, selected](std::size_t r) {
    if (rows_[r].selected == selected) return;
    rows_[r].selected = selected;
    selected ? ++selectedCount_ : --selectedCount_;
  };
  row = firstCopy(row);
  set(row);
  if (!selected) {
    for (std::int64_t up = rows_[row].container; up >= 0; up = rows_[std::size_t(up)].container) set(std::size_t(up));
    if (hasCopies_)
      for (std::size_t r = 0; r < size(); ++r)
        if (rows_[r].copy && firstCopy(r) == row) set(r);
    return;
  }
  // Rare (only nested listings have containers), so a plain pass will do.
  for (std::size_t r = 0; r < size(); ++r)
    if (rows_[r].container >= 0 && inside(r, row)) set(r);
}

std::vector<std::string> RowSelection::selectedPaths(const std::vector<std::string>& paths) const {
  std::vector<std::string> chosen;
  chosen.reserve(selectedCount_);
  for (std::size_t r = 0; r < paths.size() && r < size(); ++r)
    if (rows_[r].selected) chosen.push_back(paths[r]);
  return chosen;
}

void RowSelection::setSize(std::size_t row, std::optional<std::uint64_t> bytes) {
  if (row >= size()) return;
  if (rows_[row].size == Pending) ++measuredCount_;
  rows_[row].size = bytes ? Known : Unreadable;
  rows_[row].bytes = bytes.value_or(0);
}

std::optional<std::uint64_t> RowSelection::sizeOf(std::size_t row) const {
  if (row >= size() || rows_[row].size != Known) return std::nullopt;
  return rows_[row].bytes;
}

std::uint64_t RowSelection::selectedSize() const {
  std::uint64_t total = 0;
  for (std::size_t r = 0; r < size(); ++r) {
    // A selected row's containers are selected too whenever one of them is
    // (leaving a row out takes them out), so the nearest one decides.
    const bool counted =
        rows_[r].selected && (rows_[r].container < 0 || !rows_[std::size_t(rows_[r].container)].selected);
    if (counted && rows_[r].size == Known) total += rows_[r].bytes;
  }
  return total;
}

void RowSelection::setNeedsRights(std::size_t row, bool needs) {
  if (row < size()) rows_[row].needsRights = needs;
}

std::size_t RowSelection::selectedNeedingRights() const {
  std::size_t count = 0;
  for (std::size_t r = 0; r < size(); ++r) count += rows_[r].selected && rows_[r].needsRights;
  return count;
}

FreedTally RowSelection::freedTally() const {
  FreedTally tally;
  std::vector<std::int64_t> position(size(), -1);  // each selected row's place among the removal's
  for (std::size_t r = 0; r < size(); ++r) {
    if (!rows_[r].selected) continue;
    position[r] = std::int64_t(tally.rows_.size());
    tally.rows_.push_back(FreedTally::Row{sizeOf(r)});
  }
  // A container may be listed after what it holds: placed only once all are.
  // A selected row's containers are all selected or all left out.
  for (std::size_t r = 0; r < size(); ++r)
    if (rows_[r].selected && rows_[r].container >= 0 && rows_[std::size_t(rows_[r].container)].selected)
      tally.rows_[std::size_t(position[r])].holder = position[std::size_t(rows_[r].container)];
  return tally;
}

void FreedTally::deleted(std::size_t row) {
  if (row >= rows_.size() || rows_[row].deleted) return;
  rows_[row].deleted = true;
  ++entries_;
}

bool FreedTally::counted(std::size_t row) const {
  if (!rows_[row].deleted) return false;
  // Measured before anything went, a deleted folder's bytes hold its rows'.
  for (std::int64_t up = rows_[row].holder; up >= 0; up = rows_[std::size_t(up)].holder)
    if (rows_[std::size_t(up)].deleted) return false;
  return true;
}

std::uint64_t FreedTally::bytes() const {
  std::uint64_t total = 0;
  for (std::size_t r = 0; r < rows_.size(); ++r)
    if (counted(r)) total += rows_[r].bytes.value_or(0);
  return total;
}

bool FreedTally::exact() const {
  for (std::size_t r = 0; r < rows_.size(); ++r)
    if (counted(r) && !rows_[r].bytes) return false;
  return true;
}

}  // namespace quillmere
