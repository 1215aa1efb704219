#include "launchd/launch_jobs.h"
#include "privileged/before_removal.h"

namespace quillmere {

void beforeRemoval(int parentFd, const char* name, const char* path) {
  stopJobBeforeRemoval(parentFd, name, path, LaunchDomain::System);
}

}  // namespace quillmere
