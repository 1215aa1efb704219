// Our privileged remover, run for real (the tests run as root, as it does
// once authorised): what it refuses to take, the links it follows on the way,
// and what it leaves alone when an ordinary user runs it.

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <thread>
#include <cstdlib>

#include "fsys/entry_identity.h"
#include "privileged/privileged_remover.h"
#include "removal/file_operations.h"
#include "platform/spawn_command.h"
#include "testing/bind_mount.h"
#include "testing/test_tree.h"
#include "testing/manifest.h"
#include "testing/run_as_user.h"

namespace quillmere::safety {
namespace {

using fixtures::BindMount;
using fixtures::existsNoFollow;
using fixtures::makeDirs;
using fixtures::TempDir;
using fixtures::writeFile;
using ::testing::IsEmpty;

const std::string kRemover = QUILLMERE_REMOVER;

// The remover as pkexec starts it for the user `asker` (root when none).
bool runRemover(std::vector<std::string> arguments, const TemporaryUser* asker = nullptr,
                const std::string& remover = kRemover, std::string* report = nullptr) {
  arguments.insert(arguments.begin(), remover);
  std::vector<std::string> environment = cleanCommandEnvironment();
  if (asker) environment.push_back("PKEXEC_UID=" + std::to_string(asker->ids().uid));
  return runCommand({remover, std::move(arguments), std::move(environment)}, std::chrono::seconds(20), report);
}

std::string removerReport(std::vector<std::string> arguments, const TemporaryUser& asker) {
  std::string report;
  runRemover(std::move(arguments), &asker, kRemover, &report);
  return report;
}

// "--entry DEV:INO PATH" for the entry at `path` as it is now.
std::vector<std::string> listed(const std::string& path) {
  return {"--entry", identityText(identityAtPath(path).value_or(EntryIdentity{})), path};
}

TEST(Remover, IsFoundBesideTheRunningProgram) {
  char expected[PATH_MAX];
  ASSERT_TRUE(realpath(kRemover.c_str(), expected));
  EXPECT_EQ(installedPrivilegedRemover(), std::string(expected));
  EXPECT_EQ(removerBesideProgram("/usr/bin/quillmere"), "/usr/libexec/quillmere/quillmere-remover");
  EXPECT_EQ(removerBesideProgram("/w/build/cli/quillmere-cli"),
            "/w/build/libexec/quillmere/quillmere-remover");
}

TEST(Remover, RefusesAnythingButOneAbsolutePathNamingAnEntry) {
  TempDir dir;
  writeFile(dir / "Quill/data");
  writeFile(dir / "-rf/data");
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);  // where a relative path would act
  const Manifest before = takeManifest(dir.path());
  const std::vector<std::vector<std::string>> refused = {
      {}, {dir / "Quill", dir / "-rf"}, {"--", dir / "Quill"}, {"/"}, {"//"}, {"Quill"}, {"-rf"},
      {""}, {dir / "Quill/"}, {dir / "Quill/."}, {dir / "Quill/.."}, {dir / "."}};
  for (const auto& arguments : refused) EXPECT_FALSE(runRemover(arguments)) << testing::PrintToString(arguments);
  ASSERT_EQ(::chdir("/"), 0);
  EXPECT_THAT(removalViolations(before, takeManifest(dir.path()), {}), IsEmpty());
  // Nothing there is nothing left: done.
  EXPECT_TRUE(runRemover({"--entry", "1:1", dir / "missing.app"}));
  EXPECT_TRUE(runRemover({"--entry", "1:1", dir / "missing/deeper/still.app"}));
}

// Root's links are followed on the way to the place a path starts in (here
// the home folder is one); below it no link at all, whoever owns it: root's
// own link, which the user may move into their Library, leads elsewhere.
TEST(Remover, FollowsOnlyLinksOwnedByRootOnTheWay) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, as the remover has once authorised";
  TempDir dir;
  makeDirs(dir / "real");
  ASSERT_EQ(::symlink((dir / "real").c_str(), (dir / "home").c_str()), 0);
  TemporaryUser asker(dir / "home");
  if (!asker.valid()) GTEST_SKIP() << "could not make an account (useradd)";
  const std::string caches = dir / "home/Library/Caches";
  writeFile(caches + "/Quill/data");
  writeFile(caches + "/real/roots/Quill/data");
  writeFile(caches + "/real/users/Quill/data");
  ASSERT_EQ(::symlink((caches + "/real/roots").c_str(), (caches + "/roots").c_str()), 0);
  ASSERT_EQ(::symlink((caches + "/real/users").c_str(), (caches + "/users").c_str()), 0);
  ASSERT_EQ(::lchown((caches + "/users").c_str(), asker.ids().uid, asker.ids().gid), 0);
  // A root link whose target passes through the user's link is refused too.
  ASSERT_EQ(::symlink((caches + "/users").c_str(), (caches + "/via").c_str()), 0);

