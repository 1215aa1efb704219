#include "platform/spawn_command.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace quillmere {
namespace {

std::vector<char*> cStrings(const std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (const auto& s : strings) out.push_back(const_cast<char*>(s.c_str()));
  out.push_back(nullptr);
  return out;
}

bool exitedCleanly(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

bool waitFor(pid_t pid, int& status) {
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

// Fixed, so that nothing from the caller's environment (BASH_ENV, ENV,
// LD_PRELOAD, a PATH with writable folders) reaches a program run as root.
std::vector<std::string> cleanCommandEnvironment() { return {"PATH=/usr/bin:/bin"}; }

bool runCommand(const SpawnCommand& command, std::optional<std::chrono::milliseconds> timeout) {
  if (command.arguments.empty()) return false;

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

  int status = 0;
  if (!timeout) return waitFor(pid, status) && exitedCleanly(status);

  const auto deadline = std::chrono::steady_clock::now() + *timeout;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return exitedCleanly(status);
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
