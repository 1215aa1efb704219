#include "removal/tree_removal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "removal/test_path_operations.h"
#include "removal/test_tree.h"

namespace quillmere {
namespace {

using fixtures::AsNobody;
using fixtures::existsNoFollow;
using fixtures::TempDir;

const fixtures::PathOperations files;

// Builds deep/sub/sub/... with a "file" at every level, through descriptors:
// the full path is far longer than PATH_MAX. `visit` may change each level.
template <typename Visit>
void makeDeepTree(const std::string& top, int depth, Visit visit) {
  ASSERT_EQ(mkdir(top.c_str(), 0755), 0);
  int current = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < depth; ++level) {
    ASSERT_GE(current, 0);
    close(openat(current, "file", O_CREAT | O_WRONLY, 0644));
    ASSERT_EQ(mkdirat(current, "sub", 0755), 0);
    visit(current, level);
    const int next = openat(current, "sub", O_RDONLY | O_DIRECTORY);
    close(current);
    current = next;
  }
  close(current);
}

TEST(TreeRemoval, DeepTreeIsRemovedWithoutRunningOutOfStackOrDescriptors) {
  TempDir dir;
  makeDeepTree(dir / "deep", 2000, [](int, int) {});
  EXPECT_TRUE(files.removeItem(dir / "deep"));
  EXPECT_FALSE(existsNoFollow(dir / "deep"));
}

TEST(TreeRemoval, AnEntryThatStaysDeepDownEndsTheRemovalAndSparesOnlyItsAncestors) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  TempDir dir;
  chmod(dir.path().c_str(), 0777);
  // Everything belongs to nobody except one folder 150 levels down, whose
  // file nobody may not remove; far deeper than the folders kept open.
  constexpr int kDepth = 200, kLockedLevel = 150;
  makeDeepTree(dir / "deep", kDepth, [](int fd, int level) {
    fchownat(fd, "file", 65534, 65534, AT_SYMLINK_NOFOLLOW);
    if (level != kLockedLevel - 1) fchownat(fd, "sub", 65534, 65534, AT_SYMLINK_NOFOLLOW);
  });
  ASSERT_EQ(chown((dir / "deep").c_str(), 65534, 65534), 0);

  {
    AsNobody nobody;
    ASSERT_TRUE(nobody.ok());
    EXPECT_FALSE(files.removeItem(dir / "deep"));
  }
  // The chain down to the locked folder and its two entries remain; nothing
  // else, not even below them.
  int current = open((dir / "deep").c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < kLockedLevel; ++level) {
    ASSERT_GE(current, 0) << level;
    struct stat st;
    EXPECT_NE(fstatat(current, "file", &st, AT_SYMLINK_NOFOLLOW), 0) << level;
    const int next = openat(current, "sub", O_RDONLY | O_DIRECTORY);
    close(current);
    current = next;
  }
  ASSERT_GE(current, 0);
  struct stat st;
  EXPECT_EQ(fstatat(current, "file", &st, AT_SYMLINK_NOFOLLOW), 0);
  const int below = openat(current, "sub", O_RDONLY | O_DIRECTORY);
  close(current);
  ASSERT_GE(below, 0);
  EXPECT_NE(fstatat(below, "file", &st, AT_SYMLINK_NOFOLLOW), 0);
  EXPECT_NE(fstatat(below, "sub", &st, AT_SYMLINK_NOFOLLOW), 0);
  close(below);
}

}  // namespace
}  // namespace quillmere
