#pragma once
// Runs the real uninstaller once and keeps everything it reported.

#include <optional>
#include <string>
#include <vector>

#include "model/app_info.h"
#include "removal/uninstaller.h"

namespace quillmere::safety {

struct RemovalRun {
  std::vector<std::string> log;
  std::vector<RowEvent> events;
  int completions = 0;
  bool success = false;
  std::optional<std::string> message;
};

inline RemovalRun runRemoval(const Uninstaller& uninstaller, const AppInfo& app) {
  RemovalRun run;
  uninstaller.uninstall(
      app,
      [&](const RowEvent& event) {
        run.events.push_back(event);
        if (auto line = logLineOf(event)) run.log.push_back(std::move(*line));
      },
      [&](bool success, std::optional<std::string> message) {
        ++run.completions;
        run.success = success;
        run.message = std::move(message);
      });
  return run;
}

// The log of a removal in which every path was deleted by the ordinary removal.
inline std::vector<std::string> cleanRemovalLog(const std::vector<std::string>& paths) {
  std::vector<std::string> log;
  std::vector<RowEvent> events;
  for (const std::string& path : paths) {
    log.push_back("Deleting: " + path);
    log.push_back("\u2713 Deleted: " + path);
  }
  return log;
}

}  // namespace quillmere::safety
