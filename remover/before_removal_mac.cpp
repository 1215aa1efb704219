#include "analysis/launch_job.h"
#include "remover/before_removal.h"

namespace quillmere {

void beforeRemoval(int parentFd, const char* name, const char* path) {
  stopJobBeforeRemoval(parentFd, name, path, LaunchDomain::System);
}

}  // namespace quillmere
