#pragma once
// The desktop app's command line: --help and --version print and end the
// process without a window; --home and --system-root point the search at
// another Library, as quillmere-cli's options of the same names do.

#include <optional>
#include <string>

#include "analysis/app_analyzer.h"

class QCoreApplication;

namespace quillmere::ui {

struct LaunchOptions {
  std::optional<std::string> home;        // the bytes given, made absolute
  std::optional<std::string> systemRoot;  // likewise

  // The user's own folders, with the options applied.
  SearchLocations searchLocations() const;
};

// Whether the command line only asks for text (help or version), so the
// caller can answer it without connecting to a display.
bool asksOnlyForText(int argc, char** argv);

// Parses the command line of `app` (built from argc/argv). Prints help or the
// version and exits with 0, or prints the error and exits with 1, as
// QCommandLineParser does; returns only when the window should open. Install
// the string table first: the help is in the window's language.
LaunchOptions parseLaunchOptions(QCoreApplication& app, int argc, char** argv);

}  // namespace quillmere::ui
