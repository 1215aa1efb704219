#include "privileged/privileged_remover.h"

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
// One run for all entries, each as "--entry DEV:INO PATH"; the report is
// read line by line, and what it does not say was removed was not.
TEST(PrivilegedRemover, LinuxRunsPkexecOnceWithOurRemoverAndTheEntriesAsArguments) {
  const std::string remover = "/usr/libexec/quillmere/quillmere-remover";
  const SpawnCommand command = privilegedRemovalCommand(
      remover, {{"/home/u/-rf $(x) 'y'\n", {2049, 77, 0}}, {"/Library/Caches/z", {18446744073709551615u, 0, 0}}});
  EXPECT_EQ(command.program, "/usr/bin/pkexec");
  EXPECT_THAT(command.arguments,
              ElementsAre("/usr/bin/pkexec", remover, "--entry", "2049:77", "/home/u/-rf $(x) 'y'\n", "--entry",
                          "18446744073709551615:0", "/Library/Caches/z"));
  EXPECT_THAT(command.environment, ElementsAre("PATH=/usr/bin:/bin"));
  const auto answers = [](const std::string& report, std::size_t entries) {
    std::string letters;
    for (const RemoverOutcome& outcome : removerOutcomes(report, entries))
      letters += outcome.answer == RemoverAnswer::Removed ? 'r' : outcome.answer == RemoverAnswer::NotFound ? 'n' : '-';
    return letters;
  };
  EXPECT_EQ(answers("removed: /a\nnot removed: /b (x)\nremoved: /c\n", 4), "r-r-");
  EXPECT_EQ(answers("", 2), "--");
  // pkexec's own statuses say the prompt stopped the run; our remover's never do.
  EXPECT_EQ(promptStoppedRun(126, ""), PrivilegedOutcome::Result::Cancelled);
  EXPECT_EQ(promptStoppedRun(127, ""), PrivilegedOutcome::Result::PasswordRefused);
  EXPECT_FALSE(promptStoppedRun(1, "not removed: /a (x)\n"));
  EXPECT_FALSE(promptStoppedRun(2, ""));
  // Not found is not removed; a line cut short says nothing; the reason is kept.
  EXPECT_EQ(answers("not found: /a\nremoved: /b", 2), "n-");
  EXPECT_EQ(removerOutcomes("not removed: /b (c) (its folder can be changed by others)\n", 1)[0].why,
            "its folder can be changed by others");
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
  std::string output;
  EXPECT_FALSE(runCommand(shell("printf 'a\\nb'; exit 1"), std::chrono::seconds(20), &output));
  EXPECT_EQ(output, "a\nb");
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
  const bool removed = runCommand(privilegedRemovalCommand(*remover, {{pattern, *identityAtPath(pattern)}}),
                                  std::chrono::seconds(20));
  struct stat st;
  const bool stillThere = lstat(pattern, &st) == 0;
  EXPECT_EQ(removed, !stillThere);
  unlink(pattern);
}

}  // namespace
}  // namespace quillmere
