#pragma once
// The uninstaller: deletes an AppInfo's relatedFiles one by one, in order,
// reports every step as a progress line, falls back to the privileged removal
// for what the ordinary removal cannot delete, and completes exactly once.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "model/app_info.h"
#include "privileged/privileged_remover.h"
#include "removal/file_operations.h"

namespace quillmere {

// The progress lines: each is one of these prefixes and the path. A path's
// lines go out together and in list order: "Deleting" first, then its outcome
// (none for a path that was already gone).
inline constexpr std::string_view kDeletingLine = "Deleting: ";
inline constexpr std::string_view kDeletedLine = "\u2713 Deleted: ";
inline constexpr std::string_view kDeletedSudoLine = "\u2713 Deleted (sudo): ";
inline constexpr std::string_view kFailedLine = "\u2717 Failed to delete: ";

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

  // Whether a removal of `path` (listed as `listed`) would hand it to the
  // privileged remover, which asks for a password: it is there, still the
  // listed entry, the ordinary removal may not delete it whole, and the
  // remover takes it. Only looks; any thread. False once `stop` turns true.
  bool needsPrivileges(const std::string& path, const std::optional<EntryIdentity>& listed,
                       const std::atomic<bool>* stop = nullptr) const;

  // The same file operations with another privileged remover.
  Uninstaller withPrivilegedRemover(std::shared_ptr<PrivilegedRemover> privileged) const {
    return Uninstaller(std::move(privileged), files_);
  }

private:
  bool privilegedTakes(const std::string& path, const std::optional<EntryIdentity>& listed) const;
  std::shared_ptr<PrivilegedRemover> privileged_;
  std::shared_ptr<const FileOperations> files_;
};

}  // namespace quillmere
