// The desktop app's command line, run for real: help and version need no
// display, speak the user's language, and --home keeps the folder's bytes.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "ui/launch_options.h"

namespace {

struct AppRun {
  int status;
  std::string out;
};

// Runs the app with only `environment` set: no DISPLAY, no platform plugin
// override, so opening a window would fail.
AppRun runApp(const std::string& environment, const std::string& args) {
  const std::string command = "env -i PATH=/usr/bin:/bin " + environment + " '" QUILLMERE_APP "' " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  AppRun run{-1, {}};
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool hasHan(const std::string& text) {
  // U+4E00..U+9FFF in UTF-8: lead bytes E4..E9.
  for (unsigned char c : text)
    if (c >= 0xE4 && c <= 0xE9) return true;
  return false;
}

TEST(Launch, HelpAndVersionNeedNoWindowAndFollowTheLanguage) {
  struct Case {
    const char* environment;
    bool chinese;
  } cases[] = {
      {"LANG=zh_CN.UTF-8", true},
      {"LANG=zh_TW.UTF-8", true},
      {"LANG=en_US.UTF-8", false},
      {"LANG=fr_FR.UTF-8", false},
      {"", false},
      {"LANGUAGE=zh_CN LANG=en_US.UTF-8", true},   // LANGUAGE comes first
      {"LANGUAGE=fr:zh_CN LANG=en_US.UTF-8", true},  // no French: the next choice
      {"LANGUAGE=en LANG=zh_CN.UTF-8", false},
      {"LC_ALL=en_US.UTF-8 LANG=zh_CN.UTF-8", false},
      {"LC_MESSAGES=zh_CN.UTF-8 LANG=en_US.UTF-8", true},
      {"LANGUAGE=zh_CN LC_ALL=C", false},  // the C locale asks for no translation
  };
  for (const Case& c : cases) {
    const AppRun help = runApp(c.environment, "--help");
    EXPECT_EQ(help.status, 0) << c.environment << "\n" << help.out;
    EXPECT_NE(help.out.find("--home"), std::string::npos) << help.out;
    EXPECT_EQ(hasHan(help.out), c.chinese) << c.environment << "\n" << help.out;
  }
  // The remover beside the build's app, as an installed app finds its own.
  const AppRun version = runApp("LANG=zh_CN.UTF-8", "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "Quillmere " QUILLMERE_VERSION "\n特权删除程序：" QUILLMERE_REMOVER "\n");
  EXPECT_EQ(runApp("LANG=en_US.UTF-8", "--version").out,
            "Quillmere " QUILLMERE_VERSION "\nprivileged remover: " QUILLMERE_REMOVER "\n");
}

// Without a display a usage error is still answered on the terminal, in the
// user's language, with the usage line and quillmere-cli's status 2; Qt's
// own options stay usable.
TEST(Launch, UsageErrorsNeedNoWindowAndFollowTheLanguage) {
  for (const char* args : {"--bogus", "--home", "-home", "A.app B.app", "--system-root=/ A.app -- -B.app"}) {
    for (const char* environment : {"LANG=zh_CN.UTF-8", "LANG=en_US.UTF-8"}) {
      const AppRun run = runApp(environment, args);
      EXPECT_EQ(run.status, 2) << args << "\n" << run.out;
      EXPECT_EQ(run.out.rfind("Quillmere: ", 0), 0u) << run.out;
      EXPECT_NE(run.out.find("[APP.app]"), std::string::npos) << run.out;
      EXPECT_EQ(hasHan(run.out), std::string(environment).find("zh") != std::string::npos) << run.out;
    }
  }
  EXPECT_EQ(runApp("", "-platform offscreen -style=Fusion --version").status, 0);
}

TEST(Launch, HomeAndSystemRootKeepTheBytesGiven) {
  std::string cwd(4096, '\0');
  ASSERT_NE(getcwd(cwd.data(), cwd.size()), nullptr);
  cwd.resize(cwd.find('\0'));
  std::string arg0 = "quillmere", home = "--home", dir = "other\xFF\xFEhome//",
              root = "--system-root=/srv/mac root";
  char* argv[] = {arg0.data(), home.data(), dir.data(), root.data(), nullptr};
  int argc = 4;
  QCoreApplication app(argc, argv);
  const quillmere::ui::LaunchOptions options = quillmere::ui::parseLaunchOptions(app, argc, argv);
  const quillmere::SearchLocations locations = options.searchLocations();
  EXPECT_EQ(locations.home, cwd + "/other\xFF\xFEhome");
  EXPECT_EQ(locations.systemRoot, "/srv/mac root");
}

}  // namespace
