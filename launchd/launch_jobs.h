#pragma once
// Background jobs (launchd agents and daemons) are stopped before their
// property list is deleted: a job left loaded goes on starting a program that
// is no longer there, and stays listed among the user's background items. On
// macOS `launchctl bootout` (launch_jobs_mac.cpp); elsewhere there is nothing
// to stop (launch_jobs_posix.cpp). A job's list is read in job_list.cpp.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spawn_command.h"

namespace quillmere {

// Agents run in the user's session, daemons in the system's, which only root
// may change.
enum class LaunchDomain { User, System };

// The domain of a job whose list lies at `path`, by the folder it lies in:
// `home`/Library/LaunchAgents or /Library/LaunchAgents (agents, which run in
// each user's session) or /Library/LaunchDaemons; nothing for any other path
// — another folder named so is only a folder — or a name not ending in ".plist".
std::optional<LaunchDomain> launchDomainOf(std::string_view path, const std::optional<std::string>& home);

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

struct LaunchJob {
  std::optional<std::string> label;  // Label
  // Program, ProgramArguments[0] and BundleProgram, those present, in that order.
  std::vector<std::string> programs;
  // AssociatedBundleIdentifiers (a string or an array of strings): the apps
  // the system names as the job's owners.
  std::vector<std::string> associatedBundleIdentifiers;
};

// Nothing when the bytes are not a property list with a dictionary at the top.
std::optional<LaunchJob> parseLaunchJob(std::string_view bytes);

// Before the entry `name` in the open folder `folderFd` (whose whole path is
// `path`) is deleted: when it is the list of a launchd job of `domain` (by
// its folder, see launchDomainOf, the home being the running user's in the
// user database), the job is stopped. The list is read
// without following a link. Does nothing for anything else, and nothing at
// all where there is no launchd.
void stopJobBeforeRemoval(int folderFd, const char* name, std::string_view path, LaunchDomain domain);

}  // namespace quillmere
