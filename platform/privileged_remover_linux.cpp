#include "platform/privileged_remover.h"

namespace quillmere {

// pkexec runs our remover as root after polkit has asked for authorisation;
// the path travels as the remover's one argument, so no shell ever parses it
// and, being absolute, it never looks like an option.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::string& path) {
  return {"/usr/bin/pkexec", {"/usr/bin/pkexec", remover, path}, cleanCommandEnvironment()};
}

}  // namespace quillmere
