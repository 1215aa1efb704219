#include "ui/qt_dispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThreadPool>
#include <cstdio>
#include <cstdlib>

// Qt's queues synchronise with futexes that ThreadSanitizer does not see.
// Under it, each hand-over is announced explicitly (release before handing
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

const QEvent::Type kWorkEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// One piece of main work, built completely before it is handed to Qt.
class WorkEvent : public QEvent {
public:
  explicit WorkEvent(std::function<void()> work) : QEvent(kWorkEvent), work(std::move(work)) {}
  std::function<void()> work;
};

// Posted events to one receiver are delivered in the order they were posted,
// whichever thread posted them.
class MainReceiver : public QObject {
public:
  bool event(QEvent* event) override {
    if (event->type() != kWorkEvent) return QObject::event(event);
    takenOver(this);
    static_cast<WorkEvent*>(event)->work();
    return true;
  }
};

}  // namespace

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
  QThreadPool::globalInstance()->start(std::move(job));
}

void QtDispatcher::runOnMain(std::function<void()> work) {
  auto* event = new WorkEvent(std::move(work));
  handedOver(receiver_);
  QCoreApplication::postEvent(receiver_, event);
}

void exitNowIfBackgroundWorkRuns(int status) {
  if (QThreadPool::globalInstance()->activeThreadCount() == 0) return;
  // Destroying QCoreApplication (and the pool's own destructor) would join the
  // workers, which may be deep in a folder walk or blocked at a password
  // prompt. Skip every destructor instead.
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace quillmere::ui
