#pragma once
// The non-visual half of the main view: the five fields of session state, the
// state machine of one uninstall session, and the hand-over of work between
// the background and the main thread. Every method is called on the main
// thread; results come back through the Dispatcher's main queue and are
// applied whenever they arrive, whatever the state is by then.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/app_analyzer.h"
#include "model/app_info.h"
#include "model/uninstall_state.h"
#include "removal/removal_history.h"
#include "removal/restore.h"
#include "removal/uninstaller.h"
#include "session/dispatcher.h"
#include "session/drop_intake.h"
#include "selection/row_selection.h"

namespace quillmere {

// The blocking work the controller runs in the background. Replaceable so
// tests can run fakes; `standard` runs a fresh AppAnalyzer per analysis and
// an Uninstaller per removal (a null `privileged` means the platform's own),
// measures entries with measureEntry and predicts with that Uninstaller which
// need rights. Without `measure` nothing is measured.
struct SessionServices {
  std::function<AnalysisResult(const std::string& appPath)> analyze;
  std::function<void(const AppInfo&, const ProgressCallback&, const CompletionCallback&)> uninstall;
  // The same removal moving rows to the Trash; without it the window offers no Trash.
  std::function<void(const AppInfo&, const ProgressCallback&, const CompletionCallback&)> uninstallToTrash;
  // Appends a removal's record to the history, when it starts and when it
  // ends; without it nothing is recorded.
  std::function<void(const HistoryRecord&)> recordRemoval;
  // The history, oldest first, and putting a trashed removal back.
  std::function<std::vector<HistoryRecord>()> readHistory;
  std::function<std::vector<RestoredRow>(const HistoryRecord&)> restore;
  // The size of one listed entry, nullopt when unreadable; gives up early
  // once `stop` turns true.
  std::function<std::optional<std::uint64_t>(const std::string& path, const std::atomic<bool>& stop)> measure;
  // Whether the removal would ask for administrator rights for one listed
  // entry (Uninstaller::needsPrivileges); looked at beside the measuring.
  // Without it no row needs rights.
  std::function<bool(const std::string& path, const std::optional<EntryIdentity>& listed,
                     const std::atomic<bool>& stop)>
      needsRights;

  static SessionServices standard(SearchLocations locations,
                                  std::shared_ptr<PrivilegedRemover> privileged);
};

// Rows: the ready list's selection or its measured sizes changed.
// PutBack: the last removal's put-back ran, or its record arrived.
enum class SessionField { State, IsTargeted, ShowConfirmation, CurrentApp, UninstallLog, Rows, PutBack };

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
  // The rows of the record shown in `ready`; empty in every other state.
  const RowSelection& rowSelection() const;
  // True from the moment `ready` is shown until every row is measured or
  // the session leaves `ready`.
  bool isMeasuring() const;
  // What the last removal deleted so far, and what that freed by the sizes
  // measured for `ready`; empty again after a reset.
  const FreedTally& freed() const;
  // The rows the last removal could not delete, each with its reason, `row`
  // being its place in that removal's first list; empty again after a reset.
  const std::vector<RowEvent>& failedRows() const;
  // Whether the error shown came from a removal rather than from the drop or
  // the analysis.
  bool errorFromRemoval() const;

  // Whether a confirmed removal moves its rows to the Trash (the dialog's box).
  bool canRemoveToTrash() const;
  bool removesToTrash() const;
  void setRemovesToTrash(bool toTrash);
  // The last removal's record when it moved rows to the Trash, until a reset.
  const std::optional<HistoryRecord>& trashedRemoval() const;
  // Puts `record`'s trashed rows back, in the background; the lines come back
  // through putBackLines() (and SessionField::PutBack). Nothing while one runs.
  void putBack(const HistoryRecord& record);
  const std::vector<std::string>& putBackLines() const;
  bool isPuttingBack() const;
  // The history, newest first, read in the background (SessionField::PutBack).
  void loadHistory();
  const std::vector<HistoryRecord>& history() const;

  // Called after every change of a field, on the main thread.
  void setChangeListener(std::function<void(SessionField)> listener);

  void analyzeApp(const std::string& path);
  void performUninstall(AppInfo app);
  void resetState();
  // "Retry" after a removal that left rows: removes only those rows again, each
  // checked as at the first try (still the entry listed then). Without failed
  // rows it resets, as after an analysis error.
  void retry();
  void handleDrop(const std::vector<DroppedItem>& items);

  // The drop zone's hover tracking.
  void setTargeted(bool targeted);
  // Leaves a row of the ready list out of the removal, or puts it back.
  void setRowSelected(std::size_t row, bool selected);
  void toggleRow(std::size_t row);
  // Many rows at once, reported as one change.
  void setRowsSelected(const std::vector<std::size_t>& rows, bool selected);
  // "卸载应用": currentApp = app, then showConfirmation = true. When `app` is
  // the record shown in `ready`, currentApp holds only its selected rows, in
  // order, and nothing happens while no row is selected.
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
