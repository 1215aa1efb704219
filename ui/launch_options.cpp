#include "ui/launch_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "fsys/path_text.h"

namespace quillmere::ui {

namespace {

// QCommandLineParser's own texts, so the help reads in one language too.
[[maybe_unused]] const char* const kParserTexts[] = {
    QT_TRANSLATE_NOOP("QCommandLineParser", "Usage: %1"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "[options]"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Options:"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help on commandline options."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help including Qt specific options."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays version information."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown option '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown options: %1."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Missing value after '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unexpected value after '%1'."),
};

// The value of `--name VALUE` or `--name=VALUE` as the bytes given: Qt's
// arguments are decoded text, and a folder name need not be UTF-8. The last
// one given wins, as in QCommandLineParser::value().
std::optional<std::string> rawValue(int argc, char** argv, const std::string& name) {
  std::optional<std::string> value;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") break;
    if (arg == name && i + 1 < argc) value = argv[++i];
    else if (arg.rfind(name + "=", 0) == 0) value = arg.substr(name.size() + 1);
  }
  return value;
}

}  // namespace

SearchLocations LaunchOptions::searchLocations() const {
  SearchLocations locations = SearchLocations::forCurrentUser();
  if (home) locations.home = withoutTrailingSlashes(*home);
  if (systemRoot) locations.systemRoot = *systemRoot;
  return locations;
}

bool asksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version")
      return true;
  }
  return false;
}

LaunchOptions parseLaunchOptions(QCoreApplication& app, int argc, char** argv) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "quillmere::ui::LaunchOptions",
      "Removes an application bundle together with the files it left behind in the "
      "Library folders. Drag the app onto the window, check the list, confirm."));
  parser.addHelpOption();
  parser.addVersionOption();
  // A placeholder, like the option names: the same in every language, and
  // the help's columns stay aligned.
  const QString dir = QStringLiteral("DIR");
  parser.addOption({QStringLiteral("home"),
                    QCoreApplication::translate(
                        "quillmere::ui::LaunchOptions",
                        "Search the eight Library folders below DIR instead of below your home folder."),
                    dir});
  parser.addOption({QStringLiteral("system-root"),
                    QCoreApplication::translate(
                        "quillmere::ui::LaunchOptions",
                        "Put DIR in front of the four system-wide Library folders (default /)."),
                    dir});
  parser.process(app);  // exits for --help, --version and errors
  if (!parser.positionalArguments().isEmpty()) {
    // The window takes its app by drag and drop only.
    std::fprintf(stderr, "%s\n",
                 qPrintable(QCoreApplication::translate("quillmere::ui::LaunchOptions",
                                                        "Unexpected argument '%1'.")
                                .arg(parser.positionalArguments().front())));
    std::exit(EXIT_FAILURE);
  }

  LaunchOptions options;
  if (auto home = rawValue(argc, argv, "--home")) options.home = absolutePath(*home);
  if (auto root = rawValue(argc, argv, "--system-root")) options.systemRoot = absolutePath(*root);
  return options;
}

}  // namespace quillmere::ui