  EXPECT_FALSE(runRemover(listed(caches + "/users/Quill"), &asker));
  EXPECT_FALSE(runRemover(listed(caches + "/via/Quill"), &asker));
  EXPECT_FALSE(runRemover(listed(caches + "/roots/Quill"), &asker));
  EXPECT_TRUE(existsNoFollow(caches + "/real/users/Quill/data"));
  EXPECT_TRUE(existsNoFollow(caches + "/real/roots/Quill/data"));
  EXPECT_TRUE(runRemover(listed(caches + "/Quill"), &asker));
  EXPECT_FALSE(existsNoFollow(caches + "/Quill"));
  // A listed link goes as itself.
  EXPECT_TRUE(runRemover(listed(caches + "/users"), &asker));
  EXPECT_FALSE(existsNoFollow(caches + "/users"));
  EXPECT_TRUE(existsNoFollow(caches + "/real/users/Quill/data"));
}

// A background item the user may not delete is taken from the places the
// search lists one level deep, and only directly from them.
TEST(Remover, TakesAnEntryDirectlyInsideAPlaceSearchedOneLevelDeep) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, as the remover has once authorised";
  TempDir dir;
  TemporaryUser asker(dir.path());
  if (!asker.valid()) GTEST_SKIP() << "could not make an account (useradd)";
  const std::string agents = dir / "Library/LaunchAgents";
  writeFile(agents + "/com.example.sync.plist");
  writeFile(agents + "/deeper/com.example.sync.plist");

  EXPECT_FALSE(runRemover(listed(agents + "/deeper/com.example.sync.plist"), &asker));
  EXPECT_TRUE(existsNoFollow(agents + "/deeper/com.example.sync.plist"));
  EXPECT_TRUE(runRemover(listed(agents + "/com.example.sync.plist"), &asker));
  EXPECT_FALSE(existsNoFollow(agents + "/com.example.sync.plist"));
}

TEST(Remover, RunByAnOrdinaryUserChangesNothingItMayNot) {
  const auto user = ordinaryUser();
  if (::geteuid() != 0 || !user) GTEST_SKIP() << "needs root to switch to an ordinary user";
  TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  writeFile(dir / "roots/Quill.app/data");
  writeFile(dir / "theirs/Quill.app/data");
  writeFile(dir / "theirs/Mine.app/data");
  for (const char* entry : {"theirs", "theirs/Quill.app", "theirs/Quill.app/data", "theirs/Mine.app", "theirs/Mine.app/data"})
    ASSERT_EQ(::lchown((dir / entry).c_str(), user->uid, user->gid), 0);
  ASSERT_EQ(::symlink((dir / "theirs").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(::lchown((dir / "link").c_str(), user->uid, user->gid), 0);
  const auto remover = runnableCopy(kRemover, dir.path());
  ASSERT_TRUE(remover);

  const auto answers = runAsUser(*user, [&] {
    std::string answer;
    for (const std::string& path : {dir / "roots/Quill.app", dir / "link/Quill.app", dir / "theirs/Mine.app"})
      answer += runRemover(listed(path), nullptr, *remover) ? '1' : '0';
    return answer;
  });
  EXPECT_EQ(answers, "001");
  EXPECT_TRUE(existsNoFollow(dir / "roots/Quill.app/data"));
  EXPECT_TRUE(existsNoFollow(dir / "theirs/Quill.app/data"));  // its own, but only through its own link
  EXPECT_FALSE(existsNoFollow(dir / "theirs/Mine.app"));
}

// Root must stay inside the listed tree: no ".." leads it above, and no mount
// inside the tree — or at the listed entry — leads it into folders that live
// elsewhere, even on the same file system.
TEST(Remover, NeverLeavesTheListedTreeThroughADotDotOrAMount) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, as the remover has once authorised";
  TempDir dir;
  writeFile(dir / "outside/precious/thesis.tex", "years of work");
  writeFile(dir / "Quill.app/sub/data");
  makeDirs(dir / "Quill.app/sub/mnt");
  makeDirs(dir / "Mounted.app");
  const Manifest before = takeManifest(dir / "outside");

  EXPECT_FALSE(runRemover(listed(dir / "Quill.app/../outside/precious")));
  EXPECT_FALSE(runRemover(listed(dir / "Quill.app/sub/../../outside")));
  EXPECT_THAT(removalViolations(before, takeManifest(dir / "outside"), {}), IsEmpty());

  BindMount inside(dir / "outside", dir / "Quill.app/sub/mnt");
  BindMount mounted(dir / "outside", dir / "Mounted.app");
  if (!inside.mounted || !mounted.mounted) GTEST_SKIP() << "no bind mounts here";
  EXPECT_FALSE(runRemover(listed(dir / "Quill.app")));
  EXPECT_FALSE(runRemover(listed(dir / "Mounted.app")));
  EXPECT_THAT(removalViolations(before, takeManifest(dir / "outside"), {}), IsEmpty());
  EXPECT_FALSE(existsNoFollow(dir / "Quill.app/sub/data"));  // the rest of the tree still goes
  EXPECT_TRUE(existsNoFollow(dir / "Quill.app/sub/mnt"));
}

// With rights over every account, the remover removes only what is root's or
// the asker's, and nothing from a folder others may change (where anyone
// could have renamed a victim's folder to the listed name); each entry that
// stays says why.
TEST(Remover, TakesOnlyRootsOrTheAskersEntriesFromFoldersOnlyTheyChange) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, as the remover has once authorised";
  TempDir dir;
  TemporaryUser asker(dir.path());
  if (!asker.valid()) GTEST_SKIP() << "could not make an account (useradd)";
  const std::string support = dir / "Library/Application Support", caches = dir / "Library/Caches";
  writeFile(support + "/Quill/own.db");
  writeFile(support + "/Quill/theirs/x.cfg");
  writeFile(support + "/Quill/Quill.cfg");
  writeFile(support + "/Theirs/data");
  writeFile(caches + "/Quill/data");
  writeFile(caches + "/Sticky/Quill/data");
  const unsigned third = 65534;
  for (const std::string& theirs : {support + "/Quill/Quill.cfg", support + "/Quill/theirs", support + "/Theirs"})
    ASSERT_EQ(::lchown(theirs.c_str(), third, third), 0);
  ASSERT_EQ(::chmod(caches.c_str(), 0777), 0);
  ASSERT_EQ(::chmod((caches + "/Sticky").c_str(), 01777), 0);

  const std::string report = removerReport(
      {"--entry", identityText(*identityAtPath(support + "/Quill")), support + "/Quill", "--entry",
       identityText(*identityAtPath(support + "/Theirs")), support + "/Theirs", "--entry",
       identityText(*identityAtPath(caches + "/Quill")), caches + "/Quill", "--entry",
       identityText(*identityAtPath(caches + "/Sticky/Quill")), caches + "/Sticky/Quill"},
      asker);
  EXPECT_EQ(report, "not removed: " + support + "/Quill (another user's entry is in it or at it)\n" +
                        "not removed: " + support + "/Theirs (another user's entry is in it or at it)\n" +
                        "not removed: " + caches + "/Quill (its folder can be changed by others)\n" +
                        "removed: " + caches + "/Sticky/Quill\n");
  EXPECT_FALSE(existsNoFollow(support + "/Quill/own.db"));
  EXPECT_TRUE(existsNoFollow(support + "/Quill/Quill.cfg"));
  EXPECT_TRUE(existsNoFollow(support + "/Quill/theirs/x.cfg"));
  EXPECT_TRUE(existsNoFollow(support + "/Theirs/data"));
  EXPECT_TRUE(existsNoFollow(caches + "/Quill/data"));
}

