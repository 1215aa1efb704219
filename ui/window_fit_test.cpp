// The window on a small screen at 150% scaling: an 800 × 600 screen leaves
// 533 × 400 points, less than the window's first size.

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "testing/manual_dispatcher.h"
#include "ui/main_window.h"
#include "ui/screens/screen_parts.h"

using namespace quillmere;
using namespace quillmere::ui;

class WindowFitTest : public QObject {
  Q_OBJECT
private slots:
  void theWindowAndItsButtonStayOnTheScreen() {
    std::vector<std::string> rows;
    for (int i = 0; i < 300; ++i) rows.push_back("/home/u/Library/Caches/entry" + std::to_string(i));
    rows.push_back("/Applications/Demo.app");
    SessionServices services;
    services.analyze = [&](const std::string& path) -> AnalysisResult {
      return AppInfo("Demo", path, "com.example.demo", nullptr, rows);
    };
    auto dispatcher = std::make_shared<ManualDispatcher>();
    MainWindow window(dispatcher, services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.controller().analyzeApp("/Applications/Demo.app");
    dispatcher->runAll();
    QApplication::processEvents();

    const QRect room = window.screen()->availableGeometry();
    QCOMPARE(room.size(), QSize(533, 400));
    QVERIFY(window.width() <= room.width() && window.height() <= room.height());
    QVERIFY(window.maximumHeight() <= room.height());
    auto* button = window.findChild<FilledButton*>("uninstallButton");
    QVERIFY(button && button->isVisible());
    const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
    QVERIFY2(room.contains(onScreen), qPrintable(QStringLiteral("button at %1,%2 %3×%4")
                                                    .arg(onScreen.x()).arg(onScreen.y())
                                                    .arg(onScreen.width()).arg(onScreen.height())));
    QVERIFY(window.rect().contains(QRect(button->mapTo(&window, QPoint(0, 0)), button->size())));
  }
};

int main(int argc, char** argv) {
  QTemporaryDir dir;
  const QString config = dir.filePath(QStringLiteral("screens.json"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return 2;
  file.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.toLocal8Bit());
  qputenv("QT_SCALE_FACTOR", "1.5");
  QApplication app(argc, argv);
  WindowFitTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_fit_test.moc"
