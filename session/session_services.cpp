#include "session/session_controller.h"

#include "analysis/entry_size.h"
#include "platform/trash_folder.h"
#include "matching/evidence_analysis.h"

namespace quillmere {

// Kept apart from the controller so that code using only fake services does
// not need the analyzer and the uninstaller linked in.
SessionServices SessionServices::standard(SearchLocations locations,
                                          std::shared_ptr<PrivilegedRemover> privileged) {
  if (!privileged) privileged = makeSystemPrivilegedRemover();
  SessionServices services;
  // Neither holds state between calls: a fresh one per analysis and per removal.
  services.analyze = [locations = std::move(locations)](const std::string& appPath) {
    return analyzeWithEvidence(locations, appPath);
  };
  services.needsRights = [privileged](const std::string& path, const std::optional<EntryIdentity>& listed,
                                      const std::atomic<bool>& stop) {
    return Uninstaller(privileged).needsPrivileges(path, listed, &stop);
  };
  services.uninstall = [privileged](const AppInfo& app, const ProgressCallback& progress,
                                     const CompletionCallback& completion) {
    Uninstaller(privileged).uninstall(app, progress, completion);
  };
  services.uninstallToTrash = [privileged = std::move(privileged)](const AppInfo& app,
                                                                   const ProgressCallback& progress,
                                                                   const CompletionCallback& completion) {
    Uninstaller(privileged).uninstall(app, progress, completion, RemovalOptions{true});
  };
  services.recordRemoval = [](const HistoryRecord& record) { RemovalHistory(removalHistoryPath()).append(record); };
  services.readHistory = [] { return RemovalHistory(removalHistoryPath()).records(); };
  services.restore = [](const HistoryRecord& record) { return restoreRemoval(record); };
  services.measure = [](const std::string& path, const std::atomic<bool>& stop) {
    return measureEntry(path, &stop);
  };
  return services;
}

}  // namespace quillmere
