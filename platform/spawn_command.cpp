#include "platform/spawn_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <thread>

#include "fsys/unique_fd.h"

namespace quillmere {
namespace {

std::vector<char*> cStrings(const std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (const auto& s : strings) out.push_back(const_cast<char*>(s.c_str()));
  out.push_back(nullptr);
  return out;
}

bool waitFor(pid_t pid, int& status) {
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return true;
}

}  // namespace

// Fixed, so that nothing from the caller's environment (BASH_ENV, ENV,
// LD_PRELOAD, a PATH with writable folders) reaches a program run as root.
std::vector<std::string> cleanCommandEnvironment() { return {"PATH=/usr/bin:/bin"}; }

bool runCommand(const SpawnCommand& command, std::optional<std::chrono::milliseconds> timeout,
                std::string* output, int* exitStatus) {
  if (exitStatus) *exitStatus = -1;
  if (command.arguments.empty()) return false;
  const auto exited = [exitStatus](int status) {
    if (exitStatus && WIFEXITED(status)) *exitStatus = WEXITSTATUS(status);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  UniqueFd readEnd, writeEnd;
  if (output) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    readEnd.reset(pipeFds[0]);
    writeEnd.reset(pipeFds[1]);
    // Close-on-exec, so no other program started meanwhile holds the pipe open.
    if (fcntl(readEnd.get(), F_SETFD, FD_CLOEXEC) != 0 || fcntl(writeEnd.get(), F_SETFD, FD_CLOEXEC) != 0) return false;
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  // Nothing to read (an authorisation prompt must not wait on our input) and
  // nothing to show: errors of a removal reach the user only as its outcome.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (output)
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);  // the copy keeps no close-on-exec
  else
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // The child starts with no blocked signals and default handlers, whatever
  // the calling thread had.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv = cStrings(command.arguments);
  std::vector<char*> envp = cStrings(command.environment);
  pid_t pid = -1;
  const int spawned =
      posix_spawn(&pid, command.program.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return false;

  const auto deadline = std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds(0));
  int status = 0;
  if (output) {
    writeEnd.reset();
    char buffer[4096];
    for (;;) {
      pollfd ready{readEnd.get(), POLLIN, 0};
      const int wait = timeout ? int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                              deadline - std::chrono::steady_clock::now()).count()))
                               : -1;
      const int polled = poll(&ready, 1, wait);
      if (polled < 0 && errno == EINTR) continue;
      if (polled == 0) break;  // the deadline: killed below
      const ssize_t n = polled > 0 ? read(readEnd.get(), buffer, sizeof buffer) : -1;
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      output->append(buffer, std::size_t(n));
    }
    readEnd.reset();
  }
  if (!timeout) return waitFor(pid, status) && exited(status);

  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return exited(status);
    if (done < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitFor(pid, status);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace quillmere
