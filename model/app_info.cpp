#include "model/app_info.h"

#include <uuid/uuid.h>

#include <algorithm>

namespace quillmere {

Uuid Uuid::random() {
  Uuid u;
  uuid_t raw;
  uuid_generate_random(raw);
  std::copy(std::begin(raw), std::end(raw), u.bytes_.begin());
  return u;
}

AppInfo::AppInfo(std::string name, std::string path, std::optional<std::string> bundleIdentifier,
                 std::shared_ptr<const IconImage> icon, std::vector<std::string> files)
    : id_(Uuid::random()),
      name_(std::move(name)),
      path_(std::move(path)),
      bundleIdentifier_(std::move(bundleIdentifier)),
      icon_(std::move(icon)) {
  rows.reserve(files.size());
  for (std::string& file : files) rows.push_back({std::move(file), std::nullopt, std::nullopt, std::nullopt});
}

std::vector<std::string> AppInfo::relatedFiles() const {
  std::vector<std::string> paths;
  paths.reserve(rows.size());
  for (const ListedRow& row : rows) paths.push_back(row.path);
  return paths;
}

std::vector<RowEvidence> AppInfo::evidence() const {
  std::vector<RowEvidence> all;
  if (std::none_of(rows.begin(), rows.end(), [](const ListedRow& row) { return row.evidence.has_value(); }))
    return all;
  all.reserve(rows.size());
  for (const ListedRow& row : rows) all.push_back(row.evidence.value_or(RowEvidence{}));
  return all;
}

void AppInfo::keepRows(const std::vector<bool>& keep) {
  std::size_t kept = 0;
  for (std::size_t row = 0; row < rows.size(); ++row)
    if (row < keep.size() && keep[row]) {
      if (kept != row) rows[kept] = std::move(rows[row]);
      ++kept;
    }
  rows.resize(kept);
}

void AppInfo::setIdentities(const IdentityTable& identities) {
  for (ListedRow& row : rows)
    if (const auto found = identities.find(row.path); found != identities.end()) row.identity = found->second;
}

}  // namespace quillmere
