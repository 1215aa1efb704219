#include "platform/running_processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "testing/test_tree.h"

extern char** environ;

namespace quillmere {
namespace {

bool listed(const std::vector<RunningProgram>& programs, pid_t pid) {
  return std::any_of(programs.begin(), programs.end(), [&](const RunningProgram& p) { return p.pid == pid; });
}

// A real process started from a copy of sleep inside a bundle is found by the
// bundle's path as dropped, through a link, and after its file is gone; a
// sibling whose name merely starts the same, and the bundle once the process
// has ended, find nothing.
TEST(RunningProcesses, FindsAProgramRunningFromInsideTheBundle) {
  fixtures::TempDir dir;
  const std::string bundle = dir / "Foo.app";
  const std::string program = bundle + "/Contents/MacOS/Foo";
  fixtures::makeDirs(bundle + "/Contents/MacOS");
  fixtures::makeDirs(dir / "Foo.app2");
  std::filesystem::copy_file("/bin/sleep", program);
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  std::filesystem::create_directory_symlink(dir.path(), dir / "via-link");

  pid_t pid = -1;
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  // The process runs its own program once exec has happened.
  for (int i = 0; i < 200 && !listed(programsRunningFrom(bundle), pid); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));

  EXPECT_TRUE(listed(programsRunningFrom(bundle), pid));
  EXPECT_TRUE(listed(programsRunningFrom(bundle + "/"), pid));
  EXPECT_TRUE(listed(programsRunningFrom(dir / "via-link/Foo.app"), pid));
  EXPECT_FALSE(listed(programsRunningFrom(dir / "Foo.app2"), pid));
  EXPECT_FALSE(listed(programsRunningFrom(dir / "Foo.ap"), pid));
  std::filesystem::remove(program);
  EXPECT_TRUE(listed(programsRunningFrom(bundle), pid));

  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_FALSE(listed(programsRunningFrom(bundle), pid));
}

}  // namespace
}  // namespace quillmere
