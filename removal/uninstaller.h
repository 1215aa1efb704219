#pragma once
// The uninstaller: deletes an AppInfo's rows one by one, in order,
// reports every step as a typed event, falls back to the privileged removal
// for what the ordinary removal cannot delete, and completes exactly once.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/app_info.h"
#include "privileged/privileged_remover.h"
#include "removal/file_operations.h"
#include "removal/trash_move.h"

namespace quillmere {

// What a removal reports of each listed row, as values: `Started`, then at
// most one outcome, a row's events together and in list order. `row` is the
// path's place in the removal's rows.
enum class RowOutcome {
  Started,
  Deleted,
  DeletedWithPrivileges,
  Trashed,   // moved to the Trash; `detail` says where it went
  NotFound,  // nothing was at the path: not a failure, and no line of its own
  Failed,
};

// Why a row failed.
enum class FailReason {
  None,
  NoPermission,        // the ordinary removal may not, and the privileged remover does not take it
  NotListedEntry,      // something else stands at the path now
  PasswordRefused,     // the authorisation was not given: the remover never ran
  Cancelled,           // the prompt was dismissed: the remover never ran
  RemoverLeftIt,       // the remover ran and left it; `detail` holds its reason
  RemoverUnavailable,  // no remover, or the privileged run gave no answer for it
  UnshowableName,      // needs rights, but its name would rewrite the prompt: never handed over
  OtherErrno,          // the ordinary removal failed otherwise; `detail` holds the system's text
  NotTrashed,          // it could not go to a Trash on its file system, and stays; `detail` says why
};

struct RowEvent {
  RowEvent() = default;
  RowEvent(std::size_t r, std::string p, RowOutcome o, FailReason why = FailReason::None, std::string d = {})
      : row(r), path(std::move(p)), outcome(o), reason(why), detail(std::move(d)) {}
  std::size_t row = 0;
  std::string path;
  RowOutcome outcome = RowOutcome::Started;
  FailReason reason = FailReason::None;
  std::string detail;
  bool toTrash = false;  // the removal moves rows to the Trash
};

// The log line of an event: "Deleting: ", "\u2713 Deleted: ", "\u2713 Deleted (sudo): "
// or "\u2717 Failed to delete: " and the path unchanged; none for NotFound. A
// removal to the Trash starts a row with "Moving to the Trash: " and ends it
// with "\u2713 Moved to Trash: ", or "\u2717 Not moved to the Trash: PATH (why)".
std::optional<std::string> logLineOf(const RowEvent& event);

using ProgressCallback = std::function<void(const RowEvent& event)>;
using CompletionCallback = std::function<void(bool success, std::optional<std::string> message)>;

struct RemovalOptions {
  // Move each row to the Trash on its file system instead of deleting it. A
  // row that needs administrator rights is still deleted for good by the
  // privileged remover: root's Trash is not one the user could empty or put
  // back from.
  bool toTrash = false;
};

class Uninstaller {
public:
  Uninstaller();  // uses the platform's privileged remover
  explicit Uninstaller(std::shared_ptr<PrivilegedRemover> privileged,
                       std::shared_ptr<const FileOperations> files = nullptr);  // null: real ones

  // Synchronous: every progress call and the single completion happen on the
  // calling thread before it returns.
  void uninstall(const AppInfo& app, const ProgressCallback& progress, const CompletionCallback& completion,
                 const RemovalOptions& options = {}) const;

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
