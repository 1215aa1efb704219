#include "session/thread_pool_dispatcher.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace quillmere {

struct ThreadPoolDispatcher::Pool {
  std::mutex mutex;
  std::condition_variable backgroundReady;
  std::condition_variable mainReady;
  std::deque<std::function<void()>> background;
  std::deque<std::function<void()>> main;
  bool stopping = false;

  // Worker loop: after stop it keeps going until the queue is empty, so work
  // submitted before the destructor (or by work still running) is not lost.
  static void work(const std::shared_ptr<Pool>& pool) {
    std::unique_lock lock(pool->mutex);
    for (;;) {
      pool->backgroundReady.wait(lock, [&] { return pool->stopping || !pool->background.empty(); });
      if (pool->background.empty()) return;
      auto item = std::move(pool->background.front());
      pool->background.pop_front();
      lock.unlock();
      item();
      // Destroy what the item captured before taking the lock again: its
      // destructors may submit work.
      item = nullptr;
      lock.lock();
    }
  }

  std::function<void()> popMain() {
    std::lock_guard lock(mutex);
    if (main.empty()) return nullptr;
    auto item = std::move(main.front());
    main.pop_front();
    return item;
  }
};

ThreadPoolDispatcher::ThreadPoolDispatcher(unsigned threadCount)
    : pool_(std::make_shared<Pool>()) {
  if (threadCount == 0) threadCount = 1;
  workers_.reserve(threadCount);
  for (unsigned i = 0; i < threadCount; ++i) {
    workers_.emplace_back([pool = pool_] { Pool::work(pool); });
  }
}

ThreadPoolDispatcher::~ThreadPoolDispatcher() {
  {
    std::lock_guard lock(pool_->mutex);
    pool_->stopping = true;
  }
  pool_->backgroundReady.notify_all();
  for (auto& worker : workers_) {
    // A worker cannot join itself; it finishes on its own reference to the pool.
    if (worker.get_id() == std::this_thread::get_id()) {
      worker.detach();
    } else {
      worker.join();
    }
  }
  // Dropping the unrun main work outside the lock: its captures may be the
  // last owners of objects whose destructors submit more work.
  std::deque<std::function<void()>> unrun;
  {
    std::lock_guard lock(pool_->mutex);
    unrun.swap(pool_->main);
  }
}

void ThreadPoolDispatcher::runInBackground(std::function<void()> work) {
  {
    std::lock_guard lock(pool_->mutex);
    pool_->background.push_back(std::move(work));
  }
  pool_->backgroundReady.notify_one();
}

void ThreadPoolDispatcher::runOnMain(std::function<void()> work) {
  {
    std::lock_guard lock(pool_->mutex);
    pool_->main.push_back(std::move(work));
  }
  pool_->mainReady.notify_all();
}

std::size_t ThreadPoolDispatcher::runPendingMain() {
  std::size_t count = 0;
  while (auto item = pool_->popMain()) {
    item();
    ++count;
  }
  return count;
}

bool ThreadPoolDispatcher::runMainUntil(const std::function<bool()>& done,
                                        std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    std::function<void()> item;
    {
      std::unique_lock lock(pool_->mutex);
      if (!pool_->mainReady.wait_until(lock, deadline, [&] { return !pool_->main.empty(); })) {
        lock.unlock();
        return done();
      }
      item = std::move(pool_->main.front());
      pool_->main.pop_front();
    }
    item();
  }
}

}  // namespace quillmere
