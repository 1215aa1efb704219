#pragma once
// A privileged remover for tests: records every call and answers as told.
// Thread-safe, since removals run on background threads.

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/privileged_remover.h"

namespace quillmere {

class FakePrivilegedRemover : public PrivilegedRemover {
public:
  // Paths for which the removal reports an error; every other path succeeds.
  void refuse(const std::string& path) {
    std::lock_guard lock(mutex_);
    refused_.insert(path);
  }
  void refuseAll(bool refuse = true) {
    std::lock_guard lock(mutex_);
    refuseAll_ = refuse;
  }
  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  bool removeWithPrivileges(const std::string& path) override {
    std::lock_guard lock(mutex_);
    calls_.push_back(path);
    return !refuseAll_ && !refused_.count(path);
  }

private:
  mutable std::mutex mutex_;
  std::set<std::string> refused_;
  bool refuseAll_ = false;
  std::vector<std::string> calls_;
};

}  // namespace quillmere
