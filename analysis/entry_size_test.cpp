#include "analysis/entry_size.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_tree.h"

namespace quillmere {
namespace {

using fixtures::TempDir;
using fixtures::writeFile;

std::uint64_t allocated(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return std::uint64_t(info.st_blocks) * 512;
}

TEST(EntrySize, CountsEachBlockOnceAndNothingOutsideTheTree) {
  TempDir tmp;
  const std::string tree = tmp / "Caches/com.example.foo";
  const std::string outside = tmp / "Movies/huge.mov";
  writeFile(tree + "/a/data.bin", std::string(40000, 'a'));
  writeFile(tree + "/b/small", "x");
  writeFile(outside, std::string(4 << 20, 'm'));
  ASSERT_EQ(::link((tree + "/a/data.bin").c_str(), (tree + "/b/second-name").c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/b/movie").c_str()), 0);
  ASSERT_EQ(::symlink((tmp / "Movies").c_str(), (tree + "/movies").c_str()), 0);

  // Every folder, the small file, the linked file once, the links themselves.
  std::uint64_t expected = 0;
  for (const char* part : {"", "/a", "/b", "/a/data.bin", "/b/small", "/b/movie", "/movies"})
    expected += allocated(tree + part);
  const auto size = measureEntry(tree);
  ASSERT_TRUE(size);
  EXPECT_EQ(*size, expected);
  EXPECT_GE(*size, allocated(tree + "/a/data.bin"));
  EXPECT_LT(*size, allocated(outside)) << "the link to the movie was followed";

  // A file, a link to a folder, something missing.
  EXPECT_EQ(measureEntry(tree + "/b/small"), allocated(tree + "/b/small"));
  EXPECT_EQ(measureEntry(tree + "/movies"), allocated(tree + "/movies"));
  EXPECT_FALSE(measureEntry(tmp / "gone"));

  // Deeper than the folders a walk keeps open: every level counted once.
  std::string deep = tmp / "deep";
  for (int level = 0; level < 300; ++level) deep += "/d";
  fixtures::makeDirs(deep);
  std::uint64_t levels = 0;
  for (std::string at = tmp / "deep"; at.size() <= deep.size(); at += "/d") levels += allocated(at);
  EXPECT_EQ(measureEntry(tmp / "deep"), levels);

  // Asked to stop: no size, rather than the part walked so far.
  const std::atomic<bool> stop{true};
  EXPECT_FALSE(measureEntry(tree, &stop));
}

TEST(EntrySize, UnreadableFolderInsideGivesNoSize) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  TempDir tmp;
  writeFile(tmp / "tree/locked/inner", std::string(10000, 'x'));
  ASSERT_EQ(::chmod((tmp / "tree/locked").c_str(), 0), 0);
  EXPECT_FALSE(measureEntry(tmp / "tree"));
  ::chmod((tmp / "tree/locked").c_str(), 0755);
}

}  // namespace
}  // namespace quillmere
