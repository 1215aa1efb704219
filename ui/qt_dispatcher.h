#pragma once
// The Dispatcher of the window: each piece of background work on a thread of
// its own, so none ever waits for another to finish; main work on the thread that created the dispatcher (the GUI thread), run
// one at a time in submission order, in short slices between other events.

#include "session/dispatcher.h"

namespace quillmere::ui {

class MainReceiver;

class QtDispatcher final : public Dispatcher {
public:
  QtDispatcher();  // create on the main thread
  ~QtDispatcher() override;

  void runInBackground(std::function<void()> work) override;
  void runOnMain(std::function<void()> work) override;  // callable from any thread

private:
  MainReceiver* receiver_;  // lives in the main thread and runs the queued calls
};

// Waits up to `msecs` for the background work of every QtDispatcher to end;
// true when none is left.
bool waitForBackgroundWork(int msecs);

// Call after the event loop has finished. When background work is still
// running (a long scan, a removal waiting for authorisation) this ends the
// process at once with `status`, instead of letting Qt join the thread pool;
// otherwise it returns and the caller exits normally. Nothing is persisted, so
// there is nothing to flush but the standard streams.
void exitNowIfBackgroundWorkRuns(int status);

}  // namespace quillmere::ui
