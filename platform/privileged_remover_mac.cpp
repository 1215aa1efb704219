#include "platform/apple_script.h"
#include "platform/privileged_remover.h"

namespace quillmere {

// osascript runs the administrator AppleScript (see apple_script.h); the
// system shows its authorisation prompt while it blocks, and exit status 0
// means the script ran without error.
SpawnCommand privilegedRemovalCommand(const std::string& path) {
  return {"/usr/bin/osascript", {"/usr/bin/osascript", "-e", privilegedRemovalScript(path)},
          cleanCommandEnvironment()};
}

}  // namespace quillmere
