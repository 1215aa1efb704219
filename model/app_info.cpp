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
                 std::shared_ptr<const IconImage> icon, std::vector<std::string> relatedFiles)
    : relatedFiles(std::move(relatedFiles)),
      id_(Uuid::random()),
      name_(std::move(name)),
      path_(std::move(path)),
      bundleIdentifier_(std::move(bundleIdentifier)),
      icon_(std::move(icon)) {}

}  // namespace quillmere
