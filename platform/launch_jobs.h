#pragma once
// Background jobs (launchd agents and daemons) are stopped before their
// property list is deleted: a job left loaded goes on starting a program that
// is no longer there, and stays listed among the user's background items. On
// macOS `launchctl bootout` (launch_jobs_mac.cpp); elsewhere there is nothing
// to stop (launch_jobs_other.cpp).

#include <optional>
#include <string>
#include <string_view>

#include "platform/spawn_command.h"

namespace quillmere {

// Agents run in the user's session, daemons in the system's, which only root
// may change.
enum class LaunchDomain { User, System };

// The domain of a job whose list lies at `path`, by the folder it lies in: a
// "LaunchAgents" folder (the user's or the system-wide one) or
// /Library/LaunchDaemons; nothing for any other path or a name not ending in
// ".plist".
std::optional<LaunchDomain> launchDomainOf(std::string_view path);

// A label that can name a job in a service target ("system/LABEL"): not
// empty, no "/", no control characters, not starting with "-".
bool isUsableJobLabel(std::string_view label);

// /bin/launchctl bootout gui/UID/LABEL (User) or system/LABEL (System), argv
// only; nothing for an unusable label. Pure, so it is tested everywhere.
std::optional<SpawnCommand> launchJobStopCommand(const std::string& label, LaunchDomain domain, unsigned uid);

// Stops the job `label` in `domain` for the user running us; false when it
// could not be stopped (not loaded, no rights) or there is nothing to stop on
// this system. Never blocks for long: a stop that hangs is given up.
bool stopLaunchJob(const std::string& label, LaunchDomain domain);

}  // namespace quillmere
