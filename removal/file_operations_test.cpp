#include "removal/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "removal/test_tree.h"

namespace quillmere {
namespace {

using fixtures::existsNoFollow;
using fixtures::TempDir;
using fixtures::writeFile;

const FileOperations files;

TEST(FileOperations, SymbolicLinksExistWhenDanglingAndAreRemovedNotFollowed) {
  TempDir dir;
  writeFile(dir / "outside/keep.txt");
  writeFile(dir / "tree/file");
  ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "tree/inner-link").c_str()), 0);
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling").c_str()), 0);

  EXPECT_TRUE(files.exists(dir / "dangling"));
  EXPECT_TRUE(files.isDeletable(dir / "dangling"));
  EXPECT_TRUE(files.removeItem(dir / "dangling"));
  EXPECT_FALSE(files.exists(dir / "dangling"));

  // Listed with a trailing "/", a link is still removed as itself.
  EXPECT_TRUE(files.removeItem(dir / "link/"));
  EXPECT_TRUE(files.removeItem(dir / "tree"));
  EXPECT_FALSE(existsNoFollow(dir / "link"));
  EXPECT_FALSE(existsNoFollow(dir / "tree"));
  EXPECT_TRUE(existsNoFollow(dir / "outside/keep.txt"));
}

TEST(FileOperations, OddNamesAreRemovedExactlyAndNeighboursKept) {
  TempDir dir;
  const std::vector<std::string> names = {
      "bad\xff\xfe-utf8", "new\nline", "quote\"d", "it's", "back\\slash", "$(touch x)", " space ",
      "-rf", "\xe6\x96\x87\xe4\xbb\xb6"};
  for (const auto& name : names) {
    writeFile(dir / ("tree/" + name + "/inner/" + name));
    writeFile(dir / name);
    writeFile(dir / (name + "-neighbour"));
  }
  for (const auto& name : names) EXPECT_TRUE(files.removeItem(dir / name)) << name;
  EXPECT_TRUE(files.removeItem(dir / "tree"));
  for (const auto& name : names) {
    EXPECT_FALSE(existsNoFollow(dir / name)) << name;
    EXPECT_TRUE(existsNoFollow(dir / (name + "-neighbour"))) << name;
  }
  EXPECT_FALSE(existsNoFollow(dir / "tree"));
}

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

TEST(FileOperations, DeepTreeIsRemovedWithoutRunningOutOfStackOrDescriptors) {
  TempDir dir;
  makeDeepTree(dir / "deep", 2000, [](int, int) {});
  EXPECT_TRUE(files.removeItem(dir / "deep"));
  EXPECT_FALSE(existsNoFollow(dir / "deep"));
}

TEST(FileOperations, NothingAtThePathAndTheRootAreHandled) {
  TempDir dir;
  EXPECT_FALSE(files.exists(dir / "missing"));
  EXPECT_FALSE(files.isDeletable(dir / "missing"));
  EXPECT_TRUE(files.removeItem(dir / "missing"));  // nothing is left there
  EXPECT_FALSE(files.exists(""));
  EXPECT_FALSE(files.isDeletable("/"));
  EXPECT_FALSE(files.removeItem("/"));
  EXPECT_FALSE(files.removeItem(""));
  EXPECT_FALSE(files.removeItem(dir / "."));
}

// Runs a block with an unprivileged effective user id, so that permissions
// apply; only possible when the tests run as root.
class AsNobody {
public:
  AsNobody() { ok_ = geteuid() == 0 && setegid(65534) == 0 && seteuid(65534) == 0; }
  ~AsNobody() {
    if (seteuid(0) != 0 || setegid(0) != 0) std::abort();
  }
  bool ok() const { return ok_; }

private:
  bool ok_ = false;
};

TEST(FileOperations, DeletableFollowsParentWritabilityAndTheStickyBit) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  TempDir dir;
  chmod(dir.path().c_str(), 0755);
  writeFile(dir / "locked/file");
  chmod((dir / "locked").c_str(), 0755);
  writeFile(dir / "sticky/roots");
  writeFile(dir / "sticky/nobodys");
  chmod((dir / "sticky").c_str(), 01777);
  ASSERT_EQ(chown((dir / "sticky/nobodys").c_str(), 65534, 65534), 0);
  writeFile(dir / "open/roots");
  chmod((dir / "open").c_str(), 0777);

  AsNobody nobody;
  ASSERT_TRUE(nobody.ok());
  EXPECT_FALSE(files.isDeletable(dir / "locked/file"));
  EXPECT_FALSE(files.isDeletable(dir / "sticky/roots"));
  EXPECT_TRUE(files.isDeletable(dir / "sticky/nobodys"));
  EXPECT_TRUE(files.isDeletable(dir / "open/roots"));
  // Not deletable, and the ordinary removal indeed fails and leaves it.
  EXPECT_FALSE(files.removeItem(dir / "locked/file"));
  EXPECT_TRUE(existsNoFollow(dir / "locked/file"));
}

// A link on the way to a listed entry is followed only when root or the
// user running the removal owns it; anyone else's link could point anywhere.
TEST(FileOperations, OnlyLinksOfRootOrTheUserAreFollowedOnTheWay) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give links other owners";
  TempDir dir;
  chmod(dir.path().c_str(), 0755);
  for (const char* folder : {"real/mine", "real/roots", "real/theirs"}) {
    writeFile(dir / (std::string(folder) + "/Quill"));
    ASSERT_EQ(chown((dir / folder).c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(symlink("real/mine", (dir / "mine").c_str()), 0);  // relative target
  ASSERT_EQ(lchown((dir / "mine").c_str(), 65534, 65534), 0);
  ASSERT_EQ(symlink((dir / "real/roots").c_str(), (dir / "roots").c_str()), 0);
  ASSERT_EQ(symlink((dir / "real/theirs").c_str(), (dir / "theirs").c_str()), 0);
  ASSERT_EQ(lchown((dir / "theirs").c_str(), 4242, 4242), 0);
  ASSERT_EQ(symlink("loop", (dir / "loop").c_str()), 0);

  AsNobody nobody;
  ASSERT_TRUE(nobody.ok());
  EXPECT_TRUE(files.removeItem(dir / "mine/Quill"));
  EXPECT_TRUE(files.removeItem(dir / "roots/Quill"));
  EXPECT_FALSE(existsNoFollow(dir / "real/mine/Quill"));
  EXPECT_FALSE(existsNoFollow(dir / "real/roots/Quill"));
  // Refused, yet counted as there, so that the path is reported as failed.
  EXPECT_TRUE(files.exists(dir / "theirs/Quill"));
  EXPECT_FALSE(files.isDeletable(dir / "theirs/Quill"));
  EXPECT_FALSE(files.removeItem(dir / "theirs/Quill"));
  EXPECT_TRUE(existsNoFollow(dir / "real/theirs/Quill"));
  // A loop of links ends, and nothing is there.
  EXPECT_FALSE(files.exists(dir / "loop/Quill"));
  EXPECT_FALSE(files.removeItem(dir / "loop/Quill"));
}

TEST(FileOperations, AnEntryThatStaysDeepDownEndsTheRemovalAndSparesOnlyItsAncestors) {
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
