#include "ui/qt_dispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <chrono>
#include <condition_variable>

#include "ui/frame_budget.h"

namespace quillmere::ui {
namespace {

// Every piece of background work gets a thread of its own at once, never a
// place in a queue: a removal may sit at the authorisation prompt, an
// analysis walk a large Library and sizes be measured, all while the next
// drop must still be decoded. The work is a handful of blocking calls, not a
// stream of small tasks, so a thread each costs nothing worth pooling. Plain
// threads also hand their work over in a way ThreadSanitizer sees, which
// Qt's futex-based pool does not.
struct BackgroundThreads {
  std::mutex mutex;
  std::condition_variable idle;
  int running = 0;
};

// Never deleted: the exit check below still asks it after every window is gone.
BackgroundThreads& backgroundThreads() {
  static auto* const threads = new BackgroundThreads;
  return *threads;
}

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

// Main work waits in a queue of our own, drained in submission order in
// slices (frame_budget.h). A removal reports two lines per file, far faster
// than any window can show them; draining that flood in one go would keep
// input, timers and painting waiting for seconds. Between slices the event
// loop runs everything else.
class MainReceiver : public QObject {
public:
  void push(std::function<void()> work) {
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(work));
      wake = !wakePosted_;
      wakePosted_ = true;
    }
    if (wake) QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
  }

  bool event(QEvent* event) override {
    if (event->type() != kWakeEvent) return QObject::event(event);
    {
      // From here on a new submission posts a wake of its own, so work
      // submitted while this slice runs (or inside a nested event loop) is
      // never stranded.
      std::lock_guard lock(mutex_);
      wakePosted_ = false;
    }
    QElapsedTimer slice;
    slice.start();
    for (;;) {
      std::function<void()> work;
      {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return true;
        if (slice.elapsed() >= frame_budget::kMainSliceMs) {
          if (!wakePosted_) {
            wakePosted_ = true;
            QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
          }
          return true;
        }
        work = std::move(queue_.front());
        queue_.pop_front();
      }
      work();
    }
  }

private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  bool wakePosted_ = false;
};

QtDispatcher::QtDispatcher() : receiver_(new MainReceiver) {}

QtDispatcher::~QtDispatcher() {
  // The last owner may let go on a worker thread; deleteLater is safe from
  // any thread and drops calls still queued for the receiver.
  receiver_->deleteLater();
}

void QtDispatcher::runInBackground(std::function<void()> work) {
  BackgroundThreads& threads = backgroundThreads();
  {
    std::lock_guard lock(threads.mutex);
    ++threads.running;
  }
  std::thread([work = std::move(work)]() mutable {
    work();
    work = nullptr;  // what it captured goes before it counts as done
    BackgroundThreads& pool = backgroundThreads();
    std::lock_guard lock(pool.mutex);
    if (--pool.running == 0) pool.idle.notify_all();
  }).detach();
}

void QtDispatcher::runOnMain(std::function<void()> work) { receiver_->push(std::move(work)); }

bool waitForBackgroundWork(int msecs) {
  BackgroundThreads& threads = backgroundThreads();
  std::unique_lock lock(threads.mutex);
  return threads.idle.wait_for(lock, std::chrono::milliseconds(msecs), [&] { return threads.running == 0; });
}

void exitNowIfBackgroundWorkRuns(int status) {
  {
    BackgroundThreads& threads = backgroundThreads();
    std::lock_guard lock(threads.mutex);
    if (threads.running == 0) return;
  }
  // Returning from main would run the static destructors under threads that
  // may be deep in a folder walk or blocked at a password prompt. Skip every
  // destructor instead.
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace quillmere::ui
