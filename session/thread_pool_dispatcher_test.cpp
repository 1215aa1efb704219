#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "session/thread_pool_dispatcher.h"

namespace quillmere {
namespace {

using namespace std::chrono_literals;

// Generous: only a hang guard, never a measure of speed.
constexpr auto kPatience = std::chrono::milliseconds(60s);

TEST(ThreadPoolDispatcher, MainWorkRunsOnTheCallingThreadInSubmissionOrder) {
  ThreadPoolDispatcher dispatcher(2);
  const auto mainThread = std::this_thread::get_id();
  std::vector<int> order;  // touched on the main thread only
  std::mutex mutex;
  std::set<std::thread::id> backgroundThreads;

  for (int batch = 0; batch < 4; ++batch) {
    dispatcher.runInBackground([&, batch] {
      {
        std::lock_guard lock(mutex);
        backgroundThreads.insert(std::this_thread::get_id());
      }
      for (int i = 0; i < 25; ++i) {
        dispatcher.runOnMain([&, batch, i] {
          EXPECT_EQ(std::this_thread::get_id(), mainThread);
          order.push_back(batch * 100 + i);
        });
      }
    });
  }
  ASSERT_TRUE(dispatcher.runMainUntil([&] { return order.size() == 100; }, kPatience));
  EXPECT_FALSE(backgroundThreads.count(mainThread));
  // Each submitter's items keep their order, whatever the interleaving.
  std::vector<int> last(4, -1);
  for (int value : order) {
    EXPECT_GT(value % 100, last[value / 100]);
    last[value / 100] = value % 100;
  }
}

TEST(ThreadPoolDispatcher, RunPendingMainRunsWhatItsItemsSubmit) {
  ThreadPoolDispatcher dispatcher(1);
  std::vector<int> order;
  dispatcher.runOnMain([&] {
    order.push_back(1);
    dispatcher.runOnMain([&] { order.push_back(3); });
  });
  dispatcher.runOnMain([&] { order.push_back(2); });
  EXPECT_EQ(dispatcher.runPendingMain(), 3u);
  EXPECT_EQ(order, (std::vector{1, 2, 3}));
  EXPECT_FALSE(dispatcher.runMainUntil([] { return false; }, 1ms)) << "nothing more arrives";
}

TEST(ThreadPoolDispatcher, DestructorRunsSubmittedBackgroundWorkThenJoins) {
  std::atomic<int> done = 0;
  {
    ThreadPoolDispatcher dispatcher(2);
    for (int i = 0; i < 50; ++i) {
      dispatcher.runInBackground([&] {
        std::this_thread::yield();
        ++done;
      });
    }
  }
  EXPECT_EQ(done.load(), 50);
}

// Signals when destroyed: tells the test that a queue dropped its captures.
struct DropSignal {
  explicit DropSignal(std::promise<void>* p) : promise(p) {}
  DropSignal(const DropSignal&) = delete;
  ~DropSignal() { promise->set_value(); }
  std::promise<void>* promise;
};

TEST(ThreadPoolDispatcher, LastReferenceReleasedByAWorkerIsSafe) {
  auto dispatcher = std::make_shared<ThreadPoolDispatcher>(2);
  std::promise<void> released;
  std::promise<void> dropped;
  dispatcher->runOnMain([signal = std::make_shared<DropSignal>(&dropped)] {});
  dispatcher->runInBackground([self = dispatcher, wait = released.get_future().share()]() mutable {
    wait.wait();
    self.reset();  // the destructor runs here, on a pool thread
  });
  dispatcher.reset();
  released.set_value();
  dropped.get_future().wait();  // the destructor got to its end without joining itself
}

}  // namespace
}  // namespace quillmere
