#include "session/session_controller.h"

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <type_traits>
#include <utility>

namespace quillmere {
namespace {

// The text shown when a background call broke its contract (threw, or never
// completed) rather than leaving the session stuck in a busy state.
constexpr const char* kUnknownError = "Unknown error";

// Measured sizes reach the main thread in batches at most this far apart: soon
// enough to look immediate, few enough that 100,000 small entries do not queue
// 100,000 updates.
constexpr auto kSizeBatchInterval = std::chrono::milliseconds(30);

// One measuring run's results, from `first` on: rows' rights or rows' sizes,
// never both; `done` with the last batch.
struct SizeBatch {
  std::size_t first = 0;
  std::vector<std::optional<std::uint64_t>> sizes;
  std::vector<bool> needsRights;
  bool done = false;
};

// The listed rows as the measuring sees them: its own copy, made off the
// main thread.
using Listing = std::vector<ListedRow>;

}  // namespace

// Everything queued work touches. Fields are read and written only on the
// main thread; `dispatcher` and `services` are fixed at construction and may
// be read from any thread.
struct SessionController::Shared : std::enable_shared_from_this<Shared> {
  Shared(std::weak_ptr<Dispatcher> d, SessionServices s)
      : dispatcher(std::move(d)), services(std::move(s)) {}

  const std::weak_ptr<Dispatcher> dispatcher;
  const SessionServices services;

  UninstallState state = states::Idle{};
  bool isTargeted = false;
  bool showConfirmation = false;
  std::optional<AppInfo> currentApp;
  std::vector<std::string> uninstallLog;
  // The running or last removal's tally; the tally the confirmed currentApp
  // will start with.
  FreedTally freed;
  FreedTally confirmedTally;
  // The running or last removal's record, its failed rows, and where the
  // running one's rows stand in the first list (empty: the same places).
  std::optional<AppInfo> removed;
  std::vector<RowEvent> failed;
  std::vector<std::size_t> firstPlaces;
  std::function<void(SessionField)> listener;
  RowSelection rows;  // of the record in `ready`
  bool toTrash = false;
  std::optional<HistoryRecord> trashedRemoval;
  std::vector<std::string> putBackLines;
  bool puttingBack = false;
  std::vector<HistoryRecord> history;  // newest first
  // The running measurement's stop flag; null when none runs.
  std::shared_ptr<std::atomic<bool>> measuring;
  // Counts the sessions started: a removal's lines and result apply only
  // while the session that started it is still the one shown. A drop is
  // taken in every state, so a removal may end after another app's
  // analysis, ready list or removal has taken the screen.
  std::uint64_t session = 0;

  // Tells the owner which fields a main-thread turn changed, after all of
  // that turn's writes, so a re-render never sees half a transition.
  void notify(std::initializer_list<SessionField> fields) {
    for (SessionField field : fields) {
      // A copy, so a listener that replaces itself is not destroyed mid-call.
      if (auto call = listener) call(field);
    }
  }

  void setState(UninstallState next) {
    leaveReady();
    state = std::move(next);
    notify({SessionField::State});
  }

  // Every change of `state` passes here first: the rows belong to the record
  // shown, and their measuring stops as soon as it is no longer shown.
  void leaveReady() {
    stopMeasuring();
    if (rows.size() != 0) rows = RowSelection();
  }

  void stopMeasuring() {
    if (measuring) measuring->store(true);
    measuring.reset();
  }

  void showReady(AppInfo app, RowSelection built, std::shared_ptr<const Listing> listing) {
    leaveReady();
    rows = std::move(built);
    state = states::Ready{std::move(app)};
    if ((services.measure || services.needsRights) && listing && !listing->empty())
      startMeasuring(std::move(listing));
    // The screen reads the rows when it shows the new state.
    notify({SessionField::State});
  }

