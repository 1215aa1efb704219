#include "removal/uninstaller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "testing/fake_privileged_remover.h"
#include "testing/test_tree.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

// File operations whose answers are scripted per path; the real file system
// is never touched. Paths not listed do not exist.
class ScriptedFiles : public FileOperations {
public:
  struct Answers {
    bool deletable = true;
    bool removes = true;
  };
  std::map<std::string, Answers> paths;
  mutable std::vector<std::string> removed;

  bool exists(const ListedEntry& entry) const override { return paths.count(entry.path) > 0; }
  bool isDeletable(const ListedEntry& entry) const override { return paths.at(entry.path).deletable; }
  bool mayRemoveWhole(const ListedEntry&, const std::atomic<bool>*) const override { return true; }
  bool removeItem(const ListedEntry& entry) const override {
    removed.push_back(entry.path);
    return paths.at(entry.path).removes;
  }
};

struct Outcome {
  std::vector<std::string> lines;
  std::vector<RowEvent> events;
  int completions = 0;
  bool success = false;
  std::optional<std::string> message;
};

Outcome uninstall(const Uninstaller& uninstaller, std::vector<std::string> paths) {
  AppInfo app("Foo", "/Applications/Foo.app", std::nullopt, nullptr, std::move(paths));
  AppInfo::IdentityTable identities;  // as listed: what is on disk, else made up for a scripted path
  for (const std::string& path : app.relatedFiles())
    identities.emplace(path, identityAtPath(path).value_or(EntryIdentity{1, identities.size() + 1, 0}));
  app.setIdentities(std::move(identities));
  Outcome run;
  uninstaller.uninstall(
      app,
      [&](const RowEvent& event) {
        run.events.push_back(event);
        if (auto line = logLineOf(event)) run.lines.push_back(std::move(*line));
      },
      [&](bool success, std::optional<std::string> message) {
        ++run.completions;
        run.success = success;
        run.message = std::move(message);
      });
  return run;
}

TEST(Uninstall, EveryOutcomeGivesItsLinesInOrder) {
  auto files = std::make_shared<ScriptedFiles>();
  files->paths["/ok"] = {true, true};
  files->paths["/fails-then-sudo"] = {true, false};
  files->paths["/fails-everywhere"] = {true, false};
  files->paths["/locked-then-sudo"] = {false, true};
  files->paths["/locked-everywhere"] = {false, true};
  files->paths["/outside"] = {false, true};
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuse("/fails-everywhere");
  privileged->refuse("/locked-everywhere");
  privileged->outside("/outside");

  const Outcome run = uninstall(Uninstaller(privileged, files),
                            {"/missing", "/ok", "/fails-then-sudo", "/fails-everywhere",
                             "/locked-then-sudo", "/outside", "/locked-everywhere"});

  // The prefixes as raw bytes: U+2713 is E2 9C 93, U+2717 is E2 9C 97.
  EXPECT_THAT(run.lines,
              ElementsAre("Deleting: /missing",
                          "Deleting: /ok", "\xE2\x9C\x93 Deleted: /ok",
                          "Deleting: /fails-then-sudo", "\xE2\x9C\x93 Deleted (sudo): /fails-then-sudo",
                          "Deleting: /fails-everywhere", "\xE2\x9C\x97 Failed to delete: /fails-everywhere",
                          "Deleting: /locked-then-sudo", "\xE2\x9C\x93 Deleted (sudo): /locked-then-sudo",
                          "Deleting: /outside", "\xE2\x9C\x97 Failed to delete: /outside",
                          "Deleting: /locked-everywhere", "\xE2\x9C\x97 Failed to delete: /locked-everywhere"));
  // Each row's events carry its place in the list, and each failure its reason.
  std::vector<std::pair<std::size_t, RowOutcome>> ends;
  std::vector<FailReason> reasons;
  for (const RowEvent& event : run.events) {
    if (event.outcome != RowOutcome::Started) ends.emplace_back(event.row, event.outcome);
    if (event.outcome == RowOutcome::Failed) reasons.push_back(event.reason);
  }
  EXPECT_THAT(ends, ElementsAre(Pair(0, RowOutcome::NotFound), Pair(1, RowOutcome::Deleted),
                                Pair(2, RowOutcome::DeletedWithPrivileges), Pair(3, RowOutcome::Failed),
                                Pair(4, RowOutcome::DeletedWithPrivileges), Pair(5, RowOutcome::Failed),
                                Pair(6, RowOutcome::Failed)));
  EXPECT_THAT(reasons, ElementsAre(FailReason::RemoverLeftIt, FailReason::NoPermission, FailReason::RemoverLeftIt));
  // Not deletable means no ordinary attempt at all.
  EXPECT_THAT(files->removed, ElementsAre("/ok", "/fails-then-sudo", "/fails-everywhere"));
  // One privileged run — one password — for every path that needs it, and
  // none for a path the remover would refuse.
  EXPECT_THAT(privileged->calls(), ElementsAre("/fails-then-sudo", "/fails-everywhere",
                                               "/locked-then-sudo", "/locked-everywhere"));
  EXPECT_EQ(privileged->runs(), 1);
  EXPECT_EQ(run.completions, 1);
  EXPECT_FALSE(run.success);
  EXPECT_EQ(run.message, "Failed to delete 3 files");
}

TEST(Uninstall, EmptyListCompletesOnceWithSuccessAndNoLines) {
  const Outcome run = uninstall(Uninstaller(std::make_shared<FakePrivilegedRemover>()), {});
  EXPECT_THAT(run.lines, IsEmpty());
  EXPECT_EQ(run.completions, 1);
  EXPECT_TRUE(run.success);
  EXPECT_EQ(run.message, std::nullopt);
}

