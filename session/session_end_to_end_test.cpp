// One whole session with real threads: a drop, the analysis on a pool
// thread, the confirmed removal, its log collected on the test's thread,
// against a real bundle and real leftovers in a temporary home. Built under
// ThreadSanitizer as well, where it must report no race.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing/fake_privileged_remover.h"
#include "session/session_controller.h"
#include "session/thread_pool_dispatcher.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Only a hang guard; nothing here measures time.
constexpr auto kPatience = std::chrono::milliseconds(120s);

bool existsNoFollow(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

void writeFile(const std::string& path, const std::string& contents = "x") {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

// Encodes every byte outside the unreserved set and "/", as a file manager does.
std::string fileUrl(const std::string& path) {
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      url.push_back(static_cast<char>(c));
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      url += escaped;
    }
  }
  return url + "/";
}

template <typename... States>
std::function<bool()> stateIsOneOf(const SessionController& controller) {
  return [&controller] { return (std::holds_alternative<States>(controller.state()) || ...); };
}

class SessionEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmere-session-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }

  std::string root;
};

TEST_F(SessionEndToEnd, RemovesTheBundleAndItsLeftoversAndNothingElse) {
  const std::string home = root + "/home";
  const std::string system = root + "/system";
  const std::string bundle = root + "/Apps dir/Tool.app";
  writeFile(bundle + "/Contents/Info.plist",
            R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>CFBundleIdentifier</key><string>com.example.tool</string></dict></plist>
)");
  writeFile(bundle + "/Contents/MacOS/Tool");

  const std::vector<std::string> leftovers = {
      home + "/Library/Application Support/Tool",
      home + "/Library/Preferences/com.example.tool.plist",
      home + "/Library/Caches/com.example.tool",
      home + "/Library/Logs/tool\xFF it's \"odd\".log",
      home + "/Library/Containers/Example/Tool",  // inside its vendor's folder
      system + "/Library/Logs/Tool.log",
  };
  writeFile(leftovers[0] + "/data.db");
  writeFile(leftovers[1]);
  writeFile(leftovers[2] + "/cache.db");
  writeFile(leftovers[3]);
  writeFile(leftovers[4] + "/state");
  writeFile(leftovers[5]);

  const std::vector<std::string> kept = {
      home + "/Library/Caches/Other/cache",
      home + "/Library/Preferences/com.example.other.plist",
      home + "/Library/Caches/a/b/c/tool.log",  // deeper than the search goes
      home + "/Library/Logs/.tool-hidden",
      home + "/Documents/Tool notes.txt",  // outside the searched folders
      root + "/Apps dir/Other.app/Contents/Info.plist",
  };
  for (const auto& path : kept) writeFile(path);

  auto dispatcher = std::make_shared<ThreadPoolDispatcher>(2);
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  SessionController controller(dispatcher,
                               SessionServices::standard(SearchLocations{home, system}, privileged));
  const auto mainThread = std::this_thread::get_id();
  int changes = 0;
  controller.setChangeListener([&](SessionField) {
    EXPECT_EQ(std::this_thread::get_id(), mainThread);
    ++changes;
  });

  controller.handleDrop({DroppedItem{fileUrl(bundle)}});
  ASSERT_TRUE(dispatcher->runMainUntil(stateIsOneOf<states::Ready, states::Error>(controller),
                                       kPatience));
  ASSERT_TRUE(std::holds_alternative<states::Ready>(controller.state()))
      << std::get<states::Error>(controller.state()).message;
  const AppInfo app = std::get<states::Ready>(controller.state()).app;
  EXPECT_EQ(app.path(), bundle);
  EXPECT_EQ(app.bundleIdentifier(), "com.example.tool");
  ASSERT_FALSE(app.relatedFiles().empty());
  EXPECT_EQ(app.relatedFiles().back(), bundle);
  std::vector<std::string> found = app.relatedFiles();
  found.pop_back();
  std::vector<std::string> expected = leftovers;
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);

  controller.requestUninstall(app);
  controller.confirmUninstall();
  controller.dismissConfirmation();
  ASSERT_TRUE(dispatcher->runMainUntil(stateIsOneOf<states::Completed, states::Error>(controller),
                                       kPatience));
  EXPECT_TRUE(std::holds_alternative<states::Completed>(controller.state()));

  std::vector<std::string> expectedLog;
  for (const auto& path : app.relatedFiles()) {
    expectedLog.push_back("Deleting: " + path);
    expectedLog.push_back("✓ Deleted: " + path);
  }
  EXPECT_EQ(controller.uninstallLog(), expectedLog);
  for (const auto& path : app.relatedFiles()) EXPECT_FALSE(existsNoFollow(path)) << path;
  for (const auto& path : kept) EXPECT_TRUE(existsNoFollow(path)) << path;
  EXPECT_TRUE(privileged->calls().empty());
  EXPECT_GT(changes, 0);
}

}  // namespace
}  // namespace quillmere
