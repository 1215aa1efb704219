#include "ui/qt_dispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QThreadPool>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

// Qt's thread pool synchronises with futexes that ThreadSanitizer does not
// see. Under it, each hand-over is announced explicitly (release before handing
// the work to Qt, acquire before running it), so the sanitizer knows what
// the real queues guarantee and still reports any other race.
#if defined(__SANITIZE_THREAD__)
#define QUILLMERE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUILLMERE_TSAN 1
#endif
#endif
#if defined(QUILLMERE_TSAN)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace quillmere::ui {
namespace {

void handedOver(void* queue) {
#if defined(QUILLMERE_TSAN)
  __tsan_release(queue);
#else
  (void)queue;
#endif
}

void takenOver(void* queue) {
#if defined(QUILLMERE_TSAN)
  __tsan_acquire(queue);
#else
  (void)queue;
#endif
}

char backgroundQueue;  // its address stands for the thread pool's queue

// The session's own pool. Every piece of background work gets a thread at
// once, never a place in a queue: a removal may sit at the authorisation
// prompt, an analysis walk a large Library and sizes be measured, all while
// the next drop must still be decoded. The work is a handful of blocking
// calls, not a stream of small tasks, so the cap is only a backstop. Idle
// threads end after Qt's usual 30 s. Never deleted: the exit check below
// still asks it after every window is gone.
QThreadPool& backgroundPool() {
  static QThreadPool* const pool = [] {
    auto* p = new QThreadPool;
    p->setMaxThreadCount(256);
    return p;
  }();
  return *pool;
}

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Main work waits in a queue of our own, drained in submission order in
// slices of about kSliceMs, a third of a frame. A removal reports two lines per file, far
// faster than any window can show them; draining that flood in one go would
// keep input, timers and painting waiting for seconds. Between slices the
// event loop runs everything else.
constexpr qint64 kSliceMs = 5;
}  // namespace

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
        if (slice.elapsed() >= kSliceMs) {
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
  std::function<void()> job = [work = std::move(work)] {
    takenOver(&backgroundQueue);
    work();
  };
  handedOver(&backgroundQueue);
  backgroundPool().start(std::move(job));
}

void QtDispatcher::runOnMain(std::function<void()> work) { receiver_->push(std::move(work)); }

bool waitForBackgroundWork(int msecs) { return backgroundPool().waitForDone(msecs); }

void exitNowIfBackgroundWorkRuns(int status) {
  if (backgroundPool().activeThreadCount() == 0) return;
  // Destroying QCoreApplication (and the pool's own destructor) would join the
  // workers, which may be deep in a folder walk or blocked at a password
  // prompt. Skip every destructor instead.
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace quillmere::ui
