#include "platform/privileged_remover.h"

namespace quillmere {

// pkexec runs rm as root after polkit has asked for authorisation; the path
// travels as one argument after "--", so no shell ever parses it and a name
// starting with "-" is not an option.
SpawnCommand privilegedRemovalCommand(const std::string& path) {
  return {"/usr/bin/pkexec", {"/usr/bin/pkexec", "/bin/rm", "-rf", "--", path},
          cleanCommandEnvironment()};
}

}  // namespace quillmere
