#include "launchd/launch_jobs.h"

namespace quillmere {

// No launchd here: a list in a LaunchAgents folder is only a file.
bool stopLaunchJob(const std::string&, LaunchDomain) { return false; }

}  // namespace quillmere
