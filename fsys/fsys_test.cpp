#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "fsys/folder_listing.h"
#include "fsys/entry_identity.h"
#include "fsys/path_text.h"
#include "fsys/tree_walk.h"

namespace quillmere {
namespace {

TEST(PathText, OneRuleForEachShapeOfPath) {
  EXPECT_EQ(withoutTrailingSlashes("/a/b//"), "/a/b");
  EXPECT_EQ(withoutTrailingSlashes("///"), "/");
  EXPECT_EQ(withoutTrailingSlashes(""), "");

  for (const char* bundle : {"/Applications/Foo.app", "Foo.app", "/x/My.Tool.app", "/x/..app"})
    EXPECT_TRUE(isBundlePath(bundle)) << bundle;
  for (const char* other : {"/x/.app", "/x/Foo.App", "/x/Foo.app/", "/x/Foo", "/Foo.app/x", ""})
    EXPECT_FALSE(isBundlePath(other)) << other;

  // What reaches a program running as root.
  for (const char* accepted : {"/a", "//a", "/a/.../b", "/a/..b", "/a/./b"})
    EXPECT_TRUE(isPrivilegedRemovalPath(accepted)) << accepted;
  for (const char* refused : {"", "/", "a/b", "/a/", "/a/.", "/a/..", "/a/../b", "/..", "/."})
    EXPECT_FALSE(isPrivilegedRemovalPath(refused)) << refused;
  for (const char* refused : {"", "/", "///", "/a/.", "/a/..", "..", "/a/../", "Library/Foo",
                              "/Library/Foo/../../etc/Foo", "/Library/Foo/..//"})
    EXPECT_FALSE(privilegedRemovalPath(refused)) << refused;
  EXPECT_EQ(privilegedRemovalPath("/Users/u/Library/Foo//"), "/Users/u/Library/Foo");
  EXPECT_EQ(privilegedRemovalPath("//top"), "//top");

  const std::string cwd = std::filesystem::current_path().string();
  const std::string prefix = cwd == "/" ? "" : cwd;
  EXPECT_EQ(absolutePath("/x/./y"), "/x/./y");
  EXPECT_EQ(absolutePath("x/y"), prefix + "/x/y");
  EXPECT_EQ(absolutePath(".//./x"), prefix + "/x");
  EXPECT_EQ(absolutePath("."), cwd);
}

// More entries than one read of the kernel's records holds: every name comes
// once, "." and ".." never, and a rewind or a move starts nothing over twice.
TEST(FolderListing, ListsEveryEntryOnceAcrossManyReadsAndAfterARewind) {
  const auto dir = std::filesystem::temp_directory_path() / ("quillmere-listing-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "sub");
  std::set<std::string> expected = {"sub"};
  for (int i = 0; i < 600; ++i) {  // some 80 KB of records
    const std::string name = std::string(100, 'n') + std::to_string(i);
    std::ofstream(dir / name).put('x');
    expected.insert(name);
  }
  FolderListing listing;
  ASSERT_TRUE(listing.open(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
  auto readAll = [](FolderListing& from) {
    std::set<std::string> names;
    std::size_t count = 0;
    for (FolderEntry entry; from.next(entry); ++count) {
      names.insert(entry.name);
      if (std::string(entry.name) == "sub") {
        EXPECT_EQ(entry.type, DT_DIR);
      }
    }
    EXPECT_EQ(count, names.size());
    EXPECT_FALSE(from.failed());
    return names;
  };
  EXPECT_EQ(readAll(listing), expected);
  listing.rewind();
  FolderListing moved = std::move(listing);
  EXPECT_FALSE(listing.isOpen());
  EXPECT_EQ(readAll(moved), expected);
  EXPECT_FALSE(FolderListing().open(-1));
  std::filesystem::remove_all(dir);
}

// Deeper than the folders the walk keeps open, with entries listed on either
// side of each subfolder: every entry once, at its depth, each folder before
// and after its contents, however often the folders above are opened again.
TEST(TreeWalk, EveryEntryOnceAndEachFolderAroundItsContents) {
  const std::filesystem::path top = std::filesystem::temp_directory_path() / ("walk-" + std::to_string(getpid()));
  std::filesystem::path at = top;
  for (int level = 0; level <= 150; ++level, at /= "d") {
    std::filesystem::create_directories(at);
    for (const char* name : {"a", "m", "z"}) std::ofstream(at / name) << "x";
  }
  std::vector<std::size_t> open;
  std::set<std::pair<std::size_t, std::string>> entries;
  std::size_t folders = 0, visits = 0;
  const bool whole = walkTree(AT_FDCWD, top.c_str(), [&](const WalkStep& step) {
    ++visits;
    if (step.visit == Visit::Folder) {
      EXPECT_EQ(step.depth, open.size());
      open.push_back(step.depth), ++folders;
    } else if (step.visit == Visit::FolderDone) {
      EXPECT_EQ(open.back(), step.depth);
      open.pop_back();
    } else {
      EXPECT_EQ(step.visit, Visit::Entry);
      EXPECT_EQ(step.depth, open.size());
      EXPECT_TRUE(entries.emplace(step.depth, step.name).second) << "twice: " << step.name << " at " << step.depth;
    }
    return WalkAnswer::Continue;
  });
  EXPECT_TRUE(whole);
  EXPECT_TRUE(open.empty());
  EXPECT_EQ(folders, 151u);
  EXPECT_EQ(entries.size(), 151u * 3);

  // A folder swapped for another between the look and the opening is not
  // entered: it is not the entry the walk looked at.
  const std::filesystem::path elsewhere = top.string() + "-elsewhere";
  std::filesystem::create_directories(elsewhere);
  std::ofstream(elsewhere / "keep") << "x";
  WalkOptions swapping;
  swapping.beforeOpen = [&](int, const char* name) {
    if (std::string(name) != "d" || !std::filesystem::exists(elsewhere)) return;
    std::filesystem::rename(top / "d", top / "moved");
    std::filesystem::rename(elsewhere, top / "d");
  };
  std::vector<std::string> met;
  walkTree(AT_FDCWD, top.c_str(), [&](const WalkStep& step) {
    met.emplace_back(step.name);
    return step.visit == Visit::Unreadable ? WalkAnswer::Skip : WalkAnswer::Continue;
  }, swapping);
  EXPECT_EQ(std::count(met.begin(), met.end(), "keep"), 0) << "entered the folder swapped in";
  EXPECT_EQ(std::count(met.begin(), met.end(), "d"), 1);

  // Told to stop, it stops there.
  std::size_t steps = 0;
  EXPECT_FALSE(walkTree(AT_FDCWD, top.c_str(), [&](const WalkStep&) {
    return ++steps == 10 ? WalkAnswer::Stop : WalkAnswer::Continue;
  }));
  EXPECT_EQ(steps, 10u);
  std::filesystem::remove_all(top);
}

}  // namespace
}  // namespace quillmere
