#include "ui/launch_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
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
    QT_TRANSLATE_NOOP("QCommandLineParser", "Arguments:"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help on commandline options."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays version information."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown option '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown options: %1."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Missing value after '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unexpected value after '%1'."),
};

// Qt's own options, which a QApplication takes off the command line before
// we see it. Declared (hidden) so that the command line can be checked
// before there is a QApplication, and with it a display.
constexpr const char* kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowtitle", "title", "qwindowicon", "icon", "session", "display", "name", "visual",
    "style", "stylesheet", "qmljsdebugger"};
constexpr const char* kQtFlags[] = {"reverse", "testability", "nograb", "dograb", "sync", "widgetcount"};

void describeOptions(QCommandLineParser& parser) {
  // Qt spells its own options with one dash ("-platform xcb").
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QCoreApplication::translate(
      "quillmere::ui::LaunchOptions",
      "Removes an application bundle together with the files it left behind in the "
      "Library folders. Drag the app onto the window, check the list, confirm."));
  // Qt's own help option would bring --help-all, whose extra line Qt
  // cannot translate and which lists nothing of use here.
  parser.addOption({{QStringLiteral("?"), QStringLiteral("h"), QStringLiteral("help")},
                    QCoreApplication::translate("QCommandLineParser", "Displays help on commandline options.")});
  parser.addVersionOption();
  // A placeholder, like the option names: the same in every language, and
  // the help's columns stay aligned.
  const QString dir = QStringLiteral("DIR");
  parser.addOption({QStringLiteral("home"),
                    QCoreApplication::translate(
                        "quillmere::ui::LaunchOptions", "Search the eight Library folders below DIR instead of below your home folder."),
                    dir});
  parser.addOption({QStringLiteral("system-root"),
                    QCoreApplication::translate(
                        "quillmere::ui::LaunchOptions", "Put DIR in front of the four system-wide Library folders (default /)."),
                    dir});
  parser.addPositionalArgument(
      QStringLiteral("APP.app"),
      QCoreApplication::translate("quillmere::ui::LaunchOptions", "Start with this application analysed, as if it had been dropped."),
      QStringLiteral("[APP.app]"));
  const auto addHidden = [&parser](QCommandLineOption option) {
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  };
  for (const char* name : kQtOptionsWithValue)
    addHidden(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
  for (const char* name : kQtFlags) addHidden(QCommandLineOption(QString::fromLatin1(name)));
}

QStringList argumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

// Why the command line cannot be run; empty when it can.
QString usageError(QCommandLineParser& parser, const QStringList& arguments) {
  if (!parser.parse(arguments)) return parser.errorText();
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1)
    return QCoreApplication::translate("quillmere::ui::LaunchOptions", "Unexpected argument '%1'.")
        .arg(positional.at(1));
  return {};
}

bool takesValue(const std::string& name) {
  return name == "home" || name == "system-root" ||
         std::ranges::find(kQtOptionsWithValue, name) != std::end(kQtOptionsWithValue);
}

// The bytes given for --home, --system-root (the last one wins, as in
// QCommandLineParser::value()) and the app: Qt's arguments are decoded
// text, and a file name need not be UTF-8. Reads a command line the parser
// accepted, in the parser's way; the paths are still as given.
LaunchOptions rawArguments(int argc, char** argv) {
  LaunchOptions raw;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      raw.app = arg;
    } else if (arg == "--") {
      optionsEnded = true;
    } else {
      const std::string word = arg.substr(arg[1] == '-' ? 2 : 1);
      const std::size_t equals = word.find('=');
      const std::string name = word.substr(0, equals);
      std::optional<std::string> value;
      if (equals != std::string::npos) value = word.substr(equals + 1);
      else if (takesValue(name) && i + 1 < argc) value = argv[++i];
      if (name == "home") raw.home = value;
      if (name == "system-root") raw.systemRoot = value;
    }
  }
  return raw;
}

[[noreturn]] void exitWithUsageError(const QCommandLineParser& parser, const QString& error) {
  // The usage line of the help (its first line) points the way.
  const QString usage = parser.helpText().section(QLatin1Char('\n'), 0, 0);
  std::fprintf(stderr, "%s: %s\n%s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(error),
               qPrintable(usage));
  std::exit(kUsageErrorStatus);
}

}  // namespace

SearchLocations LaunchOptions::searchLocations() const {
  SearchLocations locations = SearchLocations::forCurrentUser();
  if (home) locations.home = withoutTrailingSlashes(*home);
  if (systemRoot) locations.systemRoot = *systemRoot;
  return locations;
}

bool asksOnlyForText(int argc, char** argv) {
  QCommandLineParser parser;
  describeOptions(parser);
  if (!usageError(parser, argumentsOf(argc, argv)).isEmpty()) return true;
  return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"));
}

LaunchOptions parseLaunchOptions(QCoreApplication& app, int argc, char** argv) {
  QCommandLineParser parser;
  describeOptions(parser);
  const QString error = usageError(parser, app.arguments());
  if (!error.isEmpty()) exitWithUsageError(parser, error);
  if (parser.isSet(QStringLiteral("help"))) parser.showHelp(EXIT_SUCCESS);
  if (parser.isSet(QStringLiteral("version"))) parser.showVersion();

  LaunchOptions options = rawArguments(argc, argv);
  for (std::optional<std::string>* path : {&options.home, &options.systemRoot, &options.app})
    if (*path) *path = absolutePath(**path);
  return options;
}

QString versionText(const QString& version, const std::optional<std::string>& remover) {
  // The remover a privileged removal would start is the path pkexec
  // receives, which polkit's action must name byte for byte: `--version`
  // checks an installation.
  return version + QLatin1Char('\n') +
         QCoreApplication::translate("quillmere::ui::LaunchOptions", "privileged remover: %1")
             .arg(remover ? QString::fromLocal8Bit(remover->c_str())
                          : QCoreApplication::translate("quillmere::ui::LaunchOptions", "not found"));
}

}  // namespace quillmere::ui
