#pragma once
// Removal with administrator rights of what the ordinary removal cannot
// delete: our own privileged remover (quillmere-remover), started once per
// removal through the platform's authorisation — pkexec on Linux, the
// administrator AppleScript on macOS — with every such entry of the removal.
// Tests use FakePrivilegedRemover.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/spawn_command.h"
#include "privileged/removal_request.h"

namespace quillmere {

// What became of one entry handed to the privileged removal.
struct PrivilegedOutcome {
  enum class Result {
    Removed,
    NotFound,         // nothing was at it when the remover first looked
    NotRemoved,       // the remover ran and left it; `why` says why
    Cancelled,        // the prompt was dismissed: the remover never ran
    PasswordRefused,  // the authorisation failed: the remover never ran
    Unavailable,      // no remover here, or a path it refuses: never handed over
  };
  Result result = Result::NotRemoved;
  std::string why;
};

class PrivilegedRemover {
public:
  virtual ~PrivilegedRemover() = default;
  // True when our remover would take `path` (the shapes the search lists, for
  // the user running the program): a path it would refuse fails at once, and
  // no password is asked for it.
  virtual bool accepts(const std::string& path) const = 0;
  // Removes every entry in one run, under one authorisation that ends with
  // it, each only while it is still the listed entry. One outcome per entry,
  // in order. Blocks while the system asks.
  virtual std::vector<PrivilegedOutcome> removeWithPrivileges(const std::vector<PrivilegedEntry>& entries) = 0;
};

// What a run that ended with `exitStatus` and printed `report` says of the
// prompt, when it never let the remover run: dismissed or refused. The
// platform's body: pkexec and osascript say so differently.
std::optional<PrivilegedOutcome::Result> promptStoppedRun(int exitStatus, const std::string& report);

// The platform's real implementation. Without our remover beside the running
// program every privileged removal fails: nothing else is ever run instead.
std::shared_ptr<PrivilegedRemover> makeSystemPrivilegedRemover();

// None at all: for a search of other folders than the user's own (--home,
// --system-root), where a password would only ever be asked in vain.
std::shared_ptr<PrivilegedRemover> makeNoPrivilegedRemover();

// Where the remover lies for a program at `programPath` (absolute, links
// resolved): ../libexec/quillmere/quillmere-remover from the program's folder,
// so build/app/quillmere and /usr/bin/quillmere both find theirs.
std::string removerBesideProgram(const std::string& programPath);

// The running program's absolute path, links resolved (the platform's body).
std::optional<std::string> runningProgramPath();

// The remover beside the running program, when it is there and executable.
std::optional<std::string> installedPrivilegedRemover();

// The command that runs `remover` for the (already checked) entries:
// /usr/bin/pkexec REMOVER and the request on Linux, osascript with the
// fixed administrator AppleScript on macOS.
SpawnCommand privilegedRemovalCommand(const std::string& remover, const std::vector<PrivilegedEntry>& entries);

}  // namespace quillmere
