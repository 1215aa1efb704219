#include "session/session_controller.h"

#include <initializer_list>
#include <utility>

namespace quillmere {
namespace {

// The text shown when a background call broke its contract (threw, or never
// completed) rather than leaving the session stuck in a busy state.
constexpr const char* kUnknownError = "Unknown error";

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
  std::function<void(SessionField)> listener;

  // Tells the owner which fields a main-thread turn changed, after all of
  // that turn's writes, so a re-render never sees half a transition.
  void notify(std::initializer_list<SessionField> fields) {
    for (SessionField field : fields) {
      // A copy, so a listener that replaces itself is not destroyed mid-call.
      if (auto call = listener) call(field);
    }
  }

  void setState(UninstallState next) {
    state = std::move(next);
    notify({SessionField::State});
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

  void analyzeApp(std::string path) {
    setState(states::Analyzing{});
    inBackground([path = std::move(path)](Shared& self) {
      std::optional<AnalysisResult> result;
      try {
        result = self.services.analyze(path);
      } catch (...) {
        // Reported below as an unknown failure; nothing may escape a pool thread.
      }
      self.onMain([result = std::move(result)](Shared& main) mutable {
        if (!result) {
          main.setState(states::Error{kUnknownError});
        } else if (auto* app = std::get_if<AppInfo>(&*result)) {
          // Moved, not copied: a record may list 100,000 paths.
          main.setState(states::Ready{std::move(*app)});
        } else {
          main.setState(states::Error{std::get<AnalysisError>(*result).localizedDescription});
        }
      });
    });
  }

  void performUninstall(AppInfo app) {
    state = states::Uninstalling{};
    uninstallLog.clear();
    notify({SessionField::State, SessionField::UninstallLog});
    inBackground([app = std::move(app)](Shared& self) {
      bool completed = false;
      auto progress = [&self](const std::string& line) {
        self.onMain([line](Shared& main) {
          main.uninstallLog.push_back(line);
          main.notify({SessionField::UninstallLog});
        });
      };
      auto completion = [&self, &completed](bool success, std::optional<std::string> message) {
        if (completed) return;  // the first completion is the result
        completed = true;
        self.onMain([success, message = std::move(message)](Shared& main) {
          if (success) {
            main.setState(states::Completed{});
          } else {
            main.setState(states::Error{message.value_or(kUnknownError)});
          }
        });
      };
      try {
        self.services.uninstall(app, progress, completion);
      } catch (...) {
        // Falls through to the missing completion below.
      }
      if (!completed) completion(false, std::nullopt);
    });
  }

  void resetState() {
    state = states::Idle{};
    currentApp.reset();
    uninstallLog.clear();
    notify({SessionField::State, SessionField::CurrentApp, SessionField::UninstallLog});
  }

  void handleDrop(const std::vector<DroppedItem>& providers) {
    if (providers.empty()) return;
    // Only the first item counts; the others are not even looked at.
    inBackground([url = providers.front().fileUrl](Shared& self) {
      std::optional<std::string> path = url ? appPathFromDroppedUrl(*url) : std::nullopt;
      self.onMain([path = std::move(path)](Shared& main) {
        if (path) {
          main.analyzeApp(*path);
        } else {
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
  // call into a view that is being destroyed with this controller.
  shared_->listener = nullptr;
}

const UninstallState& SessionController::state() const { return shared_->state; }
bool SessionController::isTargeted() const { return shared_->isTargeted; }
bool SessionController::showConfirmation() const { return shared_->showConfirmation; }
const std::optional<AppInfo>& SessionController::currentApp() const { return shared_->currentApp; }
const std::vector<std::string>& SessionController::uninstallLog() const { return shared_->uninstallLog; }

void SessionController::setChangeListener(std::function<void(SessionField)> listener) {
  shared_->listener = std::move(listener);
}

void SessionController::analyzeApp(const std::string& path) { shared_->analyzeApp(path); }
void SessionController::performUninstall(AppInfo app) { shared_->performUninstall(std::move(app)); }
void SessionController::resetState() { shared_->resetState(); }
void SessionController::handleDrop(const std::vector<DroppedItem>& providers) {
  shared_->handleDrop(providers);
}

void SessionController::setTargeted(bool targeted) {
  if (shared_->isTargeted == targeted) return;
  shared_->isTargeted = targeted;
  shared_->notify({SessionField::IsTargeted});
}

void SessionController::requestUninstall(const AppInfo& app) {
  shared_->currentApp = app;
  shared_->showConfirmation = true;
  shared_->notify({SessionField::CurrentApp, SessionField::ShowConfirmation});
}

void SessionController::confirmUninstall() {
  if (shared_->currentApp) shared_->performUninstall(*shared_->currentApp);
}

void SessionController::dismissConfirmation() {
  if (!shared_->showConfirmation) return;
  shared_->showConfirmation = false;
  shared_->notify({SessionField::ShowConfirmation});
}

}  // namespace quillmere
