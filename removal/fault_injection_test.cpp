// Fault injection: the tree changes under the removal — entries vanish,
// appear, folders are swapped for links or files — and every time the outcome
// is the specified one and nothing outside the list is lost or entered. (The
// walk under churn: analysis/library_walk_test.cpp.)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <filesystem>
#include <map>
#include <string_view>
#include <memory>
#include <thread>

#include "testing/fake_privileged_remover.h"
#include "removal/file_operations.h"
#include "removal/uninstaller.h"
#include "testing/test_tree.h"
#include "removal/tree_removal.h"
#include "testing/manifest.h"
#include "testing/removal_run.h"

namespace quillmere::safety {
namespace {

using fixtures::existsNoFollow;
using fixtures::TempDir;
using fixtures::writeFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The real file operations, with a hook run just before each call for a
// chosen path: the moment another process changes the tree.
class MeddlingFileOperations : public FileOperations {
public:
  enum Step { BeforeExists, BeforeIsDeletable, BeforeRemove };
  void at(Step step, const std::string& path, std::function<void()> meddle) {
    hooks_[{step, path}] = std::move(meddle);
  }
  bool exists(const ListedEntry& entry) const override {
    run(BeforeExists, entry.path);
    return FileOperations::exists(entry);
  }
  bool isDeletable(const ListedEntry& entry) const override {
    run(BeforeIsDeletable, entry.path);
    return FileOperations::isDeletable(entry);
  }
  bool removeItem(const ListedEntry& entry) const override {
    run(BeforeRemove, entry.path);
    return FileOperations::removeItem(entry);
  }

private:
  void run(Step step, const std::string& path) const {
    if (auto hook = hooks_.find({step, path}); hook != hooks_.end()) hook->second();
  }
  std::map<std::pair<Step, std::string>, std::function<void()>> hooks_;
};

AppInfo recordOf(std::vector<std::string> paths) {
  std::string bundle = paths.back();
  return fixtures::listedNow(AppInfo("Quill", std::move(bundle), std::nullopt, nullptr, std::move(paths)));
}

std::vector<std::string> without(std::vector<std::string> violations, const std::string& allowed) {
  violations.erase(std::remove(violations.begin(), violations.end(), allowed), violations.end());
  return violations;
}

struct Removal : testing::Test {
  TempDir dir;
  std::string root = dir / "Caches";
  std::shared_ptr<MeddlingFileOperations> files = std::make_shared<MeddlingFileOperations>();
  std::shared_ptr<FakePrivilegedRemover> privileged = std::make_shared<FakePrivilegedRemover>();
  Uninstaller uninstaller{privileged, files};

