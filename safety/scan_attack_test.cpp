// Attacks on the search: the bundle's Info.plist and icon laid as links,
// FIFOs or devices. Each ends in nothing read or entered.

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/app_analyzer.h"
#include "removal/test_tree.h"

namespace quillmere::safety {
namespace {

using fixtures::makeDirs;
using fixtures::TempDir;
using fixtures::writeFile;

// Info.plist and the icon are read only as regular files inside the bundle:
// a link (to them, or to the folder holding them) is not followed, and a FIFO
// or a device is never even opened, so it can neither hang the scan nor be
// acted on.
TEST(ScanAttack, BundleFilesAreReadOnlyAsRegularFilesInsideTheBundle) {
  TempDir dir;
  const std::string home = dir / "home", bundle = dir / "Applications/Foo.app";
  const std::string outside = dir / "outside";
  // Found only through the identifier the list outside declares.
  writeFile(home + "/Library/Caches/com.example.secret.cache");
  writeFile(outside + "/Info.plist",
            "<plist><dict><key>CFBundleIdentifier</key><string>com.example.secret</string>"
            "<key>CFBundleIconFile</key><string>Icon</string></dict></plist>");
  writeFile(outside + "/Resources/Icon.icns", "secret icon");
  const AppAnalyzer analyzer(SearchLocations{home, dir / "sys"});
  const auto expectNothingRead = [&](const std::string& layout) {
    const AnalysisResult result = analyzer.analyze(bundle);
    ASSERT_TRUE(std::holds_alternative<AppInfo>(result)) << layout;
    const AppInfo& info = std::get<AppInfo>(result);
    EXPECT_FALSE(info.bundleIdentifier()) << layout;
    EXPECT_FALSE(info.icon()) << layout;
    EXPECT_EQ(info.relatedFiles, std::vector<std::string>{bundle}) << layout;
  };

  makeDirs(bundle + "/Contents/Resources");
  ASSERT_EQ(::symlink((outside + "/Info.plist").c_str(), (bundle + "/Contents/Info.plist").c_str()), 0);
  expectNothingRead("Info.plist a link to a list outside");

  ASSERT_EQ(::unlink((bundle + "/Contents/Info.plist").c_str()), 0);
  writeFile(bundle + "/Contents/Info.plist",
            "<plist><dict><key>CFBundleIconFile</key><string>Icon</string></dict></plist>");
  ASSERT_EQ(::symlink((outside + "/Resources/Icon.icns").c_str(), (bundle + "/Contents/Resources/Icon.icns").c_str()),
            0);
  expectNothingRead("the icon a link to a file outside");

  ASSERT_EQ(::rename((bundle + "/Contents").c_str(), (dir / "parked").c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (bundle + "/Contents").c_str()), 0);
  expectNothingRead("Contents a link to a folder outside");

  // A FIFO, and where the test may make one a device, as the list itself and
  // behind a link: watched, so that even an opening is seen.
  ASSERT_EQ(::unlink((bundle + "/Contents").c_str()), 0);
  makeDirs(bundle + "/Contents");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::vector<std::string> specials{dir / "fifo"};
  if (::mknod((dir / "device").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) specials.push_back(dir / "device");
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  for (const std::string& special : specials) {
    ASSERT_GE(::inotify_add_watch(watch, special.c_str(), IN_OPEN | IN_ACCESS), 0);
    const std::string plist = bundle + "/Contents/Info.plist";
    ASSERT_EQ(::symlink(special.c_str(), plist.c_str()), 0);
    expectNothingRead("Info.plist a link to " + special);
    ASSERT_EQ(::unlink(plist.c_str()), 0);
    ASSERT_EQ(::rename(special.c_str(), plist.c_str()), 0);
    expectNothingRead("Info.plist itself " + special);
    ASSERT_EQ(::rename(plist.c_str(), special.c_str()), 0);
    char event[sizeof(inotify_event) + 256];
    EXPECT_EQ(::read(watch, event, sizeof event), -1) << special << " was opened";
  }
  ::close(watch);
}

}  // namespace
}  // namespace quillmere::safety
