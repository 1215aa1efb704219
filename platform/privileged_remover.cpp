#include "platform/privileged_remover.h"

#include <unistd.h>

#include "fsys/path_text.h"

namespace quillmere {
namespace {

// Runs our remover once per path. The path is checked again here, whoever
// calls: "/", relative paths and paths ending in "/" never reach a program
// that runs as root.
class SystemPrivilegedRemover : public PrivilegedRemover {
public:
  bool removeWithPrivileges(const std::string& path) override {
    const auto target = privilegedRemovalPath(path);
    if (!target) return false;
    const auto remover = installedPrivilegedRemover();
    return remover && runCommand(privilegedRemovalCommand(*remover, *target));
  }
};

}  // namespace

std::string removerBesideProgram(const std::string& programPath) {
  std::string folder = programPath.substr(0, programPath.rfind('/'));
  folder = folder.substr(0, folder.rfind('/'));  // the folder above the program's
  return folder + "/libexec/quillmere/quillmere-remover";
}

std::optional<std::string> installedPrivilegedRemover() {
  const auto program = runningProgramPath();
  if (!program || program->front() != '/') return std::nullopt;
  std::string remover = removerBesideProgram(*program);
  if (access(remover.c_str(), X_OK) != 0) return std::nullopt;
  return remover;
}

std::shared_ptr<PrivilegedRemover> makeSystemPrivilegedRemover() {
  return std::make_shared<SystemPrivilegedRemover>();
}

}  // namespace quillmere