  void startMeasuring(std::shared_ptr<const Listing> listing) {
    auto stop = std::make_shared<std::atomic<bool>>(false);
    measuring = stop;
    inBackground([listing = std::move(listing), stop](Shared& self) {
      const Listing& paths = *listing;
      using Clock = std::chrono::steady_clock;
      SizeBatch batch;
      auto sent = Clock::now();
      auto send = [&] {
        self.onMain([stop, batch = std::move(batch)](Shared& main) {
          // A run that was stopped may still deliver what it had: not shown.
          if (main.measuring != stop) return;
          for (std::size_t i = 0; i < batch.sizes.size(); ++i) main.rows.setSize(batch.first + i, batch.sizes[i]);
          for (std::size_t i = 0; i < batch.needsRights.size(); ++i)
            main.rows.setNeedsRights(batch.first + i, batch.needsRights[i]);
          if (batch.done) main.measuring.reset();
          main.notify({SessionField::Rows});
        });
        batch = SizeBatch{};
        sent = Clock::now();
      };
      // One pass over the rows into one column of the batch; false when
      // stopped: an answer cut short is not shown.
      auto pass = [&](auto& column, auto answer) {
        for (std::size_t row = 0; row < paths.size(); ++row) {
          if (stop->load()) return false;
          typename std::remove_reference_t<decltype(column)>::value_type value{};
          try {
            value = answer(row);
          } catch (...) {
            // No answer rather than a wrong one; nothing may escape a pool thread.
          }
          if (stop->load()) return false;
          if (column.empty()) batch.first = row;
          column.push_back(value);
          if (Clock::now() - sent >= kSizeBatchInterval) send();
        }
        return true;
      };
      // Every row's rights before any size: the dialog needs them, and one
      // large folder's measuring must not hold back the rights of the rows
      // after it.
      if (self.services.needsRights) {
        if (!pass(batch.needsRights, [&](std::size_t row) {
              return self.services.needsRights(paths[row].path, paths[row].identity, *stop);
            }))
          return;
        if (!batch.needsRights.empty()) send();
      }
      if (self.services.measure &&
          !pass(batch.sizes, [&](std::size_t row) { return self.services.measure(paths[row].path, *stop); }))
        return;
      batch.done = true;
      send();
    });
  }

  // Any thread: queues `effect` for the main thread with a reference to this
  // state. Dropped when the dispatcher is already gone: nobody is left to
  // show it.
  void onMain(std::function<void(Shared&)> effect) {
    if (auto d = dispatcher.lock()) {
      d->runOnMain([self = shared_from_this(), effect = std::move(effect)] { effect(*self); });
    }
  }

  void inBackground(std::function<void(Shared&)> work) {
    if (auto d = dispatcher.lock()) {
      d->runInBackground([self = shared_from_this(), work = std::move(work)] { work(*self); });
    }
  }

  // A new app or a rejected drop: no removal to retry any more.
  void forgetRemoval() {
    removed.reset();
    failed.clear();
    firstPlaces.clear();
  }

  void analyzeApp(std::string path) {
    forgetRemoval();
    ++session;
    setState(states::Analyzing{});
    inBackground([path = std::move(path)](Shared& self) {
      std::optional<AnalysisResult> result;
      RowSelection selection;
      std::shared_ptr<const Listing> listing;
      try {
        result = self.services.analyze(path);
        // The rows' bookkeeping and the measuring's own copy of the list are
        // made here, not on the main thread: a record may list 100,000 paths.
        if (auto* app = std::get_if<AppInfo>(&*result)) {
          selection = RowSelection(app->relatedFiles(), app->evidence());
          listing = std::make_shared<const Listing>(app->rows);
        }
      } catch (...) {
        // Reported below as an unknown failure; nothing may escape a pool thread.
        result.reset();
      }
      self.onMain([result = std::move(result), rows = std::move(selection),
                   listing = std::move(listing)](Shared& main) mutable {
        if (!result) {
          main.setState(states::Error{kUnknownError});
        } else if (auto* app = std::get_if<AppInfo>(&*result)) {
          // Moved, not copied: a record may list 100,000 paths.
          main.showReady(std::move(*app), std::move(rows), std::move(listing));
        } else {
          main.setState(states::Error{std::get<AnalysisError>(*result).localizedDescription});
        }
      });
    });
  }

