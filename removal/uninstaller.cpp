#include "removal/uninstaller.h"

#include <unistd.h>

#include "analysis/launch_job.h"

#include "fsys/path_text.h"

namespace quillmere {
namespace {

const std::string kDeleting = "Deleting: ";
const std::string kDeleted = "\u2713 Deleted: ";
const std::string kDeletedSudo = "\u2713 Deleted (sudo): ";
const std::string kFailed = "\u2717 Failed to delete: ";

// A background job is stopped before its list goes: left loaded, it would go
// on starting a program that is gone. Agents run in the user's domain; a
// daemon's is the system's, which only root may change (the privileged
// remover stops it when the removal needs one).
void stopBackgroundJob(const ListedEntry& entry) {
  if (entry.walk.status() != WalkedEntry::Status::Reached) return;
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

void Uninstaller::uninstall(const AppInfo& app, const ProgressCallback& progress,
                            const CompletionCallback& completion) const {
  const auto report = [&](const std::string& prefix, const std::string& path) {
    if (progress) progress(prefix + path);
  };
  std::size_t failed = 0;
  for (const std::string& path : app.relatedFiles) {
    report(kDeleting, path);
    // One walk per path: existence, deletability and the removal are all
    // judged in the folder it reached.
    const ListedEntry entry = files_->find(path);
    if (!files_->exists(entry)) continue;
    stopBackgroundJob(entry);
    if (files_->isDeletable(entry) && files_->removeItem(entry)) {
      report(kDeleted, path);
    } else if (deleteWithPrivileges(path)) {
      report(kDeletedSudo, path);
    } else {
      ++failed;
      report(kFailed, path);
    }
  }
  if (!completion) return;
  if (failed == 0)
    completion(true, std::nullopt);
  else
    completion(false, "Failed to delete " + std::to_string(failed) + " files");
}

bool Uninstaller::deleteWithPrivileges(const std::string& path) const {
  // Checked here as well as in the platform's remover, so that no remover —
  // a test double included — is ever asked to remove "/" or a path that ends
  // in "/" (which would act on what a final symbolic link points to).
  const auto target = privilegedRemovalPath(path);
  return privileged_ && target && privileged_->removeWithPrivileges(*target);
}

}  // namespace quillmere
