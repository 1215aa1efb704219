#pragma once
// The desktop app's command line: --help, --version and usage errors are
// answered on the terminal without a window; --home and --system-root point
// the search at another Library, as quillmere-cli's options of the same names
// do; one APP.app argument opens the window with that app analysed.

#include <QString>
#include <optional>
#include <string>

#include "analysis/app_analyzer.h"

class QCoreApplication;

namespace quillmere::ui {

struct LaunchOptions {
  std::optional<std::string> home;        // the bytes given, made absolute
  std::optional<std::string> systemRoot;  // likewise
  std::optional<std::string> app;         // likewise: the app to analyse at start

  // The user's own folders, with the options applied.
  SearchLocations searchLocations() const;
};

// Whether the command line is answered with text alone (help, the version or
// a usage error), so the caller can answer it without connecting to a display.
bool asksOnlyForText(int argc, char** argv);

// Exit status of a usage error, as quillmere-cli's.
inline constexpr int kUsageErrorStatus = 2;

// Parses the command line of `app` (built from argc/argv). Prints help or the
// version and exits with 0, or prints the error and exits with
// kUsageErrorStatus; returns only when the window should open. Install the
// string table first: every text is in the window's language.
LaunchOptions parseLaunchOptions(QCoreApplication& app, int argc, char** argv);

// The text after the program's name in `--version`: the version and the
// privileged remover a removal would start, in the window's language.
QString versionText(const QString& version, const std::optional<std::string>& remover);

}  // namespace quillmere::ui
