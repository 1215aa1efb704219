#include "privileged/before_removal.h"

namespace quillmere {

// No launchd: a daemon's list is only a file.
void beforeRemoval(int, const char*, const char*) {}

}  // namespace quillmere