  Removal() {
    privileged->refuseAll();
    writeFile(dir / "outside/precious/thesis.tex", "years of work");
    writeFile(root + "/Keep/a", "keep");
  }
};

TEST_F(Removal, EntriesThatVanishOrAppearBetweenStepsEndAsSpecified) {
  const std::string grows = root + "/Quill Data", vanishes = root + "/Quill.log",
                    goneEarly = root + "/Quill Cache", sibling = root + "/Quill.plist",
                    goneLate = root + "/Quill.state";
  writeFile(grows + "/old/file");
  writeFile(goneLate);
  writeFile(vanishes);
  writeFile(goneEarly + "/x");
  writeFile(sibling);
  const Manifest before = takeManifest(dir.path());

  // Appears inside a listed folder just before it is removed: goes with it.
  files->at(MeddlingFileOperations::BeforeRemove, grows, [&] {
    writeFile(grows + "/new/file");
    ::symlink((dir / "outside/precious").c_str(), (grows + "/new/link").c_str());
  });
  // Vanishes after the checks: nothing is left, but this removal deleted
  // nothing, so it is not found, as if it had been gone at the first look.
  files->at(MeddlingFileOperations::BeforeRemove, vanishes, [&] { ::unlink(vanishes.c_str()); });
  // Vanishes between the checks: not deletable any more, so it goes to the
  // privileged removal, whose "rm -rf" of a missing path succeeds.
  files->at(MeddlingFileOperations::BeforeIsDeletable, goneLate, [&] { ::unlink(goneLate.c_str()); });
  privileged->refuseAll(false);
  // Gone before it is looked at: only its "Deleting" line.
  files->at(MeddlingFileOperations::BeforeExists, goneEarly,
            [&] { std::filesystem::remove_all(goneEarly); });
  // Appears next to a listed file: not listed, so it stays.
  files->at(MeddlingFileOperations::BeforeRemove, sibling, [&] { writeFile(sibling + ".new", "new"); });

  const std::vector<std::string> listed{grows, vanishes, goneLate, goneEarly, sibling};
  const RemovalRun run = runRemoval(uninstaller, recordOf(listed));
  EXPECT_EQ(run.completions, 1);
  EXPECT_TRUE(run.success);
  EXPECT_THAT(privileged->calls(), ElementsAre(goneLate));
  EXPECT_THAT(run.log, ElementsAre("Deleting: " + grows, "\u2713 Deleted: " + grows,
                                   "Deleting: " + vanishes,
                                   "Deleting: " + goneLate, "\u2713 Deleted (sudo): " + goneLate,
                                   "Deleting: " + goneEarly,
                                   "Deleting: " + sibling, "\u2713 Deleted: " + sibling));
  EXPECT_THAT(without(removalViolations(before, takeManifest(dir.path()), listed),
                      "appeared: " + printable(sibling + ".new")),
              IsEmpty());
}

// Between the check and the removal a listed folder becomes a link to
// precious files: neither the link nor what it points to is the listed
// folder, so nothing there is touched and the path is reported failed.
TEST_F(Removal, AListedFolderSwappedForALinkLosesOnlyTheLink) {
  const std::string folder = root + "/Quill";
  writeFile(folder + "/data");
  files->at(MeddlingFileOperations::BeforeRemove, folder, [&] {
    ASSERT_EQ(::rename(folder.c_str(), (root + "/Moved").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "outside/precious").c_str(), folder.c_str()), 0);
  });
  const RemovalRun run = runRemoval(uninstaller, recordOf({folder}));
  EXPECT_EQ(run.message, "Failed to delete 1 files");
  EXPECT_TRUE(existsNoFollow(folder));
  EXPECT_TRUE(existsNoFollow(dir / "outside/precious/thesis.tex"));
  EXPECT_TRUE(existsNoFollow(root + "/Moved/data"));
}

// A folder on the way to listed entries, in a shared folder others may write
// to, is swapped for another user's link to a folder holding entries of the
// same names: before the removal starts, and while an earlier path is being
// removed. Neither removal goes through the link; both paths are reported
// failed. Swapped after its own walk, a path is removed where it was found.
TEST_F(Removal, AMiddleFolderSwappedForAnotherUsersLinkNeverRedirectsTheRemoval) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a link owned by another user";
  const std::string shared = root + "/Shared", early = root + "/Quill.log";
  const auto swap = [&](const std::string& folder) {
    ASSERT_EQ(::rename((shared + "/" + folder).c_str(), (shared + "/" + folder + ".moved").c_str()), 0);
    const std::string link = shared + "/" + folder;
    ASSERT_EQ(::symlink((dir / ("outside/" + folder)).c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), 4242, 4242), 0);
  };
  writeFile(early);
  for (const std::string folder : {"B", "C", "D"}) {
    writeFile(shared + "/" + folder + "/Quill/data");
    writeFile(dir / ("outside/" + folder + "/Quill/precious"), "precious");
  }
  const std::string before = shared + "/B/Quill", during = shared + "/C/Quill", after = shared + "/D/Quill";
  swap("B");
  files->at(MeddlingFileOperations::BeforeRemove, early, [&] { swap("C"); });
  files->at(MeddlingFileOperations::BeforeRemove, after, [&] { swap("D"); });

  const RemovalRun run = runRemoval(uninstaller, recordOf({before, early, during, after}));
  EXPECT_THAT(run.log, ElementsAre("Deleting: " + before, "\u2717 Failed to delete: " + before,
                                   "Deleting: " + early, "\u2713 Deleted: " + early,
                                   "Deleting: " + during, "\u2717 Failed to delete: " + during,
                                   "Deleting: " + after, "\u2713 Deleted: " + after));
  EXPECT_EQ(run.message, "Failed to delete 2 files");
  EXPECT_THAT(privileged->calls(), ElementsAre(before, during));
  for (const std::string folder : {"B", "C", "D"})
    EXPECT_TRUE(existsNoFollow(dir / ("outside/" + folder + "/Quill/precious"))) << folder;
  EXPECT_TRUE(existsNoFollow(shared + "/B.moved/Quill/data"));
  EXPECT_TRUE(existsNoFollow(shared + "/C.moved/Quill/data"));
  EXPECT_FALSE(existsNoFollow(shared + "/D.moved/Quill"));
}

