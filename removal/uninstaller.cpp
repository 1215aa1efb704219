#include "removal/uninstaller.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "launchd/launch_jobs.h"

#include "fsys/path_text.h"
#include "privileged/removal_request.h"

namespace quillmere {
namespace {

// A background job is stopped before its list goes: left loaded, it would go
// on starting a program that is gone. Agents run in the user's domain; a
// daemon's is the system's, which only root may change (the privileged
// remover stops it when the removal needs one).
void stopBackgroundJob(const ListedEntry& entry) {
  if (entry.walk.status() != ResolvedEntry::Status::Reached) return;
  const char* name = entry.walk.name().c_str();
  stopJobBeforeRemoval(entry.walk.parentFd(), name, entry.path, LaunchDomain::User);
  if (::geteuid() == 0) stopJobBeforeRemoval(entry.walk.parentFd(), name, entry.path, LaunchDomain::System);
}

// A row's events go out together and in list order, as soon as they are
// known: a row waiting for the privileged run holds back the events of the
// rows after it until the run has answered.
class OrderedLog {
public:
  OrderedLog(const ProgressCallback& progress, const std::vector<ListedRow>& rows, bool toTrash)
      : progress_(progress), rows_(rows), outcomes_(rows.size()), toTrash_(toTrash) {}

  // Before anything is tried for row `i`: its Started event, unless it must wait.
  void begin(std::size_t i) {
    if (i == next_) flush();
  }
  void end(std::size_t i, RowOutcome outcome, FailReason reason = FailReason::None, std::string detail = {}) {
    outcomes_[i] = RowEvent{i, {}, outcome, reason, std::move(detail)};
    flush();
  }

private:
  void flush() {
    while (next_ < rows_.size()) {
      if (!begun_) send(RowEvent{next_, {}, RowOutcome::Started, FailReason::None, {}});
      begun_ = true;
      if (!outcomes_[next_]) return;
      send(std::move(*outcomes_[next_]));
      ++next_;
      begun_ = false;
      if (next_ < rows_.size() && !outcomes_[next_]) return;  // its Started comes with begin()
    }
  }
  void send(RowEvent event) {
    event.path = rows_[event.row].path;
    event.toTrash = toTrash_;
    if (progress_) progress_(event);
  }