  // A removal's event: its line goes to the log, and a deleted row counts
  // towards what was freed.
  void record(RowEvent event) {
    if (event.row < firstPlaces.size()) event.row = firstPlaces[event.row];
    if (event.outcome == RowOutcome::Deleted || event.outcome == RowOutcome::DeletedWithPrivileges ||
        event.outcome == RowOutcome::Trashed)
      freed.deleted(event.row);
    if (auto line = logLineOf(event)) uninstallLog.push_back(std::move(*line));
    if (event.outcome == RowOutcome::Failed) failed.push_back(std::move(event));
  }

  // `places`: where each of `app`'s rows stands in the first removal's list,
  // to which `tally` belongs; empty for a first removal.
  void performUninstall(AppInfo app, FreedTally tally, std::vector<std::size_t> places = {}) {
    leaveReady();
    state = states::Uninstalling{};
    uninstallLog.clear();
    freed = std::move(tally);
    firstPlaces = std::move(places);
    failed.clear();
    if (firstPlaces.empty()) removed = app;
    // About two lines per path: room made now, not by moving a log of
    // 100,000 lines on the main thread each time it outgrows its storage.
    uninstallLog.reserve(2 * app.rows.size() + 1);
    std::vector<std::optional<std::uint64_t>> sizes;
    for (std::size_t row = 0; row < app.rows.size(); ++row) sizes.push_back(freed.measured(row));
    notify({SessionField::State, SessionField::UninstallLog});
    forgetPutBack();
    const bool trash = toTrash && services.uninstallToTrash;
    inBackground([app = std::move(app), trash, sizes = std::move(sizes), run = ++session](Shared& self) {
      bool completed = false;
      std::vector<RowEvent> events;  // for the history, on this thread
      auto progress = [&self, &events, run](const RowEvent& event) {
        events.push_back(event);
        if (event.outcome == RowOutcome::NotFound) return;  // nothing to show or count
        self.onMain([event, run](Shared& main) {
          if (main.session != run) return;
          main.record(event);
          main.notify({SessionField::UninstallLog});
        });
      };
      auto completion = [&self, &completed, run](bool success, std::optional<std::string> message) {
        if (completed) return;  // the first completion is the result
        completed = true;
        self.onMain([success, message = std::move(message), run](Shared& main) {
          if (main.session != run) return;
          if (success) {
            main.setState(states::Completed{});
          } else {
            main.setState(states::Error{message.value_or(kUnknownError)});
          }
        });
      };
      // Recorded before a row is touched: a removal that never ends (the
      // program killed, the power gone) still names what it may have moved.
      const HistoryRecord pending = pendingRecordOf(app, RemovalOptions{trash}, sizes);
      if (self.services.recordRemoval) self.services.recordRemoval(pending);
      try {
        (trash ? self.services.uninstallToTrash : self.services.uninstall)(app, progress, completion);
      } catch (...) {
        // Falls through to the missing completion below.
      }
      if (!completed) completion(false, std::nullopt);
      if (!self.services.recordRemoval) return;
      HistoryRecord record = recordOf(pending, events);
      self.services.recordRemoval(record);
      if (!record.hasTrashedRows()) return;
      self.onMain([record = std::move(record), run](Shared& main) {
        if (main.session != run) return;  // a later session's screen keeps its own
        main.trashedRemoval = std::move(record);
        main.notify({SessionField::PutBack});
      });
    });
  }