// A folder inside a listed tree is swapped for a link to a folder outside
// after its type was read and before it is opened. Its opening must refuse
// the link: the type read a moment earlier no longer holds.
TEST(TreeRemoval, AFolderSwappedForALinkJustBeforeItIsOpenedIsNotEntered) {
  TempDir dir;
  writeFile(dir / "listed/inner/deeper/file");
  writeFile(dir / "outside/precious/thesis.tex", "years of work");
  const int base = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(base, 0);
  int swaps = 0;
  const bool removed = removeEntryAt(base, "listed", [&](int parentFd, const char* name) {
    if (std::string_view(name) != "inner") return;
    ++swaps;
    ASSERT_EQ(::renameat(parentFd, "inner", base, "moved"), 0);
    ASSERT_EQ(::symlinkat((dir / "outside/precious").c_str(), parentFd, "inner"), 0);
  });
  ::close(base);
  EXPECT_EQ(swaps, 1);
  EXPECT_TRUE(existsNoFollow(dir / "outside/precious/thesis.tex"));
  EXPECT_TRUE(removed);
  EXPECT_FALSE(existsNoFollow(dir / "listed"));
  EXPECT_TRUE(existsNoFollow(dir / "moved/deeper/file"));
}

// Another process keeps filling a listed folder while it is removed. The run
// ends, completes once, and touches nothing outside the folder; whether the
// folder went depends on who won the race, and the outcome must say which.
TEST_F(Removal, AFolderFilledDuringItsRemovalEndsWithATruthfulOutcome) {
  const std::string folder = root + "/Quill Busy";
  for (int i = 0; i < 300; ++i) writeFile(folder + "/sub" + std::to_string(i % 7) + "/f" + std::to_string(i));
  const Manifest before = takeManifest(dir.path());

  std::atomic<bool> stop = false;
  std::atomic<int> created = 0;
  std::thread filler([&] {
    for (int i = 0; i < 200000 && !stop; ++i) {
      const std::string path = folder + (i % 2 ? "/sub" + std::to_string(i % 7) : "") + "/late" + std::to_string(i);
      const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0644);
      if (fd >= 0) {
        ::close(fd);
        ++created;
      }
    }
  });
  const RemovalRun run = runRemoval(uninstaller, recordOf({folder}));
  stop = true;
  filler.join();

  EXPECT_EQ(run.completions, 1);
  ASSERT_EQ(run.log.size(), 2u);
  if (run.success) {
    EXPECT_EQ(run.log[1], "\u2713 Deleted: " + folder);
  } else {
    EXPECT_EQ(run.message, "Failed to delete 1 files");
    EXPECT_EQ(run.log[1], "\u2717 Failed to delete: " + folder);
    EXPECT_THAT(privileged->calls(), ElementsAre(folder));
  }
  // Whatever of the folder is left, everything else is as it was.
  Manifest after = takeManifest(dir.path());
  std::erase_if(after, [&](const auto& entry) { return isAtOrBelow(entry.first, folder); });
  EXPECT_THAT(removalViolations(before, after, {folder}), IsEmpty());
}

}  // namespace
}  // namespace quillmere::safety