  const ProgressCallback& progress_;
  const std::vector<ListedRow>& rows_;
  std::vector<std::optional<RowEvent>> outcomes_;
  std::size_t next_ = 0;
  bool begun_ = false;
  bool toTrash_ = false;
};

// Why the ordinary removal left an entry, told by the errno it ended with.
FailReason reasonOf(int error) {
  return error == EACCES || error == EPERM || error == EROFS ? FailReason::NoPermission : FailReason::OtherErrno;
}

}  // namespace

Uninstaller::Uninstaller() : Uninstaller(makeSystemPrivilegedRemover()) {}

Uninstaller::Uninstaller(std::shared_ptr<PrivilegedRemover> privileged,
                         std::shared_ptr<const FileOperations> files)
    : privileged_(std::move(privileged)),
      files_(files ? std::move(files) : std::make_shared<const FileOperations>()) {}

bool Uninstaller::privilegedTakes(const std::string& path, const std::optional<EntryIdentity>& listed) const {
  const auto target = privilegedRemovalPath(path);
  return listed && target && privileged_ && privileged_->accepts(*target);
}

bool Uninstaller::needsPrivileges(const std::string& path, const std::optional<EntryIdentity>& listed,
                                  const std::atomic<bool>* stop) const {
  // The same steps as uninstall() takes up to its fallback, with the removal
  // itself predicted instead of tried.
  const ListedEntry entry = files_->find(path, listed);
  if (!files_->exists(entry) || files_->isAnotherEntry(entry)) return false;
  if (files_->isDeletable(entry) && files_->mayRemoveWhole(entry, stop)) return false;
  return !(stop && stop->load()) && privilegedTakes(path, listed);
}

void Uninstaller::uninstall(const AppInfo& app, const ProgressCallback& progress,
                            const CompletionCallback& completion, const RemovalOptions& options) const {
  OrderedLog log(progress, app.rows, options.toTrash);
  const std::time_t now = std::time(nullptr);
  std::size_t failed = 0;
  const auto fail = [&](std::size_t i, FailReason reason, std::string detail = {}) {
    ++failed;
    log.end(i, RowOutcome::Failed, reason, std::move(detail));
  };
  // What the ordinary removal leaves goes to one privileged run at the end:
  // one password for the whole removal.
  std::vector<PrivilegedEntry> privileged;
  std::vector<std::size_t> privilegedRows;
  for (std::size_t i = 0; i < app.rows.size(); ++i) {
    log.begin(i);
    const std::string& path = app.rows[i].path;
    const std::optional<EntryIdentity>& listed = app.rows[i].identity;
    // One walk per path: existence, identity, deletability and the removal
    // are all judged in the folder it reached.
    const ListedEntry entry = files_->find(path, listed);
    if (!files_->exists(entry)) {
      log.end(i, RowOutcome::NotFound);
      continue;
    }
    // Something else now stands at the listed name (a rename, a swap): it is
    // not what the user saw in the list, and no rights are asked to delete it.
    if (files_->isAnotherEntry(entry)) {
      fail(i, FailReason::NotListedEntry);
      continue;
    }
    // A row that needs administrator rights goes whole to the remover: what
    // the ordinary removal could delete inside it first would be gone even
    // when the password is then refused. A name that would rewrite the
    // prompt showing it is never handed over, and such a row is not begun.
    const bool deletable = files_->isDeletable(entry);
    const bool ordinaryTakesWhole = deletable && files_->mayRemoveWhole(entry);
    const bool privilegedMayTake = !ordinaryTakesWhole && privilegedTakes(path, listed);
    const bool showable = showsAsItself(path);
    stopBackgroundJob(entry);
    if (options.toTrash && deletable) {
      // Moving is one rename in the folder that holds it, so only that
      // folder's write permission counts. A row that cannot go to its Trash
      // stays where it is: it is never deleted instead.
      TrashOutcome moved = moveToTrash(entry.walk, path, listed, now);
      if (moved.moved)
        log.end(i, RowOutcome::Trashed, FailReason::None, std::move(moved.trashedPath));
      else
        fail(i, FailReason::NotTrashed, std::move(moved.reason));
      continue;
    }
    if (!ordinaryTakesWhole && (privilegedMayTake || !showable)) {
      if (!showable) {
        fail(i, FailReason::UnshowableName);
        continue;
      }
      privileged.push_back({*privilegedRemovalPath(path), *listed});
      privilegedRows.push_back(i);
      continue;
    }
    errno = 0;
    if (!options.toTrash && deletable && files_->removeItem(entry)) {
      log.end(i, RowOutcome::Deleted);
      continue;
    }
    const int error = errno;
    // Gone from its name meanwhile, though not by this removal: not found,
    // and no password is asked for it.
    if (!files_->exists(files_->find(path, listed))) {
      log.end(i, RowOutcome::NotFound);
      continue;
    }
    if (!privilegedTakes(path, listed)) {
      if (!deletable) fail(i, FailReason::NoPermission);
      else fail(i, reasonOf(error), error != 0 ? std::strerror(error) : std::string());
      continue;
    }
    privileged.push_back({*privilegedRemovalPath(path), *listed});
    privilegedRows.push_back(i);
  }
  if (!privileged.empty()) {
    const std::vector<PrivilegedOutcome> outcomes = privileged_->removeWithPrivileges(privileged);
    for (std::size_t k = 0; k < privilegedRows.size(); ++k) {
      using Result = PrivilegedOutcome::Result;
      const PrivilegedOutcome outcome = k < outcomes.size() ? outcomes[k] : PrivilegedOutcome{Result::Unavailable, {}};
      const std::size_t row = privilegedRows[k];
      switch (outcome.result) {
        case Result::Removed: log.end(row, RowOutcome::DeletedWithPrivileges); break;
        case Result::NotFound: log.end(row, RowOutcome::NotFound); break;
        case Result::Cancelled: fail(row, FailReason::Cancelled); break;
        case Result::PasswordRefused: fail(row, FailReason::PasswordRefused); break;
        case Result::Unavailable: fail(row, FailReason::RemoverUnavailable); break;
        case Result::NotRemoved: fail(row, FailReason::RemoverLeftIt, outcome.why); break;
      }
    }
  }
  if (!completion) return;
  if (failed == 0)
    completion(true, std::nullopt);
  else
    completion(false, std::string(options.toTrash ? "Failed to remove " : "Failed to delete ") +
                          std::to_string(failed) + " files");
}

std::optional<std::string> logLineOf(const RowEvent& event) {
  switch (event.outcome) {
    case RowOutcome::Started: return (event.toTrash ? "Moving to the Trash: " : "Deleting: ") + event.path;
    case RowOutcome::Deleted: return "\u2713 Deleted: " + event.path;
    case RowOutcome::DeletedWithPrivileges: return "\u2713 Deleted (sudo): " + event.path;
    case RowOutcome::Trashed: return "\u2713 Moved to Trash: " + event.path;
    case RowOutcome::Failed:
      if (event.reason == FailReason::NotTrashed)
        return "\u2717 Not moved to the Trash: " + event.path + " (" + event.detail + ")";
      return (event.toTrash ? "\u2717 Not removed: " : "\u2717 Failed to delete: ") + event.path;
    case RowOutcome::NotFound: break;
  }
  return std::nullopt;
}

}  // namespace quillmere
