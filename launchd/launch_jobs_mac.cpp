#include <unistd.h>

#include <chrono>

#include "launchd/launch_jobs.h"

namespace quillmere {

bool stopLaunchJob(const std::string& label, LaunchDomain domain) {
  const std::optional<SpawnCommand> command = launchJobStopCommand(label, domain, unsigned(::getuid()));
  // bootout waits for the job to exit; one that will not is left to the
  // system, and its list is deleted all the same.
  return command && runCommand(*command, std::chrono::seconds(10));
}

}  // namespace quillmere
