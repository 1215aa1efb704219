// Hygiene of what reaches the privileged removal: never a path ending in "/"
// (which would name what a final link points to), a fixed environment
// that no user variable reaches, and an argument vector of absolute programs
// that no shell ever parses.

#include <stdlib.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "testing/fake_privileged_remover.h"
#include "privileged/privileged_remover.h"
#include "platform/spawn_command.h"
#include "removal/file_operations.h"
#include "removal/uninstaller.h"
#include "testing/test_tree.h"
#include "testing/removal_run.h"
#include "testing/run_as_user.h"

namespace quillmere::safety {
namespace {

using fixtures::existsNoFollow;
using fixtures::TempDir;
using fixtures::writeFile;
using ::testing::ElementsAreArray;

// The ordinary removal fails for everything, so every path goes privileged.
class FailingFileOperations : public FileOperations {
public:
  bool removeItem(const ListedEntry&) const override { return false; }
};

struct Tree {
  TempDir dir;
  std::string root = dir / "Caches";
  std::string precious = dir / "outside/precious";
  Tree() {
    writeFile(precious + "/thesis.tex", "years of work");
    writeFile(root + "/Quill Data/file");
    writeFile(root + "/Quill.log");
    ::symlink(precious.c_str(), (root + "/Quill link").c_str());
  }
  std::vector<std::string> slashedPaths() const {
    return {root + "/Quill Data/", root + "/Quill link/", root + "/Quill.log//"};
  }
  std::vector<std::string> plainPaths() const {
    return {root + "/Quill Data", root + "/Quill link", root + "/Quill.log"};
  }
};

TEST(PrivilegedPath, NeverEndsInASlash) {
  Tree tree;
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  const std::vector<std::string> listed = tree.slashedPaths();
  const AppInfo app = fixtures::listedNow(AppInfo("Quill", listed.back(), std::nullopt, nullptr, listed));
  const RemovalRun run = runRemoval(Uninstaller(privileged, std::make_shared<FailingFileOperations>()), app);
  EXPECT_TRUE(run.success);
  EXPECT_THAT(privileged->calls(), ElementsAreArray(tree.plainPaths()));
}

// The ordinary removal of "link/" removes the link itself.
TEST(PrivilegedPath, OrdinaryRemovalOfALinkGivenWithASlashKeepsItsTarget) {
  Tree tree;
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuseAll();
  const std::vector<std::string> listed = tree.slashedPaths();
  const RemovalRun run = runRemoval(Uninstaller(privileged), fixtures::listedNow(AppInfo("Quill", listed.back(), std::nullopt, nullptr, listed)));
  EXPECT_TRUE(run.success) << run.message.value_or("");
  for (const auto& path : tree.plainPaths()) EXPECT_FALSE(existsNoFollow(path)) << path;
  EXPECT_TRUE(existsNoFollow(tree.precious + "/thesis.tex"));
}

#if !defined(__APPLE__)
const std::vector<std::string> kHostileNames = {
    "it's", "say \"hi\"", "back\\slash", "two\nlines", "$(touch PWNED)", "`touch PWNED`",
    "-rf", "semi; touch PWNED", "caf\xC3\xA9", "bad\xFF\xFE", "glob *", "~"};

const std::string kRemover = QUILLMERE_REMOVER;

TEST(PrivilegedCommand, IsAnAbsoluteArgumentVectorEndingInThePathExactly) {
  for (const std::string& name : kHostileNames) {
    const std::string path = "/home/u/Library/Caches/" + name;
    const SpawnCommand command = privilegedRemovalCommand(kRemover, {{path, EntryIdentity{2049, 12, 0}}});
    EXPECT_EQ(command.program, command.arguments.at(0));
    ASSERT_EQ(command.arguments.size(), 5u);
    EXPECT_TRUE(command.arguments[0].starts_with("/")) << command.arguments[0];
    EXPECT_EQ(command.arguments[1], kRemover);
    EXPECT_EQ(command.arguments[2], "--entry");
    EXPECT_EQ(command.arguments[3], "2049:12");
    EXPECT_EQ(command.arguments[4], path);
    EXPECT_EQ(command.environment, cleanCommandEnvironment());
  }
}

// What pkexec would run as root — our remover with the path and the fixed
// environment — run here directly on hostile names: each goes exactly, its
// neighbours stay, no name is expanded, and a startup file named by the
// caller's BASH_ENV or ENV is never read.
TEST(PrivilegedCommand, RunsWithoutAShellOrTheCallersEnvironment) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make the account that asks";
  TempDir dir;
  TemporaryUser asker(dir.path());  // the remover takes only paths in the Library of the user who asked
  if (!asker.valid()) GTEST_SKIP() << "could not make an account (useradd)";
  const std::string caches = dir / "Library/Caches";
  const std::string marker = dir / "startup-file-ran";
  writeFile(dir / "startup.sh", "touch '" + marker + "'\n");
  ::setenv("BASH_ENV", (dir / "startup.sh").c_str(), 1);
  ::setenv("ENV", (dir / "startup.sh").c_str(), 1);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);  // where "$(touch PWNED)" would leave its mark

  writeFile(dir / "keep", "keep");
  std::vector<PrivilegedEntry> entries;
  for (const std::string& name : kHostileNames) {
    writeFile(caches + "/" + name + "/inner", "x");
    writeFile(caches + "/" + name + "-neighbour", "x");
    entries.push_back({caches + "/" + name, *identityAtPath(caches + "/" + name)});
  }
  SpawnCommand command = privilegedRemovalCommand(kRemover, entries);
  command.arguments.erase(command.arguments.begin());  // without pkexec, which would add PKEXEC_UID
  command.program = command.arguments.front();
  command.environment.push_back("PKEXEC_UID=" + std::to_string(asker.ids().uid));
  std::string report;
  EXPECT_TRUE(runCommand(command, std::chrono::seconds(20), &report)) << report;
  for (const RemoverOutcome& outcome : removerOutcomes(report, entries.size()))
    EXPECT_EQ(outcome.answer, RemoverAnswer::Removed) << report;
  for (const std::string& name : kHostileNames) {
    EXPECT_FALSE(existsNoFollow(caches + "/" + name)) << name;
    EXPECT_TRUE(existsNoFollow(caches + "/" + name + "-neighbour")) << name;
  }
  // A shell run with the same environment reads no startup file either.
  EXPECT_TRUE(runCommand({"/bin/bash", {"bash", "-c", "test -z \"$BASH_ENV$ENV\""}, cleanCommandEnvironment()}));
  ::unsetenv("BASH_ENV");
  ::unsetenv("ENV");
  ASSERT_EQ(::chdir("/"), 0);
  EXPECT_FALSE(existsNoFollow(marker));
  EXPECT_FALSE(existsNoFollow(dir / "PWNED"));
  EXPECT_TRUE(existsNoFollow(dir / "keep"));
}
#endif

}  // namespace
}  // namespace quillmere::safety
