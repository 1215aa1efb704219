#pragma once
// A privileged remover for tests: records every call and answers as told.
// Thread-safe, since removals run on background threads.

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "privileged/privileged_remover.h"

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
  // How a prompt that never lets the remover run ends (Cancelled or
  // PasswordRefused), for every run from now on.
  void stopAtPrompt(PrivilegedOutcome::Result how) {
    std::lock_guard lock(mutex_);
    promptStop_ = how;
  }
  // Paths of a shape our remover would not take: never handed over.
  void outside(const std::string& path) {
    std::lock_guard lock(mutex_);
    outside_.insert(path);
  }
  // Every path handed over, in order, over all runs.
  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int runs() const {
    std::lock_guard lock(mutex_);
    return runs_;
  }

  bool accepts(const std::string& path) const override {
    std::lock_guard lock(mutex_);
    return !outside_.count(path);
  }
  std::vector<PrivilegedOutcome> removeWithPrivileges(const std::vector<PrivilegedEntry>& entries) override {
    using Result = PrivilegedOutcome::Result;
    std::lock_guard lock(mutex_);
    ++runs_;
    std::vector<PrivilegedOutcome> outcomes;
    for (const PrivilegedEntry& entry : entries) {
      calls_.push_back(entry.path);
      const bool removed = !refuseAll_ && !refused_.count(entry.path);
      outcomes.push_back({promptStop_ ? *promptStop_ : removed ? Result::Removed : Result::NotRemoved, {}});
    }
    return outcomes;
  }

private:
  mutable std::mutex mutex_;
  std::set<std::string> refused_, outside_;
  bool refuseAll_ = false;
  std::optional<PrivilegedOutcome::Result> promptStop_;
  std::vector<std::string> calls_;
  int runs_ = 0;
};

}  // namespace quillmere
