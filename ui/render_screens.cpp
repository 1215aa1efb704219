// Renders the window's idle, targeted and analyzing screens to PNGs under the
// offscreen platform: quillmere_render_screens OUTPUT_DIR
// Fake services and a hand-stepped dispatcher keep the pictures reproducible.

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QMimeData>
#include <QUrl>
#include <cstdio>

#include "session/manual_dispatcher.h"
#include "ui/content_view.h"
#include "ui/drop_zone.h"
#include "ui/idle_view.h"

using namespace quillmere;
using namespace quillmere::ui;

static bool save(QWidget& window, const QDir& dir, const QString& name) {
  QCoreApplication::processEvents();
  const QString path = dir.filePath(name);
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillmere_render_screens OUTPUT_DIR\n");
    return 2;
  }
  // Pin the family so the pictures do not depend on the machine's defaults;
  // the Chinese texts need a CJK font.
  const QString family = QStringLiteral("WenQuanYi Micro Hei");
  if (QFontDatabase::families().contains(family)) QApplication::setFont(QFont(family));
  else std::fprintf(stderr, "warning: %s is not installed\n", qPrintable(family));

  QDir dir(QString::fromLocal8Bit(argv[1]));
  dir.mkpath(QStringLiteral("."));

  auto dispatcher = std::make_shared<ManualDispatcher>();
  SessionServices services;
  services.analyze = [](const std::string& path) -> AnalysisResult {
    return AppInfo("Demo", path, std::nullopt, nullptr, {path});
  };
  services.uninstall = [](const AppInfo&, const ProgressCallback&, const CompletionCallback& done) {
    done(true, std::nullopt);
  };
  ContentView window(dispatcher, services);
  window.show();

  bool ok = save(window, dir, QStringLiteral("idle.png"));

  // A real hover: the drag enters the drop zone, the box animates; wait for rest.
  QMimeData drag;
  drag.setUrls({QUrl::fromLocalFile(QStringLiteral("/Applications/Demo.app"))});
  QDragEnterEvent enter(window.dropZone()->rect().center(), Qt::CopyAction, &drag,
                        Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.dropZone(), &enter);
  QElapsedTimer waited;
  waited.start();
  while (window.idleView()->isAnimating() && waited.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ok = save(window, dir, QStringLiteral("idle-targeted.png")) && ok;
  window.controller().setTargeted(false);

  window.controller().analyzeApp("/Applications/Demo.app");
  ok = save(window, dir, QStringLiteral("analyzing.png")) && ok;
  return ok ? 0 : 1;
}
