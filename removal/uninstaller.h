#pragma once
// The uninstaller: deletes an AppInfo's relatedFiles one by one, in order,
// reports every step as a progress line, falls back to the privileged removal
// for what the ordinary removal cannot delete, and completes exactly once.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/app_info.h"
#include "platform/privileged_remover.h"
#include "removal/file_operations.h"

namespace quillmere {

using ProgressCallback = std::function<void(const std::string& line)>;
using CompletionCallback = std::function<void(bool success, std::optional<std::string> message)>;

class Uninstaller {
public:
  Uninstaller();  // uses the platform's privileged remover
  explicit Uninstaller(std::shared_ptr<PrivilegedRemover> privileged,
                       std::shared_ptr<const FileOperations> files = nullptr);  // null: real ones

  // Synchronous: every progress call and the single completion happen on the
  // calling thread before it returns.
  void uninstall(const AppInfo& app, const ProgressCallback& progress,
                 const CompletionCallback& completion) const;

  // The same file operations with another privileged remover.
  Uninstaller withPrivilegedRemover(std::shared_ptr<PrivilegedRemover> privileged) const {
    return Uninstaller(std::move(privileged), files_);
  }

private:
  std::shared_ptr<PrivilegedRemover> privileged_;
  std::shared_ptr<const FileOperations> files_;
};

}  // namespace quillmere
