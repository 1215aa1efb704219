// Closing the window while an analysis or a removal is stuck in the
// background ends the process cleanly: exit status 0, no crash, no sanitizer
// report, and no wait for the stuck work. The window runs in a child process
// (quillmere_window_close_probe) under the offscreen platform.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "testing/test_tree.h"

extern char** environ;

namespace {

using quillmere::fixtures::TempDir;
using quillmere::fixtures::writeFile;

struct Outcome {
  bool finished = false;  // within the bound
  int status = 0;
  std::string output;
};

// Runs the probe and waits for it, killing it after a generous bound that
// only a hang can reach (the stuck work itself would never end).
Outcome runProbe(const std::string& mode, const TempDir& dir, const std::string& bundle) {
  const std::string output = dir / "probe-output";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> args{QUILLMERE_WINDOW_CLOSE_PROBE, mode, dir / "home", bundle};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  pid_t pid = -1;
  Outcome outcome;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return outcome;
  posix_spawn_file_actions_destroy(&actions);

  const auto bound = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (std::chrono::steady_clock::now() < bound) {
    if (waitpid(pid, &outcome.status, WNOHANG) == pid) {
      outcome.finished = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!outcome.finished) {
    kill(pid, SIGKILL);
    waitpid(pid, &outcome.status, 0);
  }
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  outcome.output = text.str();
  return outcome;
}

struct WindowClose : testing::Test {
  TempDir dir;
  std::string bundle = dir / "Applications/Quill.app";
  WindowClose() {
    writeFile(bundle + "/Contents/Info.plist", "<plist><dict></dict></plist>");
    writeFile(dir / "home/Library/Caches/Quill/cache.db", "cache");
    writeFile(dir / "home/Library/Caches/Other/keep", "keep");
  }
  void expectCleanExit(const Outcome& outcome) {
    ASSERT_TRUE(outcome.finished) << "the process did not end after its window closed";
    ASSERT_TRUE(WIFEXITED(outcome.status)) << "ended by signal " << WTERMSIG(outcome.status);
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0);
    EXPECT_EQ(outcome.output, "closing\n");
  }
};

TEST_F(WindowClose, DuringAnAnalysisEndsTheProcessCleanly) {
  expectCleanExit(runProbe("analysis", dir, bundle));
}

TEST_F(WindowClose, DuringARemovalEndsTheProcessCleanlyAndTouchesNothingElse) {
  expectCleanExit(runProbe("removal", dir, bundle));
  EXPECT_TRUE(quillmere::fixtures::existsNoFollow(dir / "home/Library/Caches/Other/keep"));
  EXPECT_TRUE(quillmere::fixtures::existsNoFollow(bundle + "/Contents/Info.plist"));
}

}  // namespace
