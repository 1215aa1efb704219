#pragma once
// Where work runs: in the background (off the main thread, possibly in
// parallel) or on the main thread (one at a time, in submission order).

#include <functional>

namespace quillmere {

class Dispatcher {
public:
  virtual ~Dispatcher() = default;
  virtual void runInBackground(std::function<void()> work) = 0;
  virtual void runOnMain(std::function<void()> work) = 0;
};

}  // namespace quillmere
