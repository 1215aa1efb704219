#include "privileged/privileged_remover.h"

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
// the entries travel as the remover's arguments, so no shell ever parses a
// path and, being absolute, none ever looks like an option.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::vector<PrivilegedEntry>& entries) {
  std::vector<std::string> arguments{"/usr/bin/pkexec", remover};
  for (std::string& argument : removerArguments(entries)) arguments.push_back(std::move(argument));
  return {"/usr/bin/pkexec", std::move(arguments), cleanCommandEnvironment()};
}

// pkexec's own exit statuses, which our remover never uses: 126 when the
// user dismissed the prompt, 127 when the authorisation was not obtained.
std::optional<PrivilegedOutcome::Result> promptStoppedRun(int exitStatus, const std::string& report) {
  if (!report.empty()) return std::nullopt;
  if (exitStatus == 126) return PrivilegedOutcome::Result::Cancelled;
  if (exitStatus == 127) return PrivilegedOutcome::Result::PasswordRefused;
  return std::nullopt;
}

}  // namespace quillmere
