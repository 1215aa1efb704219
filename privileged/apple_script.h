#pragma once
// The administrator AppleScript that runs our privileged remover on macOS.
// Pure, so it is tested on every platform.

#include <string>
#include <vector>

namespace quillmere {

// The osascript argument vector (argv[0] included) that runs `remover` with
// `arguments` once, under one administrator prompt showing `prompt`: the
// script text is fixed, and everything comes in as arguments of its run
// handler (item 1 the prompt, item 2 the remover, then the remover's
// arguments), each put into the shell command by `quoted form of`. No path
// ever becomes script text. The remover's report is the script's result,
// line endings unaltered, which osascript prints.
std::vector<std::string> privilegedRemovalScriptArguments(const std::string& prompt, const std::string& remover,
                                                          const std::vector<std::string>& arguments);

}  // namespace quillmere
