#include "removal/resolve_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testing/test_path_operations.h"
#include "testing/test_tree.h"

namespace quillmere {
namespace {

using fixtures::AsNobody;
using fixtures::existsNoFollow;
using fixtures::TempDir;
using fixtures::writeFile;

const fixtures::PathOperations files;

// A link on the way to a listed entry is followed only when root or the
// user running the removal owns it; anyone else's link could point anywhere.
TEST(ResolveEntry, OnlyLinksOfRootOrTheUserAreFollowedOnTheWay) {
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
  // A loop of links ends; what lies behind it cannot be told, so it is not
  // taken for gone (only "no such entry" or "not a folder" on the way are).
  EXPECT_TRUE(files.exists(dir / "loop/Quill"));
  EXPECT_FALSE(files.removeItem(dir / "loop/Quill"));
}

}  // namespace
}  // namespace quillmere
