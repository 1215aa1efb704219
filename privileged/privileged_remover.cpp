#include "privileged/privileged_remover.h"

#include <unistd.h>

#include "fsys/path_text.h"
#include "platform/home_folder.h"
#include "privileged/removal_request.h"

namespace quillmere {
namespace {

// Runs our remover once for all entries. Each path is checked again here,
// whoever calls: no path of a shape the remover refuses reaches pkexec.
class SystemPrivilegedRemover : public PrivilegedRemover {
public:
  explicit SystemPrivilegedRemover(std::optional<std::string> home) : home_(std::move(home)) {}

  bool accepts(const std::string& path) const override {
    const auto target = privilegedRemovalPath(path);
    return target && showsAsItself(*target) && removableShape(*target, home_) != RemovableShape::Outside;
  }

  std::vector<PrivilegedOutcome> removeWithPrivileges(const std::vector<PrivilegedEntry>& entries) override {
    using Result = PrivilegedOutcome::Result;
    std::vector<PrivilegedOutcome> outcomes(entries.size(), {Result::Unavailable, {}});
    std::vector<PrivilegedEntry> taken;
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!accepts(entries[i].path)) continue;
      taken.push_back({*privilegedRemovalPath(entries[i].path), entries[i].identity});
      positions.push_back(i);
    }
    const auto remover = installedPrivilegedRemover();
    if (taken.empty() || !remover) return outcomes;
    std::string report;
    int exitStatus = -1;
    runCommand(privilegedRemovalCommand(*remover, taken), std::nullopt, &report, &exitStatus);
    const auto stopped = promptStoppedRun(exitStatus, report);
    const std::vector<RemoverOutcome> answers = removerOutcomes(report, taken.size());
    for (std::size_t i = 0; i < taken.size(); ++i) {
      PrivilegedOutcome& outcome = outcomes[positions[i]];
      if (stopped) {
        outcome.result = *stopped;
        continue;
      }
      outcome.result = answers[i].answer == RemoverAnswer::Removed    ? Result::Removed
                       : answers[i].answer == RemoverAnswer::NotFound ? Result::NotFound
                                                                      : Result::NotRemoved;
      outcome.why = answers[i].why;
    }
    return outcomes;
  }

private:
  std::optional<std::string> home_;
};

class NoPrivilegedRemover : public PrivilegedRemover {
public:
  bool accepts(const std::string&) const override { return false; }
  std::vector<PrivilegedOutcome> removeWithPrivileges(const std::vector<PrivilegedEntry>& entries) override {
    return std::vector<PrivilegedOutcome>(entries.size(), {PrivilegedOutcome::Result::Unavailable, {}});
  }
};

}  // namespace

std::string removerBesideProgram(const std::string& programPath) {
  std::string folder = programPath.substr(0, programPath.rfind('/'));
  folder = folder.substr(0, folder.rfind('/'));  // the folder above the program's
  return folder + "/libexec/quillmere/quillmere-remover";
}

std::optional<std::string> installedPrivilegedRemover() {
  const auto program = runningProgramPath();
  if (!program || program->front() != '/') return std::nullopt;
  std::string remover = removerBesideProgram(*program);
  if (access(remover.c_str(), X_OK) != 0) return std::nullopt;
  return remover;
}

std::shared_ptr<PrivilegedRemover> makeSystemPrivilegedRemover() {
  return std::make_shared<SystemPrivilegedRemover>(homeInUserDatabase());
}

std::shared_ptr<PrivilegedRemover> makeNoPrivilegedRemover() { return std::make_shared<NoPrivilegedRemover>(); }

}  // namespace quillmere
