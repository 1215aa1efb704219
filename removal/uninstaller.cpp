#include "removal/uninstaller.h"

#include <unistd.h>

#include "launchd/launch_jobs.h"

#include "fsys/path_text.h"

namespace quillmere {
namespace {

const std::string kDeleting{kDeletingLine};
const std::string kDeleted{kDeletedLine};
const std::string kDeletedSudo{kDeletedSudoLine};
const std::string kFailed{kFailedLine};

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

}  // namespace

Uninstaller::Uninstaller() : Uninstaller(makeSystemPrivilegedRemover()) {}

Uninstaller::Uninstaller(std::shared_ptr<PrivilegedRemover> privileged,
                         std::shared_ptr<const FileOperations> files)
    : privileged_(std::move(privileged)),
      files_(files ? std::move(files) : std::make_shared<const FileOperations>()) {}

namespace {

// The lines of one path go out together and in list order, as soon as they
// are known: a path waiting for the privileged run holds back the lines of
// the paths after it until the run has answered.
class OrderedLog {
public:
  OrderedLog(const ProgressCallback& progress, const std::vector<std::string>& paths)
      : progress_(progress), paths_(paths), outcomes_(paths.size()), known_(paths.size(), false) {}

  // Before anything is tried for path `i`: its "Deleting" line, unless it must wait.
  void begin(std::size_t i) {
    if (i == next_) flush();
  }
  // Path `i` ended with `prefix` (nothing for a path that was not there).
  void end(std::size_t i, const std::string* prefix) {
    outcomes_[i] = prefix;
    known_[i] = true;
    flush();
  }

private:
  void flush() {
    while (next_ < paths_.size()) {
      if (!begun_) send(kDeleting, paths_[next_]);
      begun_ = true;
      if (!known_[next_]) return;
      if (outcomes_[next_]) send(*outcomes_[next_], paths_[next_]);
      ++next_;
      begun_ = false;
      if (next_ < paths_.size() && !known_[next_]) return;  // its "Deleting" line comes with begin()
    }
  }
  void send(const std::string& prefix, const std::string& path) {
    if (progress_) progress_(prefix + path);
  }

  const ProgressCallback& progress_;
  const std::vector<std::string>& paths_;
  std::vector<const std::string*> outcomes_;
  std::vector<bool> known_;
  std::size_t next_ = 0;
  bool begun_ = false;
};

}  // namespace

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
                            const CompletionCallback& completion) const {
  const std::vector<std::string>& paths = app.relatedFiles;
  OrderedLog log(progress, paths);
  std::size_t failed = 0;
  const auto fail = [&](std::size_t i) {
    ++failed;
    log.end(i, &kFailed);
  };
  // What the ordinary removal leaves goes to one privileged run at the end:
  // one password for the whole removal.
  std::vector<PrivilegedEntry> privileged;
  std::vector<std::size_t> privilegedRows;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    log.begin(i);
    const std::string& path = paths[i];
    const std::optional<EntryIdentity> listed = app.identityOf(path);
    // One walk per path: existence, identity, deletability and the removal
    // are all judged in the folder it reached.
    const ListedEntry entry = files_->find(path, listed);
    if (!files_->exists(entry)) {
      log.end(i, nullptr);
      continue;
    }
    // Something else now stands at the listed name (a rename, a swap): it is
    // not what the user saw in the list, and no rights are asked to delete it.
    if (files_->isAnotherEntry(entry)) {
      fail(i);
      continue;
    }
    stopBackgroundJob(entry);
    if (files_->isDeletable(entry) && files_->removeItem(entry)) {
      log.end(i, &kDeleted);
      continue;
    }
    if (!privilegedTakes(path, listed)) {
      fail(i);
      continue;
    }
    privileged.push_back({*privilegedRemovalPath(path), *listed});
    privilegedRows.push_back(i);
  }
  if (!privileged.empty()) {
    const std::vector<bool> removed = privileged_->removeWithPrivileges(privileged);
    for (std::size_t k = 0; k < privilegedRows.size(); ++k) {
      if (k < removed.size() && removed[k])
        log.end(privilegedRows[k], &kDeletedSudo);
      else
        fail(privilegedRows[k]);
    }
  }
  if (!completion) return;
  if (failed == 0)
    completion(true, std::nullopt);
  else
    completion(false, "Failed to delete " + std::to_string(failed) + " files");
}

}  // namespace quillmere