  // The last removal's record and what putting it back said go with it.
  void forgetPutBack() {
    if (!trashedRemoval && putBackLines.empty()) return;
    trashedRemoval.reset();
    putBackLines.clear();
    notify({SessionField::PutBack});
  }

  void retry() {
    if (!std::holds_alternative<states::Error>(state) || failed.empty() || !removed) return resetState();
    // The same record, so each row is still checked against what it named
    // when it was listed; only the failed rows, in their first order.
    AppInfo again = *removed;
    std::vector<bool> keep(again.rows.size(), false);
    for (const RowEvent& row : failed)
      if (row.row < keep.size()) keep[row.row] = true;
    std::vector<std::size_t> places;
    for (std::size_t row = 0; row < keep.size(); ++row)
      if (keep[row]) places.push_back(row);
    if (places.empty()) return resetState();
    again.keepRows(keep);
    FreedTally tally = std::move(freed);
    performUninstall(std::move(again), std::move(tally), std::move(places));
  }

  void resetState() {
    ++session;
    leaveReady();
    state = states::Idle{};
    currentApp.reset();
    uninstallLog.clear();
    freed = FreedTally();
    forgetRemoval();
    notify({SessionField::State, SessionField::CurrentApp, SessionField::UninstallLog});
    forgetPutBack();
  }

