#include "privileged/apple_script.h"

namespace quillmere {

std::vector<std::string> privilegedRemovalScriptArguments(const std::string& prompt, const std::string& remover,
                                                          const std::vector<std::string>& arguments) {
  // The prompt is ours and starts with a letter, the remover's path with "/":
  // osascript never takes either for an option of its own. The remover's exit
  // status is dropped ("|| true"): its report says what went, line by line,
  // and an error would throw that report away.
  std::vector<std::string> argv{
      "/usr/bin/osascript",
      "-e", "on run argv",
      "-e", "set command to quoted form of item 2 of argv",
      "-e", "repeat with i from 3 to count of argv",
      "-e", "set command to command & \" \" & quoted form of item i of argv",
      "-e", "end repeat",
      "-e", "set command to command & \" || true\"",
      "-e", "return do shell script command with prompt (item 1 of argv) "
            "with administrator privileges without altering line endings",
      "-e", "end run",
      prompt, remover};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

}  // namespace quillmere
