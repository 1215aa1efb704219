// The walk shared out over threads lists exactly what one thread lists, in
// the same order, on a Library made to trip it up.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/library_walk.h"
#include "safety/adversarial_library.h"

namespace quillmere::safety {
namespace {

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

}  // namespace
}  // namespace quillmere::safety
