#include <libproc.h>
#include <sys/proc_info.h>

#include <vector>

#include "platform/running_processes.h"

namespace quillmere {

// libproc lists every process id; proc_pidpath answers for the processes the
// caller may inspect (its own user's, which the app's are) and fails for others.
std::vector<RunningProgram> runningPrograms() {
  std::vector<RunningProgram> programs;
  // The list may grow between the two calls: room for more than was counted.
  const int counted = ::proc_listpids(PROC_ALL_PIDS, 0, nullptr, 0);
  if (counted <= 0) return programs;
  std::vector<pid_t> pids(std::size_t(counted) / sizeof(pid_t) + 64);
  const int filled = ::proc_listpids(PROC_ALL_PIDS, 0, pids.data(), int(pids.size() * sizeof(pid_t)));
  if (filled <= 0) return programs;
  pids.resize(std::size_t(filled) / sizeof(pid_t));
  char path[PROC_PIDPATHINFO_MAXSIZE];
  for (pid_t pid : pids) {
    if (pid <= 0) continue;
    const int length = ::proc_pidpath(pid, path, sizeof path);
    if (length > 0) programs.push_back(RunningProgram{int(pid), std::string(path, std::size_t(length))});
  }
  return programs;
}

}  // namespace quillmere
