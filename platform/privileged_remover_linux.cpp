#include "platform/privileged_remover.h"

#include <limits.h>
#include <unistd.h>

namespace quillmere {

std::optional<std::string> runningProgramPath() {
  std::string path(PATH_MAX, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || std::size_t(length) >= path.size()) return std::nullopt;
  path.resize(std::size_t(length));
  return path;
}

// pkexec runs our remover as root after polkit has asked for authorisation;
// the path travels as the remover's one argument, so no shell ever parses it
// and, being absolute, it never looks like an option.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::string& path) {
  return {"/usr/bin/pkexec", {"/usr/bin/pkexec", remover, path}, cleanCommandEnvironment()};
}

}  // namespace quillmere
