#include "removal/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "testing/test_path_operations.h"
#include "testing/test_tree.h"

namespace quillmere {
namespace {

using fixtures::AsNobody;
using fixtures::existsNoFollow;
using fixtures::TempDir;
using fixtures::writeFile;

const fixtures::PathOperations files;

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

TEST(FileOperations, NothingAtThePathAndTheRootAreHandled) {
  TempDir dir;
  EXPECT_FALSE(files.exists(dir / "missing"));
  EXPECT_FALSE(files.isDeletable(dir / "missing"));
  EXPECT_FALSE(files.removeItem(dir / "missing"));  // nothing is left there, but nothing was removed
  EXPECT_FALSE(files.exists(""));
  EXPECT_FALSE(files.isDeletable("/"));
  EXPECT_FALSE(files.removeItem("/"));
  EXPECT_FALSE(files.removeItem(""));
  EXPECT_FALSE(files.removeItem(dir / "."));
}

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
  writeFile(dir / "open/tree/locked/file");
  chmod((dir / "open/tree").c_str(), 0777);
  chmod((dir / "open/tree/locked").c_str(), 0755);

  AsNobody nobody;
  ASSERT_TRUE(nobody.ok());
  EXPECT_FALSE(files.isDeletable(dir / "locked/file"));
  EXPECT_FALSE(files.isDeletable(dir / "sticky/roots"));
  EXPECT_TRUE(files.isDeletable(dir / "sticky/nobodys"));
  EXPECT_TRUE(files.isDeletable(dir / "open/roots"));
  // Not deletable, and the ordinary removal indeed fails and leaves it.
  EXPECT_FALSE(files.removeItem(dir / "locked/file"));
  EXPECT_TRUE(existsNoFollow(dir / "locked/file"));
  // A folder that cannot be emptied tells what stopped it, not that it was
  // left "not empty".
  errno = 0;
  EXPECT_FALSE(files.removeItem(dir / "open/tree"));
  EXPECT_EQ(errno, EACCES);
}

}  // namespace
}  // namespace quillmere
