#pragma once
// What a launchd job's property list says about the program it starts: the
// job's label (by which it is stopped) and the program paths as written.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/launch_jobs.h"

namespace quillmere {

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
// its folder, see launchDomainOf), the job is stopped. The list is read
// without following a link. Does nothing for anything else, and nothing at
// all where there is no launchd.
void stopJobBeforeRemoval(int folderFd, const char* name, std::string_view path, LaunchDomain domain);

}  // namespace quillmere
