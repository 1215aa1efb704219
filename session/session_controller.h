#pragma once
// The non-visual half of the main view: the five fields of session state, the
// state machine of one uninstall session, and the hand-over of work between
// the background and the main thread. Every method is called on the main
// thread; results come back through the Dispatcher's main queue and are
// applied whenever they arrive, whatever the state is by then.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/app_analyzer.h"
#include "model/app_info.h"
#include "model/uninstall_state.h"
#include "removal/quillmere.h"
#include "session/dispatcher.h"
#include "session/drop_intake.h"

namespace quillmere {

// The blocking work the controller runs in the background. Replaceable so
// tests can run fakes; `standard` runs a fresh AppAnalyzer per analysis and
// a Quillmere per removal (a null `privileged` means the platform's own).
struct SessionServices {
  std::function<AnalysisResult(const std::string& appPath)> analyze;
  std::function<void(const AppInfo&, const ProgressCallback&, const CompletionCallback&)> uninstall;

  static SessionServices standard(SearchLocations locations,
                                  std::shared_ptr<PrivilegedRemover> privileged);
};

enum class SessionField { State, IsTargeted, ShowConfirmation, CurrentApp, UninstallLog };

class SessionController {
public:
  SessionController(std::shared_ptr<Dispatcher> dispatcher, SessionServices services);
  ~SessionController();  // queued work that finishes later touches nothing of the owner
  SessionController(const SessionController&) = delete;
  SessionController& operator=(const SessionController&) = delete;

  const UninstallState& state() const;
  bool isTargeted() const;
  bool showConfirmation() const;
  const std::optional<AppInfo>& currentApp() const;
  const std::vector<std::string>& uninstallLog() const;

  // Called after every change of a field, on the main thread.
  void setChangeListener(std::function<void(SessionField)> listener);

  void analyzeApp(const std::string& path);
  void performUninstall(AppInfo app);
  void resetState();
  void handleDrop(const std::vector<DroppedItem>& providers);

  // The drop zone's hover tracking.
  void setTargeted(bool targeted);
  // "卸载应用": currentApp = app, then showConfirmation = true.
  void requestUninstall(const AppInfo& app);
  // "确认清理": performUninstall(*currentApp) when present, else nothing.
  void confirmUninstall();
  // The dialog closed (by either button): showConfirmation = false.
  void dismissConfirmation();

private:
  struct Shared;
  // Queued work holds the state through this shared pointer, never `this`.
  std::shared_ptr<Shared> shared_;
  // The owner's reference: queued work refers to the dispatcher only weakly,
  // so work waiting in a queue never keeps its own queue alive.
  std::shared_ptr<Dispatcher> dispatcher_;
};

}  // namespace quillmere
