#include "testing/run_as_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/spawn_command.h"

namespace quillmere::safety {

std::optional<UserIds> ordinaryUser() {
  const passwd* entry = ::getpwnam("nobody");
  if (!entry) return std::nullopt;
  return UserIds{entry->pw_uid, entry->pw_gid};
}

namespace {

bool run(std::vector<std::string> arguments) {
  const std::string program = arguments.front();
  return runCommand({program, std::move(arguments), cleanCommandEnvironment()}, std::chrono::seconds(30));
}

}  // namespace

TemporaryUser::TemporaryUser(const std::string& home) {
  static int made = 0;
  name_ = "qmtest" + std::to_string(::getpid()) + "x" + std::to_string(++made);
  // The names stay unique per process, so an account left behind by a test
  // that crashed never collides with the next run's.
  if (!run({"/usr/sbin/useradd", "--no-create-home", "--home-dir", home, "--user-group",
            "--shell", "/usr/sbin/nologin", name_}))
    return;
  if (const passwd* entry = ::getpwnam(name_.c_str())) {
    ids_ = UserIds{entry->pw_uid, entry->pw_gid};
    valid_ = true;
  }
}

TemporaryUser::~TemporaryUser() {
  if (valid_) run({"/usr/sbin/userdel", name_});
}

std::optional<std::string> runAsUser(const UserIds& user, const std::function<std::string()>& work) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return std::nullopt;
  }
  if (pid == 0) {
    ::close(fds[0]);
    // Group first: once the uid is dropped the group can no longer change.
    if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0) ::_exit(3);
    const std::string answer = work();
    std::size_t written = 0;
    while (written < answer.size()) {
      const ssize_t n = ::write(fds[1], answer.data() + written, answer.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ::_exit(4);
      written += std::size_t(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string answer;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, std::size_t(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return answer;
}

std::optional<std::string> runnableCopy(const std::string& program, const std::string& folder) {
  namespace fs = std::filesystem;
  const std::string copy = folder + "/" + fs::path(program).filename().string();
  std::error_code error;
  fs::copy_file(program, copy, fs::copy_options::overwrite_existing, error);
  if (error || ::chmod(copy.c_str(), 0755) != 0) return std::nullopt;
  return copy;
}

std::string joinFields(const std::vector<std::string>& fields) {
  std::string joined;
  for (const std::string& field : fields) {
    joined += field;
    joined += '\0';
  }
  return joined;
}

std::vector<std::string> splitFields(const std::string& joined) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (std::size_t nul; (nul = joined.find('\0', from)) != std::string::npos; from = nul + 1)
    fields.push_back(joined.substr(from, nul - from));
  return fields;
}

}  // namespace quillmere::safety
