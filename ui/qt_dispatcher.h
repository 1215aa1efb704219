#pragma once
// The Dispatcher of the window: background work on Qt's global thread pool,
// main work as queued calls on the thread that created the dispatcher (the
// GUI thread), run one at a time in submission order.

#include <QPointer>

#include "session/dispatcher.h"

class QObject;

namespace quillmere::ui {

class QtDispatcher final : public Dispatcher {
public:
  QtDispatcher();  // create on the main thread
  ~QtDispatcher() override;

  void runInBackground(std::function<void()> work) override;
  void runOnMain(std::function<void()> work) override;  // callable from any thread

private:
  QObject* receiver_;  // lives in the main thread; queued calls are posted to it
};

// Call after the event loop has finished. When background work is still
// running (a long scan, a removal waiting for authorisation) this ends the
// process at once with `status`, instead of letting Qt join the thread pool;
// otherwise it returns and the caller exits normally. Nothing is persisted, so
// there is nothing to flush but the standard streams.
void exitNowIfBackgroundWorkRuns(int status);

}  // namespace quillmere::ui
