#include "platform/privileged_remover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/spawn_command.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;

#if !defined(__APPLE__)
TEST(PrivilegedRemover, LinuxRunsPkexecWithOurRemoverAndThePathAsArguments) {
  const std::string remover = "/usr/libexec/quillmere/quillmere-remover";
  const SpawnCommand command = privilegedRemovalCommand(remover, "/home/u/-rf $(x) 'y'\n");
  EXPECT_EQ(command.program, "/usr/bin/pkexec");
  EXPECT_THAT(command.arguments, ElementsAre("/usr/bin/pkexec", remover, "/home/u/-rf $(x) 'y'\n"));
  EXPECT_THAT(command.environment, ElementsAre("PATH=/usr/bin:/bin"));
}
#endif

SpawnCommand shell(const std::string& script) {
  return {"/bin/sh", {"sh", "-c", script}, cleanCommandEnvironment()};
}

TEST(RunCommand, SucceedsOnlyOnExitZeroWithNothingInheritedButTheFixedEnvironment) {
  setenv("BASH_ENV", "/tmp/evil", 1);
  setenv("QUILLMERE_LEAK", "1", 1);
  EXPECT_TRUE(runCommand(shell(
      "test \"$PATH\" = /usr/bin:/bin && test -z \"$BASH_ENV$QUILLMERE_LEAK\" && ! read line")));
  unsetenv("BASH_ENV");
  unsetenv("QUILLMERE_LEAK");
  EXPECT_FALSE(runCommand(shell("exit 1")));
  EXPECT_FALSE(runCommand(shell("kill -9 $$")));
  EXPECT_FALSE(runCommand({"/nonexistent/program", {"program"}, {}}));
  EXPECT_FALSE(runCommand({"/bin/true", {}, {}}));
}

TEST(RunCommand, ATimeoutKillsTheProgramAndAnswersFalse) {
  EXPECT_FALSE(runCommand(shell("sleep 60"), std::chrono::milliseconds(100)));
}

// pkexec answers at once without a system bus or an authentication agent and
// would wait at a password prompt otherwise; the timeout keeps the test from
// hanging either way. Its answer must match what happened to the file.
TEST(PrivilegedRemover, RealRemoverAnswersWithoutHangingAndTellsTheTruth) {
  if (access("/usr/bin/pkexec", X_OK) != 0 && access("/usr/bin/osascript", X_OK) != 0)
    GTEST_SKIP() << "no privileged runner installed";
  char pattern[] = "/tmp/quillmere-pkexec-XXXXXX";
  const int fd = mkstemp(pattern);
  ASSERT_GE(fd, 0);
  close(fd);
  const auto remover = installedPrivilegedRemover();
  ASSERT_TRUE(remover) << "quillmere-remover is not beside the tests";
  const bool removed =
      runCommand(privilegedRemovalCommand(*remover, pattern), std::chrono::seconds(20));
  struct stat st;
  const bool stillThere = lstat(pattern, &st) == 0;
  EXPECT_EQ(removed, !stillThere);
  unlink(pattern);
}

}  // namespace
}  // namespace quillmere
