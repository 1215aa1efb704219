#pragma once
// The administrator AppleScript that runs our privileged remover on macOS.
// Pure, so it is tested on every platform.

#include <string>
#include <vector>

namespace quillmere {

// The osascript argument vector (argv[0] included) that removes `path` with
// `remover`: the script text is fixed, and both come in as arguments of its
// run handler (item 1 the path, item 2 the remover), each put into the shell
// command by `quoted form of`. No path ever becomes script text.
std::vector<std::string> privilegedRemovalScriptArguments(const std::string& remover,
                                                          const std::string& path);

}  // namespace quillmere
