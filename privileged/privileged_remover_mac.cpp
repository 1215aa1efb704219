#include <limits.h>
#include <mach-o/dyld.h>
#include <stdlib.h>

#include "privileged/apple_script.h"
#include "privileged/privileged_remover.h"

namespace quillmere {

std::optional<std::string> runningProgramPath() {
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string path(size, '\0');
  if (_NSGetExecutablePath(path.data(), &size) != 0) return std::nullopt;
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
}

// osascript runs the fixed administrator AppleScript (see apple_script.h),
// which hands the entries to our remover; the system shows its authorisation
// prompt, which says how many entries go, while it blocks.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::vector<PrivilegedEntry>& entries) {
  const std::string prompt = "Quillmere needs an administrator password to delete " +
                             std::to_string(entries.size()) + " files that your account may not delete.";
  std::vector<std::string> arguments = privilegedRemovalScriptArguments(prompt, remover, removerArguments(entries));
  std::string program = arguments.front();
  return {std::move(program), std::move(arguments), cleanCommandEnvironment()};
}

// The administrator prompt takes no wrong password: it asks again until the
// user gives the right one or cancels, and osascript then fails without
// having run our remover, which always reports.
std::optional<PrivilegedOutcome::Result> promptStoppedRun(int exitStatus, const std::string& report) {
  if (exitStatus != 0 && report.empty()) return PrivilegedOutcome::Result::Cancelled;
  return std::nullopt;
}

}  // namespace quillmere
