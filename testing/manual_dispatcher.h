#pragma once
// A dispatcher stepped by hand, for tests: nothing runs until the test says
// so, which makes late and out-of-order results reproducible. Background
// items may be run in any order the test chooses; main items always run in
// submission order. Not thread-safe: the test drives it from one thread.

#include <cstddef>
#include <deque>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "session/dispatcher.h"

namespace quillmere {

class ManualDispatcher : public Dispatcher {
public:
  void runInBackground(std::function<void()> work) override {
    background_.push_back(std::move(work));
  }
  void runOnMain(std::function<void()> work) override { main_.push_back(std::move(work)); }

  std::size_t pendingBackground() const { return background_.size(); }
  std::size_t pendingMain() const { return main_.size(); }

  // True while a background item runs: what runs then must not touch main-thread state.
  bool inBackground() const { return inBackground_; }

  // Runs the background item at `index` (0 = the oldest still pending).
  void runBackground(std::size_t index = 0) {
    if (index >= background_.size()) throw std::out_of_range("no such background item");
    auto work = std::move(background_[index]);
    background_.erase(background_.begin() + static_cast<std::ptrdiff_t>(index));
    inBackground_ = true;
    work();
    inBackground_ = false;
  }

  // Runs the oldest main item; false when there was none.
  bool runNextMain() {
    if (main_.empty()) return false;
    auto work = std::move(main_.front());
    main_.pop_front();
    work();
    return true;
  }

  // Runs main items until none is left, including those they submit.
  std::size_t drainMain() {
    std::size_t count = 0;
    while (runNextMain()) ++count;
    return count;
  }

  // Runs everything, oldest background item first, draining the main queue
  // after each, until both queues are empty.
  void runAll() {
    drainMain();
    while (!background_.empty()) {
      runBackground(0);
      drainMain();
    }
  }

  // Forgets every pending item without running it.
  void discardAll() {
    background_.clear();
    main_.clear();
  }

private:
  std::vector<std::function<void()>> background_;
  std::deque<std::function<void()>> main_;
  bool inBackground_ = false;
};

}  // namespace quillmere
