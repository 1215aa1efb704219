#include "removal/tree_removal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "fsys/entry_identity.h"
#include "testing/bind_mount.h"
#include "testing/test_path_operations.h"
#include "testing/test_tree.h"

namespace quillmere {
namespace {

using fixtures::AsNobody;
using fixtures::BindMount;
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

// With administrator rights the removal empties a listed tree, but never
// enters a folder of a third user moved into it: that one stays whole, the
// rest goes, and the removal says something stayed.
TEST(TreeRemoval, AsRootNeverEntersAThirdUsersFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, as the privileged remover runs";
  TempDir dir;
  fixtures::writeFile(dir / "tree/data");
  fixtures::writeFile(dir / "tree/bag/report", "root's");
  ASSERT_EQ(lchown((dir / "tree/bag").c_str(), 4242, 4242), 0);
  const int parent = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(parent, 0);
  EXPECT_FALSE(removeEntryAt(parent, "tree", RemovalGuard{identityAtPath(dir / "tree"), false, uid_t(1000)}));
  close(parent);
  EXPECT_TRUE(existsNoFollow(dir / "tree/bag/report"));
  EXPECT_FALSE(existsNoFollow(dir / "tree/data"));
}

// Nor a mount inside the tree or at it (a bind mount of a folder that lives
// elsewhere, even on the same file system): it stays, the rest goes.
TEST(TreeRemoval, AsRootNeverEntersAMount) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, as the privileged remover runs";
  TempDir dir;
  fixtures::writeFile(dir / "outside/thesis.tex", "years of work");
  fixtures::writeFile(dir / "tree/data");
  fixtures::makeDirs(dir / "tree/mnt");
  fixtures::makeDirs(dir / "Mounted.app");
  BindMount inside(dir / "outside", dir / "tree/mnt");
  BindMount at(dir / "outside", dir / "Mounted.app");
  if (!inside.mounted || !at.mounted) GTEST_SKIP() << "no bind mounts here";
  const int parent = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(parent, 0);
  EXPECT_FALSE(removeEntryAt(parent, "tree", RemovalGuard{identityAtPath(dir / "tree"), false, uid_t(1000)}));
  EXPECT_FALSE(
      removeEntryAt(parent, "Mounted.app", RemovalGuard{identityAtPath(dir / "Mounted.app"), true, uid_t(1000)}));
  close(parent);
  EXPECT_TRUE(existsNoFollow(dir / "outside/thesis.tex"));
  EXPECT_FALSE(existsNoFollow(dir / "tree/data"));
  EXPECT_TRUE(existsNoFollow(dir / "tree/mnt"));
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