  void handleDrop(const std::vector<DroppedItem>& items) {
    if (items.empty()) return;
    // Only the first item counts; the others are not even looked at.
    inBackground([url = items.front().fileUrl](Shared& self) {
      std::optional<std::string> path = url ? appPathFromDroppedUrl(*url) : std::nullopt;
      self.onMain([path = std::move(path)](Shared& main) {
        if (path) {
          main.analyzeApp(*path);
        } else {
          main.forgetRemoval();
          ++main.session;
          main.setState(states::Error{kDropRejectedMessage});
        }
      });
    });
  }
};

SessionController::SessionController(std::shared_ptr<Dispatcher> dispatcher, SessionServices services)
    : shared_(std::make_shared<Shared>(dispatcher, std::move(services))),
      dispatcher_(std::move(dispatcher)) {}

SessionController::~SessionController() {
  // Work still queued keeps `shared_` alive and may run later; it must not
  // call into a view that is being destroyed with this controller. Sizes
  // nobody will see are not worth a walk that may hold up the exit.
  shared_->listener = nullptr;
  shared_->stopMeasuring();
}

const UninstallState& SessionController::state() const { return shared_->state; }
bool SessionController::isTargeted() const { return shared_->isTargeted; }
bool SessionController::showConfirmation() const { return shared_->showConfirmation; }
const std::optional<AppInfo>& SessionController::currentApp() const { return shared_->currentApp; }
const std::vector<std::string>& SessionController::uninstallLog() const { return shared_->uninstallLog; }
const RowSelection& SessionController::rowSelection() const { return shared_->rows; }
bool SessionController::isMeasuring() const { return shared_->measuring != nullptr; }
const FreedTally& SessionController::freed() const { return shared_->freed; }
const std::vector<RowEvent>& SessionController::failedRows() const { return shared_->failed; }
bool SessionController::errorFromRemoval() const {
  return std::holds_alternative<states::Error>(shared_->state) && shared_->removed.has_value();
}

void SessionController::setChangeListener(std::function<void(SessionField)> listener) {
  shared_->listener = std::move(listener);
}

bool SessionController::canRemoveToTrash() const { return bool(shared_->services.uninstallToTrash); }
bool SessionController::removesToTrash() const { return shared_->toTrash && canRemoveToTrash(); }
void SessionController::setRemovesToTrash(bool toTrash) { shared_->toTrash = toTrash; }
const std::optional<HistoryRecord>& SessionController::trashedRemoval() const { return shared_->trashedRemoval; }
const std::vector<std::string>& SessionController::putBackLines() const { return shared_->putBackLines; }
bool SessionController::isPuttingBack() const { return shared_->puttingBack; }
const std::vector<HistoryRecord>& SessionController::history() const { return shared_->history; }

void SessionController::putBack(const HistoryRecord& record) {
  if (shared_->puttingBack || !shared_->services.restore) return;
  shared_->puttingBack = true;
  shared_->putBackLines.clear();
  shared_->notify({SessionField::PutBack});
  shared_->inBackground([record](Shared& self) {
    std::vector<std::string> lines;
    try {
      for (const RestoredRow& row : self.services.restore(record)) lines.push_back(row.line());
    } catch (...) {
      lines.push_back(kUnknownError);
    }
    self.onMain([lines = std::move(lines)](Shared& main) {
      main.puttingBack = false;
      main.putBackLines = std::move(lines);
      main.notify({SessionField::PutBack});
    });
  });
}

void SessionController::loadHistory() {
  if (!shared_->services.readHistory) return;
  shared_->inBackground([](Shared& self) {
    std::vector<HistoryRecord> records = self.services.readHistory();
    std::reverse(records.begin(), records.end());
    self.onMain([records = std::move(records)](Shared& main) {
      main.history = std::move(records);
      main.notify({SessionField::PutBack});
    });
  });
}

void SessionController::analyzeApp(const std::string& path) { shared_->analyzeApp(path); }
void SessionController::performUninstall(AppInfo app) {
  // Nothing measured for a record that did not come through `ready`.
  const std::size_t rows = app.rows.size();
  shared_->performUninstall(std::move(app), FreedTally(rows));
}
void SessionController::resetState() { shared_->resetState(); }
void SessionController::retry() { shared_->retry(); }
void SessionController::handleDrop(const std::vector<DroppedItem>& items) { shared_->handleDrop(items); }

void SessionController::setTargeted(bool targeted) {
  if (shared_->isTargeted == targeted) return;
  shared_->isTargeted = targeted;
  shared_->notify({SessionField::IsTargeted});
}

void SessionController::setRowSelected(std::size_t row, bool selected) { setRowsSelected({row}, selected); }

void SessionController::setRowsSelected(const std::vector<std::size_t>& rows, bool selected) {
  RowSelection& selection = shared_->rows;
  bool changed = false;
  for (std::size_t row : rows) {
    if (row >= selection.size() || selection.isSelected(row) == selected) continue;
    selection.setSelected(row, selected);
    changed = true;
  }
  if (changed) shared_->notify({SessionField::Rows});
}

void SessionController::toggleRow(std::size_t row) {
  setRowSelected(row, !shared_->rows.isSelected(row));
}

void SessionController::requestUninstall(const AppInfo& app) {
  const auto* ready = std::get_if<states::Ready>(&shared_->state);
  const RowSelection& rows = shared_->rows;
  if (ready && ready->app.id() == app.id() && rows.size() == app.rows.size()) {
    if (rows.selectedCount() == 0 && rows.size() != 0) return;  // nothing left to delete
    AppInfo chosen = app;
    shared_->confirmedTally = rows.freedTally();
    if (rows.selectedCount() != rows.size()) {
      std::vector<bool> keep(rows.size());
      for (std::size_t row = 0; row < rows.size(); ++row) keep[row] = rows.isSelected(row);
      chosen.keepRows(keep);
    }
    shared_->currentApp = std::move(chosen);
  } else {
    shared_->currentApp = app;
    shared_->confirmedTally = FreedTally(app.rows.size());
  }
  shared_->showConfirmation = true;
  shared_->notify({SessionField::CurrentApp, SessionField::ShowConfirmation});
}

void SessionController::confirmUninstall() {
  if (shared_->currentApp) shared_->performUninstall(*shared_->currentApp, shared_->confirmedTally);
}

void SessionController::dismissConfirmation() {
  if (!shared_->showConfirmation) return;
  shared_->showConfirmation = false;
  shared_->notify({SessionField::ShowConfirmation});
}

}  // namespace quillmere
