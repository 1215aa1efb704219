#pragma once
// For tests, a dispatcher without a GUI event loop: background work runs on a
// small pool of threads; main work is queued until the thread that plays the
// main thread calls runPendingMain() or runMainUntil(). The destructor runs
// the background work already submitted, then joins the pool; main work still
// queued then is dropped without running.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "session/dispatcher.h"

namespace quillmere {

class ThreadPoolDispatcher : public Dispatcher {
public:
  explicit ThreadPoolDispatcher(unsigned threadCount = 2);
  ~ThreadPoolDispatcher() override;
  ThreadPoolDispatcher(const ThreadPoolDispatcher&) = delete;
  ThreadPoolDispatcher& operator=(const ThreadPoolDispatcher&) = delete;

  void runInBackground(std::function<void()> work) override;
  void runOnMain(std::function<void()> work) override;

  // Runs queued main work on the calling thread until the queue is empty,
  // including work submitted meanwhile; returns how many items ran.
  std::size_t runPendingMain();

  // Runs main work on the calling thread as it arrives until `done` returns
  // true (checked before each wait and after each item) or `timeout` passes.
  // Returns the last answer of `done`.
  bool runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
  struct Pool;
  // Shared with the workers, so that a worker which drops the last reference
  // to this dispatcher (and so runs the destructor itself) still finds its
  // queue alive afterwards.
  std::shared_ptr<Pool> pool_;
  std::vector<std::thread> workers_;
};

}  // namespace quillmere