// The listed folder renamed away and back while it is removed: "removed"
// only when the entry itself is gone, never while it sits at either name —
// from the remover and from the ordinary removal alike. An entry not there
// at the first look is "not found".
TEST(Remover, SaysRemovedOnlyWhenTheEntryItselfIsGone) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, as the remover has once authorised";
  TempDir dir;
  TemporaryUser asker(dir.path());
  if (!asker.valid()) GTEST_SKIP() << "could not make an account (useradd)";
  const std::string caches = dir / "Library/Caches", folder = caches + "/Quill", away = caches + "/Quill.away";
  EXPECT_EQ(removerReport({"--entry", "1:1", folder}, asker), "not found: " + folder + "\n");

  int claimedWhileThere = 0, removedRuns = 0;
  for (int run = 0; run < 12; ++run) {
    for (int i = 0; i < 300; ++i) writeFile(folder + "/f" + std::to_string(i));
    const EntryIdentity identity = *identityAtPath(folder);
    std::atomic<bool> stop = false;
    // Later runs leave the folder still for longer between swaps, so that
    // some removals get through however fast the machine renames.
    const auto still = std::chrono::microseconds(run / 2 * run / 2 * 500);
    std::thread renamer([&] {
      while (!stop) {
        ::rename(folder.c_str(), away.c_str());
        ::rename(away.c_str(), folder.c_str());
        std::this_thread::sleep_for(still);
      }
    });
    bool removed = false;
    if (run % 2 == 0) {
      removed = removerReport({"--entry", identityText(identity), folder}, asker).starts_with("removed: ");
    } else {
      FileOperations files;
      removed = files.removeItem(files.find(folder, identity));
    }
    stop = true;
    renamer.join();
    removedRuns += removed;
    const bool stillThere = identityAtPath(folder) == identity || identityAtPath(away) == identity;
    claimedWhileThere += removed && stillThere;
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(away);
  }
  EXPECT_EQ(claimedWhileThere, 0);
  EXPECT_GT(removedRuns, 0);  // the loop does not stop every removal
}

}  // namespace
}  // namespace quillmere::safety
