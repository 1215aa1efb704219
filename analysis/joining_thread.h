#pragma once
// A thread that is joined when it goes out of scope, on every way out, as
// std::jthread would be: the libc++ of macOS 13's Xcode has no std::jthread.

#include <thread>
#include <utility>

namespace quillmere {

class JoiningThread {
public:
  // Throws std::system_error when no thread can be had, as std::thread does.
  template <class Work>
  explicit JoiningThread(Work&& work) : thread_(std::forward<Work>(work)) {}
  JoiningThread(JoiningThread&&) noexcept = default;  // a vector of them may grow
  JoiningThread& operator=(JoiningThread&&) = delete;  // would drop a running thread
  ~JoiningThread() {
    if (thread_.joinable()) thread_.join();
  }

private:
  std::thread thread_;
};

}  // namespace quillmere
