#include "launchd/launch_jobs.h"

#include "fsys/path_text.h"

namespace quillmere {

std::optional<LaunchDomain> launchDomainOf(std::string_view path, const std::optional<std::string>& home) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos || slash == 0) return std::nullopt;
  const std::string_view name = path.substr(slash + 1);
  if (name.size() <= 6 || !name.ends_with(".plist")) return std::nullopt;
  // Only launchd's own folders hold jobs. A user can make a folder of either
  // name anywhere in their own Library, and stopping the job a list there
  // names would stop whatever job the user's file chose.
  const std::string_view parent = path.substr(0, slash);
  if (parent == "/Library/LaunchDaemons") return LaunchDomain::System;
  if (parent == "/Library/LaunchAgents" || (home && !home->empty() && parent == *home + "/Library/LaunchAgents"))
    return LaunchDomain::User;
  return std::nullopt;
}

bool isUsableJobLabel(std::string_view label) {
  if (label.empty() || label.front() == '-') return false;
  for (unsigned char c : label)
    if (c == '/' || c < 0x20 || c == 0x7f) return false;
  return true;
}

std::optional<SpawnCommand> launchJobStopCommand(const std::string& label, LaunchDomain domain, unsigned uid) {
  if (!isUsableJobLabel(label)) return std::nullopt;
  // A service target by label, not the list's path: launchctl never resolves
  // a path that we are about to delete.
  const std::string target =
      domain == LaunchDomain::System ? "system/" + label : "gui/" + std::to_string(uid) + "/" + label;
  return SpawnCommand{"/bin/launchctl", {"/bin/launchctl", "bootout", target}, cleanCommandEnvironment()};
}

}  // namespace quillmere
