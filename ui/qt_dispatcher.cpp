#include "ui/qt_dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThreadPool>
#include <cstdio>
#include <cstdlib>

namespace quillmere::ui {

QtDispatcher::QtDispatcher() : receiver_(new QObject) {}

QtDispatcher::~QtDispatcher() {
  // The last owner may let go on a worker thread; deleteLater is safe from
  // any thread and drops calls still queued for the receiver.
  receiver_->deleteLater();
}

void QtDispatcher::runInBackground(std::function<void()> work) {
  QThreadPool::globalInstance()->start(std::move(work));
}

void QtDispatcher::runOnMain(std::function<void()> work) {
  // Queued calls to one receiver are delivered in the order they were posted,
  // whichever thread posted them.
  QMetaObject::invokeMethod(receiver_, std::move(work), Qt::QueuedConnection);
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
