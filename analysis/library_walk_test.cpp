// The walk of the search roots: shared out over threads it lists exactly
// what one thread lists, in the same order, on a Library made to trip it up;
// and while another thread churns the tree it never lists what lies behind a
// link.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "analysis/app_analyzer.h"
#include "analysis/library_walk.h"
#include "testing/test_tree.h"
#include "testing/adversarial_library.h"

namespace quillmere::safety {
namespace {

using fixtures::existsNoFollow;
using fixtures::makeDirs;
using fixtures::TempDir;
using fixtures::writeFile;

// NFC/NFD twins, names that are not UTF-8, links to folders outside, loops,
// matched folders and deep ones (from the adversarial Library), plus one root
// that is itself a symbolic link, as a Library moved to another disk is, and
// one root that does not exist.
TEST(ParallelWalk, ListsExactlyWhatOneThreadListsInTheSameOrder) {
  const AppSpec app = accentedApp();
  AdversarialLibrary library(app);
  std::vector<std::string> roots = library.roots();
  const std::string moved = library.top() + "/Logs on another disk";
  ASSERT_EQ(std::rename(roots[3].c_str(), moved.c_str()), 0);
  ASSERT_EQ(::symlink(moved.c_str(), roots[3].c_str()), 0);
  roots.push_back(library.top() + "/no such root");

  const NameMatcher matcher(app.name, app.identifier);
  std::vector<std::string> oneThread;
  for (const std::string& root : roots) collectMatchingEntries(root, matcher, oneThread);

  std::vector<std::string> expected = library.expectedLeftovers(), listed = oneThread;
  std::sort(expected.begin(), expected.end());
  std::sort(listed.begin(), listed.end());
  ASSERT_EQ(listed, expected);  // the linked root among them

  for (unsigned threads : {1u, 2u, 3u, 16u})
    EXPECT_EQ(collectMatchingEntries(roots, matcher, threads), oneThread) << threads << " threads";
}

// The analysis runs again and again while another thread churns the tree:
// files and folders come and go, and a folder is swapped for a link to
// precious files and for a plain file. Entries that never change are always
// found or always left out; nothing behind a link is ever listed.
TEST(Analysis, ChurnDuringTheWalkNeverListsWhatLiesBehindALink) {
  TempDir dir;
  const std::string home = dir / "home", root = home + "/Library/Caches";
  const std::string bundle = dir / "Applications/Quill.app";
  makeDirs(bundle + "/Contents");
  writeFile(dir / "outside/precious/Quill behind the link", "precious");
  std::vector<std::string> stable{root + "/Quill.log", root + "/A/B/Quill deep", root + "/Zed/Quill last"};
  for (const auto& path : stable) writeFile(path);
  writeFile(root + "/A/B/C/Quill too deep");
  writeFile(root + "/Vendor/Quill real.log");
  makeDirs(root + "/Churn");
  for (int i = 0; i < 50; ++i) writeFile(root + "/Noise" + std::to_string(i) + "/x/y");

  std::atomic<bool> stop = false;
  std::thread churn([&] {
    const std::string vendor = root + "/Vendor", parked = root + "/.parked";
    for (int i = 0; i < 1000000 && !stop; ++i) {
      const std::string entry = root + "/Churn/Quill " + std::to_string(i % 16);
      switch (i % 6) {
        case 0: writeFile(entry + "/inner"); break;
        case 1: std::filesystem::remove_all(entry); break;
        case 2:  // the folder becomes a link to what must never be listed
          ::rename(vendor.c_str(), parked.c_str());
          ::symlink((dir / "outside/precious").c_str(), vendor.c_str());
          break;
        case 3:
          ::unlink(vendor.c_str());
          ::rename(parked.c_str(), vendor.c_str());
          break;
        case 4:  // and then a plain file
          ::rename(vendor.c_str(), parked.c_str());
          writeFile(vendor, "not a folder");
          break;
        case 5:
          ::unlink(vendor.c_str());
          ::rename(parked.c_str(), vendor.c_str());
          break;
      }
    }
  });

  const AppAnalyzer analyzer(SearchLocations{home, dir / "sys"});
  for (int run = 0; run < 40; ++run) {
    const AnalysisResult result = analyzer.analyze(bundle);
    ASSERT_TRUE(std::holds_alternative<AppInfo>(result));
    const std::vector<std::string>& related = std::get<AppInfo>(result).relatedFiles();
    ASSERT_FALSE(related.empty());
    EXPECT_EQ(related.back(), bundle);
    for (const auto& path : stable) EXPECT_NE(std::find(related.begin(), related.end(), path), related.end()) << path;
    std::set<std::string> unique(related.begin(), related.end() - 1);
    EXPECT_EQ(unique.size(), related.size() - 1);
    for (const auto& path : related) {
      EXPECT_EQ(path.find("behind the link"), std::string::npos) << path;
      EXPECT_EQ(path.find("too deep"), std::string::npos) << path;
      EXPECT_TRUE(path == bundle || path.starts_with(root + "/")) << path;
    }
  }
  stop = true;
  churn.join();
  EXPECT_TRUE(existsNoFollow(dir / "outside/precious/Quill behind the link"));
}

}  // namespace
}  // namespace quillmere::safety
