#pragma once
// Removal of one path with administrator rights, used when the ordinary
// removal cannot delete it. One implementation per platform, chosen at build
// time; tests use FakePrivilegedRemover.

#include <memory>
#include <string>

#include "platform/spawn_command.h"

namespace quillmere {

class PrivilegedRemover {
public:
  virtual ~PrivilegedRemover() = default;
  // Removes the file or tree at `path` (never following a final symbolic
  // link). True when the privileged command reported no error. Blocks while
  // the system asks the user for authorisation.
  virtual bool removeWithPrivileges(const std::string& path) = 0;
};

// The platform's real implementation: the administrator AppleScript on macOS,
// pkexec on Linux.
std::shared_ptr<PrivilegedRemover> makeSystemPrivilegedRemover();

// The command that implementation runs for one (already checked) path:
// /usr/bin/osascript -e SCRIPT on macOS, /usr/bin/pkexec /bin/rm -rf -- PATH
// on Linux.
SpawnCommand privilegedRemovalCommand(const std::string& path);

}  // namespace quillmere
