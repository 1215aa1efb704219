#include "platform/privileged_remover.h"

#include "platform/removal_target.h"

namespace quillmere {
namespace {

// Runs the platform's command once per path. The path is checked again here,
// whoever calls: "/", relative paths and paths ending in "/" never reach a
// command that runs as root.
class SystemPrivilegedRemover : public PrivilegedRemover {
public:
  bool removeWithPrivileges(const std::string& path) override {
    const auto target = privilegedRemovalPath(path);
    return target && runCommand(privilegedRemovalCommand(*target));
  }
};

}  // namespace

std::shared_ptr<PrivilegedRemover> makeSystemPrivilegedRemover() {
  return std::make_shared<SystemPrivilegedRemover>();
}

}  // namespace quillmere
