#include "model/app_info.h"

#include <uuid/uuid.h>

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
    : relatedFiles(std::move(files)),
      id_(Uuid::random()),
      name_(std::move(name)),
      path_(std::move(path)),
      bundleIdentifier_(std::move(bundleIdentifier)),
      icon_(std::move(icon)) {}

std::optional<EntryIdentity> AppInfo::identityOf(const std::string& path) const {
  if (!identities_) return std::nullopt;
  const auto found = identities_->find(path);
  if (found == identities_->end()) return std::nullopt;
  return found->second;
}

void AppInfo::setIdentities(IdentityTable identities) {
  identities_ = std::make_shared<const IdentityTable>(std::move(identities));
}

}  // namespace quillmere