TEST(Uninstall, FailureMessageUsesFilesForEveryCount) {
  for (int count : {1, 12}) {
    auto files = std::make_shared<ScriptedFiles>();
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      paths.push_back("/p" + std::to_string(i));
      files->paths[paths.back()] = {false, false};
    }
    auto privileged = std::make_shared<FakePrivilegedRemover>();
    privileged->refuseAll();
    const Outcome run = uninstall(Uninstaller(privileged, files), paths);
    EXPECT_EQ(run.lines.size(), 2u * count);
    EXPECT_EQ(run.completions, 1);
    EXPECT_FALSE(run.success);
    EXPECT_EQ(run.message, "Failed to delete " + std::to_string(count) + " files");
  }
}

TEST(Uninstall, PrivilegedRemovalNeverSeesRootRelativeOrTrailingSlashPaths) {
  auto files = std::make_shared<ScriptedFiles>();
  for (const char* path : {"/", "//", "relative/x", "/Library/Foo/", "/Library/Foo/.."})
    files->paths[path] = {false, false};
  auto privileged = std::make_shared<FakePrivilegedRemover>();

  const Outcome run = uninstall(Uninstaller(privileged, files),
                            {"/", "//", "relative/x", "/Library/Foo/", "/Library/Foo/.."});

  EXPECT_THAT(privileged->calls(), ElementsAre("/Library/Foo"));
  // The log still names each path exactly as listed.
  EXPECT_EQ(run.lines[7], "\xE2\x9C\x93 Deleted (sudo): /Library/Foo/");
  EXPECT_EQ(run.message, "Failed to delete 4 files");
}

TEST(Uninstall, RealFilesAreRemovedAndAPathListedTwiceOnlyAnnouncedTheSecondTime) {
  fixtures::TempDir dir;
  fixtures::writeFile(dir / "Caches/com.example.foo/a/b.db");
  fixtures::writeFile(dir / "Preferences/com.example.foo.plist");
  fixtures::writeFile(dir / "Preferences/com.example.other.plist");
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  const std::string tree = dir / "Caches/com.example.foo";
  const std::string plist = dir / "Preferences/com.example.foo.plist";

  const Outcome run = uninstall(Uninstaller(privileged), {tree, plist, tree});

  EXPECT_THAT(run.lines, ElementsAre("Deleting: " + tree, "\xE2\x9C\x93 Deleted: " + tree,
                                     "Deleting: " + plist, "\xE2\x9C\x93 Deleted: " + plist,
                                     "Deleting: " + tree));
  EXPECT_TRUE(run.success);
  EXPECT_THAT(privileged->calls(), IsEmpty());
  EXPECT_FALSE(fixtures::existsNoFollow(tree));
  EXPECT_FALSE(fixtures::existsNoFollow(plist));
  EXPECT_TRUE(fixtures::existsNoFollow(dir / "Preferences/com.example.other.plist"));
}

// The lock and the dialog's password line promise what the removal will do:
// for each leftover the prediction says a password is needed exactly when the
// removal, run for real by an ordinary user, hands it to the privileged remover.
TEST(Uninstall, NeedsPrivilegesForeseesWhatTheRemovalHandsOver) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  fixtures::TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  const std::string home = dir / "home";
  for (const char* folder : {"emptyRootFolder/keep", "rootFolder/keep", "emptyReadOnlyFolder/ro", "readOnlyFolder/ro",
                             "rootStickyFolder/tmp", "rootFile"})
    fixtures::makeDirs(home + "/" + folder);
  // Deeper than any walk once gave up at: all the user's own, so no password.
  std::string deep = home + "/deepTree";
  for (int level = 0; level < 300; ++level) deep += "/d";
  fixtures::writeFile(deep + "/file");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home))
    ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
  // What only root may change, inside the user's leftovers.
  for (const char* file :
       {"rootFolder/keep/file", "readOnlyFolder/ro/file", "rootStickyFolder/tmp/file", "rootFile/file"})
    fixtures::writeFile(home + "/" + file);
  for (const char* folder : {"emptyRootFolder/keep", "rootFolder/keep", "rootStickyFolder/tmp"})
    ASSERT_EQ(::chown((home + "/" + folder).c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod((home + "/rootStickyFolder/tmp").c_str(), 01777), 0);
  for (const char* folder : {"emptyReadOnlyFolder/ro", "readOnlyFolder/ro"})
    ASSERT_EQ(::chmod((home + "/" + folder).c_str(), 0555), 0);

  fixtures::AsNobody nobody;
  ASSERT_TRUE(nobody.ok());
  for (const std::string name :
       {"emptyRootFolder", "rootFolder", "emptyReadOnlyFolder", "readOnlyFolder", "rootStickyFolder", "rootFile",
        "deepTree"}) {
    const std::string path = home + "/" + name;
    auto privileged = std::make_shared<FakePrivilegedRemover>();
    const Uninstaller uninstaller(privileged);
    const bool predicted = uninstaller.needsPrivileges(path, identityAtPath(path));
    uninstall(uninstaller, {path});
    EXPECT_EQ(predicted, !privileged->calls().empty()) << name;
    // An empty folder goes with a write to the folder above, whoever owns it
    // and whatever its mode; a root file in the user's folder too.
    EXPECT_EQ(predicted, name == "rootFolder" || name == "readOnlyFolder" || name == "rootStickyFolder") << name;
  }
}

}  // namespace
}  // namespace quillmere
