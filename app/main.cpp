// The desktop app: one fixed-size window whose content is the ContentView.
// Closing the window ends the process.

#include <QApplication>

#include "platform/privileged_remover.h"
#include "ui/content_view.h"
#include "ui/qt_dispatcher.h"
#include "ui/string_tables.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillmere"));
  QApplication::setQuitOnLastWindowClosed(true);
  quillmere::ui::installStringTable(quillmere::ui::systemUiLanguages());

  int status = 0;
  {
    // The content is the window: its fixed 500 × 450 size makes the window
    // exactly that size and not resizable. On Linux the window manager keeps
    // its frame, so the window can still be moved and closed.
    quillmere::ui::ContentView window(
        std::make_shared<quillmere::ui::QtDispatcher>(),
        quillmere::SessionServices::standard(quillmere::SearchLocations::forCurrentUser(),
                                             quillmere::makeSystemPrivilegedRemover()));
    window.setWindowTitle(QStringLiteral("Quillmere"));
    window.show();
    window.raise();
    window.activateWindow();
    status = QApplication::exec();
  }
  // A scan or removal may still be running; it must not hold up the exit.
  quillmere::ui::exitNowIfBackgroundWorkRuns(status);
  return status;
}
