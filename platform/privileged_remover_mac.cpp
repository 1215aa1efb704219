#include "platform/apple_script.h"
#include "platform/privileged_remover.h"

namespace quillmere {

// osascript runs the fixed administrator AppleScript (see apple_script.h),
// which hands the path to our remover; the system shows its authorisation
// prompt while it blocks, and exit status 0 means the script ran without error.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::string& path) {
  std::vector<std::string> arguments = privilegedRemovalScriptArguments(remover, path);
  std::string program = arguments.front();
  return {std::move(program), std::move(arguments), cleanCommandEnvironment()};
}

}  // namespace quillmere
