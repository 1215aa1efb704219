// The desktop app: one window whose content is the MainWindow.
// Closing the window ends the process.

#include <QApplication>
#include <optional>

#include "app/app_icon.h"
#include "platform/home_folder.h"
#include "privileged/privileged_remover.h"
#include "ui/main_window.h"
#include "ui/launch_options.h"
#include "ui/qt_dispatcher.h"
#include "ui/string_tables.h"

namespace {

// Name, version and string table: what the command line's texts need.
void describeApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
  quillmere::ui::installStringTable(quillmere::ui::systemUiLanguages());
  QCoreApplication::setApplicationVersion(
      quillmere::ui::versionText(QStringLiteral(QUILLMERE_VERSION), quillmere::installedPrivilegedRemover()));
}

}  // namespace

int main(int argc, char** argv) {
  if (quillmere::ui::asksOnlyForText(argc, argv)) {
    // Answered without a window, so also on a terminal with no display.
    QCoreApplication app(argc, argv);
    describeApplication();
    quillmere::ui::parseLaunchOptions(app, argc, argv);  // prints and exits
    return 0;
  }

  QApplication app(argc, argv);
  describeApplication();
  QApplication::setQuitOnLastWindowClosed(true);
  const quillmere::ui::LaunchOptions options = quillmere::ui::parseLaunchOptions(app, argc, argv);
  // Our own icon in the title bar and the task bar; the desktop file name
  // lets Wayland compositors and docks match the window to its menu entry.
  QApplication::setWindowIcon(quillmere::app::appIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("example.quillmere.Quillmere"));

  // Another home or system root (--home, --system-root): what it lists is
  // never removed with administrator rights.
  const quillmere::SearchLocations locations = options.searchLocations();
  const auto privileged = quillmere::searchesOwnFolders(locations.home, locations.systemRoot)
                              ? quillmere::makeSystemPrivilegedRemover()
                              : quillmere::makeNoPrivilegedRemover();
  int status = 0;
  {
    // The content is the window: it starts at 500 × 450 and bounds its own
    // size by the screen's free area and what its screens need.
    quillmere::ui::MainWindow window(std::make_shared<quillmere::ui::QtDispatcher>(),
                                     quillmere::SessionServices::standard(locations, privileged));
    window.setWindowTitle(QStringLiteral("Quillmere"));
    window.setFolders(locations.home, locations.systemRoot);
    window.show();
    window.raise();
    window.activateWindow();
    if (options.app) window.openApp(*options.app);
    status = QApplication::exec();
  }
  // A scan or removal may still be running; it must not hold up the exit.
  quillmere::ui::exitNowIfBackgroundWorkRuns(status);
  return status;
}
