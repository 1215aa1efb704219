#include "platform/privileged_remover.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

#include "fsys/path_text.h"

namespace quillmere {
namespace {

std::optional<std::string> runningProgramPath() {
#if defined(__APPLE__)
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string path(size, '\0');
  if (_NSGetExecutablePath(path.data(), &size) != 0) return std::nullopt;
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
#else
  std::string path(PATH_MAX, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || std::size_t(length) >= path.size()) return std::nullopt;
  path.resize(std::size_t(length));
  return path;
#endif
}

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
