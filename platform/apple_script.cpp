#include "platform/apple_script.h"

namespace quillmere {

std::vector<std::string> privilegedRemovalScriptArguments(const std::string& remover,
                                                          const std::string& path) {
  // Both values are absolute paths, so osascript never takes them for its
  // own options.
  return {"/usr/bin/osascript",
          "-e", "on run argv",
          "-e", "do shell script (quoted form of item 2 of argv) & \" \" & "
                "(quoted form of item 1 of argv) with administrator privileges",
          "-e", "end run",
          path, remover};
}

}  // namespace quillmere
