#pragma once
// Removal of one path with administrator rights, used when the ordinary
// removal cannot delete it: our own privileged remover (quillmere-remover),
// started through the platform's authorisation — pkexec on Linux, the
// administrator AppleScript on macOS. Tests use FakePrivilegedRemover.

#include <memory>
#include <optional>
#include <string>

#include "platform/spawn_command.h"

namespace quillmere {

class PrivilegedRemover {
public:
  virtual ~PrivilegedRemover() = default;
  // Removes the file or tree at `path` (never following a final symbolic
  // link). True when the privileged run reported no error. Blocks while the
  // system asks the user for authorisation.
  virtual bool removeWithPrivileges(const std::string& path) = 0;
};

// The platform's real implementation. Without our remover beside the running
// program every privileged removal fails: nothing else is ever run instead.
std::shared_ptr<PrivilegedRemover> makeSystemPrivilegedRemover();

// Where the remover lies for a program at `programPath` (absolute, links
// resolved): ../libexec/quillmere/quillmere-remover from the program's folder,
// so build/app/quillmere and /usr/bin/quillmere both find theirs.
std::string removerBesideProgram(const std::string& programPath);

// The running program's absolute path, links resolved (the platform's body).
std::optional<std::string> runningProgramPath();

// The remover beside the running program, when it is there and executable.
std::optional<std::string> installedPrivilegedRemover();

// The command that runs `remover` for one (already checked) absolute path:
// /usr/bin/pkexec REMOVER PATH on Linux, osascript with the fixed
// administrator AppleScript on macOS.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::string& path);

}  // namespace quillmere
