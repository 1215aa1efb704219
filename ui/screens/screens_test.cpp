// Widget-level tests of the screens after the analysis and of the dialog.

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <tuple>

#include "selection/row_selection.h"
#include "ui/screens/path_list.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/theme.h"

using namespace quillmere;
using namespace quillmere::ui;

namespace {

constexpr QSize kContentArea(500, 400);

std::vector<std::string> manyPaths(int count) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    paths.push_back("/Users/ada/Library/Caches/com.example.Notes/fsCachedData/entry-" +
                    std::to_string(i) + ".db");
  paths.push_back("/Applications/Notes.app");
  return paths;
}

AppInfo record(std::vector<std::string> files, std::optional<std::string> identifier = "com.example.Notes",
               std::shared_ptr<const IconImage> icon = nullptr, std::string name = "Notes") {
  return AppInfo(std::move(name), "/Applications/Notes.app", std::move(identifier), std::move(icon),
                 std::move(files));
}

std::shared_ptr<const IconImage> iconOf(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(image)) return nullptr;
  return std::make_shared<IconImage>(IconImage{"/Applications/Notes.app/Contents/Resources/Notes.icns",
                                               bytes.toStdString()});
}

// Lays the screen out as the window does: alone in the 500 × 400 content area.
void showInContentArea(QWidget& screen) {
  QPalette palette = screen.palette();
  palette.setColor(QPalette::Window, color(NamedColor::WindowBackground));
  screen.setPalette(palette);
  screen.setAutoFillBackground(true);
  screen.resize(kContentArea);
  screen.show();
  QVERIFY(QTest::qWaitForWindowExposed(&screen));
}

int headingCount(const ReadyView& view) {
  const QString text = view.findChild<QLabel*>("heading")->text();
  const auto match = QRegularExpression(QStringLiteral("^The following (\\d+) files will be deleted:$")).match(text);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

}  // namespace

class ScreensTest : public QObject {
  Q_OBJECT

private slots:
  void readyShowsTheRecord_data();
  void readyShowsTheRecord();
  void readyIcon_data();
  void readyIcon();
  void readyRowsAreOneLineShortenedInTheMiddle();
  void readyReasonTooLongTakesTheLinesBelow();
  void readyFitsTheContentArea_data();
  void readyFitsTheContentArea();
  void readyWithHundredThousandPaths();
  void dialogMessageOnlyWithCurrentApp();
  void dialogRolesAndReturnKey();
  void logAppendsKeepTheScrollPosition();
  void logRebuildsWhenReplaced();
  void logWrapsLongLines();
  void logWithHundredThousandLines();
  void errorMessageIsCentredAndWraps();
  void switchingToDarkRecoloursWhatIsShown();
  void leftOutRowsShowItInLightAndDark();
};

void ScreensTest::readyShowsTheRecord_data() {
  QTest::addColumn<int>("fileCount");
  QTest::addColumn<bool>("hasIdentifier");
  QTest::addColumn<QString>("name");
  QTest::newRow("one path, identifier") << 0 << true << "Notes";
  QTest::newRow("many paths, no identifier") << 40 << false << "Notes";
  // Data is shown as written: no markup, no placeholders filled in.
  QTest::newRow("name that looks like markup") << 2 << true << "<b>Bold</b> %1 & %2";
}

void ScreensTest::readyShowsTheRecord() {
  QFETCH(int, fileCount);
  QFETCH(bool, hasIdentifier);
  QFETCH(QString, name);
  const AppInfo app = record(manyPaths(fileCount),
                             hasIdentifier ? std::optional<std::string>("com.example.Notes") : std::nullopt,
                             nullptr, name.toStdString());
  ReadyView view;
  showInContentArea(view);
  view.setApp(app);
  QCoreApplication::processEvents();  // the layout follows on its own event

  auto* list = view.findChild<QListView*>("fileList");
  QCOMPARE(list->model()->rowCount(), fileCount + 1);
  QCOMPARE(headingCount(view), fileCount + 1);
  QCOMPARE(list->model()->index(fileCount, 0).data(PathListModel::PathBytesRole).toByteArray(),
           QByteArray("/Applications/Notes.app"));
  QCOMPARE(view.findChild<WrappedText*>("name")->text(), name);
  auto* identifier = view.findChild<WrappedText*>("bundleIdentifier");
  QCOMPARE(identifier->isVisible(), hasIdentifier);
  if (hasIdentifier) QCOMPARE(identifier->text(), QStringLiteral("com.example.Notes"));
  // No identifier line means no gap for it: the name sits one gap above the divider.
  auto* nameText = view.findChild<WrappedText*>("name");
  auto* heading = view.findChild<QLabel*>("heading");
  const int nameToHeading = heading->mapTo(&view, QPoint()).y() - nameText->mapTo(&view, QPoint()).y();
  const int identifierSpace = hasIdentifier ? identifier->height() + 16 : 0;
  QCOMPARE(nameToHeading, nameText->height() + 16 + identifierSpace + 1 + 16);
}

void ScreensTest::readyIcon_data() {
  QTest::addColumn<QByteArray>("format");  // empty: no icon at all
  QTest::addColumn<bool>("decodes");
  QTest::newRow("no icon") << QByteArray() << false;
  QTest::newRow("undecodable bytes") << QByteArray("garbage") << false;
  QTest::newRow("png") << QByteArray("png") << true;
  QTest::newRow("icns") << QByteArray("icns") << true;
}

void ScreensTest::readyIcon() {
  QFETCH(QByteArray, format);
  QFETCH(bool, decodes);
  std::shared_ptr<const IconImage> icon;
  if (format == "garbage") {
    icon = std::make_shared<IconImage>(IconImage{"/x.icns", "not an image"});
  } else if (!format.isEmpty()) {
    QImage image(256, 128, QImage::Format_ARGB32);
    image.fill(Qt::red);
    icon = iconOf(image, format.constData());
    if (!icon) QSKIP("no writer for this image format");
  }
  const AppInfo app = record({"/Applications/Notes.app"}, "com.example.Notes", icon);
  ReadyView view;
  view.setApp(app);
  auto* label = view.findChild<QLabel*>("icon");
  const QPixmap pixmap = label->pixmap();
  QVERIFY(!pixmap.isNull());
  if (decodes) {
    // Stretched to fill 80 × 80, whatever the image's own aspect.
    QCOMPARE(label->size(), QSize(80, 80));
    QCOMPARE(pixmap.toImage().pixelColor(pixmap.width() / 2, pixmap.height() / 2), QColor(Qt::red));
  } else {
    // The blue symbol at its natural size, not framed to 80 × 80.
    QCOMPARE(label->size(), QSize(60, 60));
    const QColor centre = pixmap.toImage().pixelColor(pixmap.width() / 2, pixmap.height() / 2);
    QCOMPARE(centre.rgb(), color(NamedColor::Blue).rgb());
  }
}

void ScreensTest::readyRowsAreOneLineShortenedInTheMiddle() {
  const std::string longPath =
      "/Users/ada/Library/Application Support/com.example.Notes/" + std::string(300, 'x') +
      "/settings.plist";
  const QString shown = PathRowDelegate::shownText(pathDisplayText(longPath), 300);
  QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
  QVERIFY2(shown.startsWith(QStringLiteral("/Users/ada")), qPrintable(shown));
  QVERIFY2(shown.endsWith(QStringLiteral("settings.plist")), qPrintable(shown));
  QVERIFY(QFontMetrics(font(TextStyle::Caption)).horizontalAdvance(shown) <= 300);

  const QString shortPath = QStringLiteral("/Applications/Notes.app");
  QCOMPARE(PathRowDelegate::shownText(shortPath, 300), shortPath);

  // A newline in a name cannot break the row; bytes that are not UTF-8 still show.
  QCOMPARE(pathDisplayText("/tmp/a\nb\x1b"), QStringLiteral("/tmp/a\\nb\\u001b"));
  QCOMPARE(pathDisplayText("/tmp/caf\xE9"), QStringLiteral("/tmp/caf\uFFFD"));
}

void ScreensTest::readyReasonTooLongTakesTheLinesBelow() {
  AppInfo app = record({"/Users/ada/Library/Preferences/com.example.Notesy.plist",
                        "/Users/ada/Library/Application Support/Notes", "/Users/ada/Library/Caches/Notes"});
  app.rows[0].evidence = RowEvidence{Evidence::Coincidence, std::nullopt, {}};
  app.rows[1].evidence = RowEvidence{Evidence::SharedIdentifier, std::nullopt,
                                     "/Volumes/Backup Disk/Applications/Older Copies/Notes Classic.app"};
  ReadyView view;
  view.setApp(app);
  showInContentArea(view);
  auto* list = view.findChild<QListView*>("fileList");
  const int lineHeight = QFontMetrics(font(TextStyle::Caption)).height();
  auto height = [&](int row) { return list->visualRect(list->model()->index(row, 0)).height(); };
  // A short reason keeps its row one line, as a row without one; a long one
  // takes whole lines below the path, each inside the row's width.
  QCOMPARE(height(0), height(2));
  const QString reason = list->model()->index(1, 0).data(PathListModel::ReasonRole).toString();
  const int width = list->viewport()->width();
  const QStringList below = PathRowDelegate::reasonLines(list->model()->index(1, 0).data().toString(), reason, width);
  QVERIFY(!below.isEmpty());
  QCOMPARE(height(1), height(2) + int(below.size()) * lineHeight);
  QCOMPARE(below.join(QString()).remove(QLatin1Char(' ')), QString(reason).remove(QLatin1Char(' ')));
  // A wider window has room beside the path again; a narrower one wraps again.
  view.resize(1400, kContentArea.height());
  QTRY_COMPARE(height(1), height(2));
  view.resize(kContentArea);
  QTRY_COMPARE(height(1), height(2) + int(below.size()) * lineHeight);

  // Chinese has no spaces: it wraps between any characters, and a reason
  // longer than the lines allowed gives up its middle, keeping its end.
  const QString chinese = QStringLiteral("已安装另一个副本：") + QString(60, QChar(0x526F)) + QStringLiteral("终.app");
  const QFontMetrics metrics(font(TextStyle::Caption));
  for (const int rowWidth : {200, 400}) {
    const QStringList lines = PathRowDelegate::reasonLines(QStringLiteral("~/L/x"), chinese, rowWidth);
    QVERIFY(lines.size() >= 2 && lines.size() <= PathRowDelegate::kMaxReasonLines);
    for (const QString& line : lines) QVERIFY2(metrics.horizontalAdvance(line) < rowWidth, qPrintable(line));
    QVERIFY(lines.first().startsWith(QStringLiteral("已安装")));
    QVERIFY(lines.last().endsWith(QStringLiteral("终.app")));
    QCOMPARE(lines.join(QString()) == chinese, !lines.last().contains(QChar(0x2026)));
  }
}

void ScreensTest::readyFitsTheContentArea_data() {
  QTest::addColumn<int>("fileCount");
  QTest::newRow("few rows") << 2;
  QTest::newRow("more rows than fit") << 200;
}

void ScreensTest::readyFitsTheContentArea() {
  QFETCH(int, fileCount);
  const AppInfo app = record(manyPaths(fileCount));
  ReadyView view;
  view.setApp(app);
  showInContentArea(view);
  auto* list = view.findChild<QListView*>("fileList");
  auto* button = view.findChild<QAbstractButton*>("uninstallButton");
  QCOMPARE(button->size(), QSize(200, 40));
  const QRect buttonRect(button->mapTo(&view, QPoint()), button->size());
  QVERIFY2(QRect(QPoint(), kContentArea).contains(buttonRect), "the delete button is cut off");
  // The list gets the height that is left, at most 120, however many rows it has.
  QVERIFY(list->height() <= 120);
  QVERIFY(list->height() >= 100);
  QCOMPARE(list->verticalScrollBar()->maximum() > 0, fileCount > 10);
}

void ScreensTest::readyWithHundredThousandPaths() {
  ReadyView view;
  showInContentArea(view);
  const AppInfo app = record(manyPaths(100000));
  QElapsedTimer timer;
  timer.start();
  view.setApp(app);
  const qint64 setAppMs = timer.elapsed();
  QCoreApplication::processEvents();
  view.repaint();
  qInfo("ReadyView::setApp with 100,001 paths: %lld ms (and %lld ms with the first paint)", setAppMs,
        timer.elapsed());
  QCOMPARE(headingCount(view), 100001);
  auto* list = view.findChild<QListView*>("fileList");
  // The rows are laid out a slice at a time between events; then the last
  // one is reached at the bottom.
  auto lastRowAtBottom = [&] {
    list->scrollToBottom();
    return list->indexAt(QPoint(4, list->viewport()->height() - 6)).row() == 100000;
  };
  QTRY_VERIFY(lastRowAtBottom());
  qInfo("every row laid out %lld ms after setApp", timer.elapsed());
}

void ScreensTest::dialogMessageOnlyWithCurrentApp() {
  ConfirmationDialog without(std::nullopt);
  QVERIFY(without.message().isEmpty());
  QVERIFY(!without.findChild<WrappedText*>("message"));
  QCOMPARE(without.findChild<QLabel*>("title")->text(), QStringLiteral("Confirm Uninstall"));

  // The name is inserted verbatim even when it contains a placeholder.
  ConfirmationDialog with(record(manyPaths(2), std::nullopt, nullptr, "Notes %2 \"Pro\""));
  QCOMPARE(with.message(),
           QStringLiteral("This will delete Notes %2 \"Pro\" and 2 related files. This action cannot be undone!"));
  QCOMPARE(with.findChild<QLabel*>("title")->text(), QStringLiteral("Confirm Uninstall"));
}

void ScreensTest::dialogRolesAndReturnKey() {
  QWidget window;
  window.resize(500, 450);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  ConfirmationDialog dialog(record({"/Applications/Notes.app"}), &window);
  auto* box = dialog.findChild<QDialogButtonBox*>();
  QCOMPARE(box->buttonRole(dialog.confirmButton()), QDialogButtonBox::DestructiveRole);
  QCOMPARE(box->buttonRole(dialog.cancelButton()), QDialogButtonBox::RejectRole);
  QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("Uninstall"));
  QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Cancel"));

  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.open();  // returns at once: the caller is never blocked
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.windowModality(), Qt::WindowModal);
  // A stray Return must not delete anything: it picks the harmless choice.
  QTest::keyClick(&dialog, Qt::Key_Return);
  QCOMPARE(finished.count(), 1);
  QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
  QVERIFY(!dialog.isVisible());

  // The Trash's check box does not wrap: the dialog makes room for its whole line.
  ConfirmationDialog trash(record({"/Applications/Notes.app"}), &window, RemovalPreview{false, 0, true, false});
  trash.open();
  auto* trashBox = trash.findChild<QCheckBox*>("trashBox");
  QTRY_VERIFY(trashBox->isVisible());
  QVERIFY2(trashBox->width() >= trashBox->sizeHint().width(), qPrintable(QString::number(trashBox->width())));
}

void ScreensTest::logAppendsKeepTheScrollPosition() {
  UninstallingView view;
  showInContentArea(view);
  auto* log = view.findChild<QPlainTextEdit*>("log");
  QVERIFY(log->height() <= 100);

  std::vector<std::string> lines;
  for (int i = 0; i < 30; ++i) lines.push_back("Deleting: /tmp/line-" + std::to_string(i));
  view.setLog(lines);
  QCOMPARE(log->document()->blockCount(), 30);
  // Lines beyond the visible height are reached by scrolling; the view
  // follows the newest line until the user scrolls up.
  QVERIFY(log->verticalScrollBar()->maximum() > 0);
  QCOMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());

  lines.push_back("✓ Deleted: /tmp/line-29");
  view.setLog(lines);
  QCOMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());

  log->verticalScrollBar()->setValue(5);
  for (int i = 0; i < 10; ++i) {
    lines.push_back("Deleting: /tmp/more-" + std::to_string(i));
    view.setLog(lines);
  }
  QCOMPARE(log->verticalScrollBar()->value(), 5);
  QCOMPARE(log->document()->blockCount(), 41);
  QCOMPARE(log->document()->lastBlock().text(), QStringLiteral("Deleting: /tmp/more-9"));
  QCOMPARE(log->document()->findBlockByNumber(30).text(), QStringLiteral("✓ Deleted: /tmp/line-29"));
}

void ScreensTest::logRebuildsWhenReplaced() {
  UninstallingView view;
  auto* log = view.findChild<QPlainTextEdit*>("log");
  view.setLog({"Deleting: /a", "✓ Deleted: /a"});
  view.setLog({});  // a reset empties the log
  QCOMPARE(log->toPlainText(), QString());
  view.setLog({"Deleting: /b"});
  QCOMPARE(log->toPlainText(), QStringLiteral("Deleting: /b"));
  // Same length, other lines: the next removal's log, not a continuation.
  view.setLog({"Deleting: /c"});
  QCOMPARE(log->toPlainText(), QStringLiteral("Deleting: /c"));
  view.setLog({"Deleting: /d", "✓ Deleted: /d"});
  QCOMPARE(log->toPlainText(), QStringLiteral("Deleting: /d\n✓ Deleted: /d"));
}

void ScreensTest::logWrapsLongLines() {
  UninstallingView view;
  showInContentArea(view);
  auto* log = view.findChild<QPlainTextEdit*>("log");
  const std::string deep = "Deleting: /Users/ada/Library/Containers/" + std::string(400, 'q') + "/end";
  view.setLog({deep});
  QCoreApplication::processEvents();
  QCOMPARE(log->width(), kContentArea.width() - 60);
  const QTextLayout* layout = log->document()->firstBlock().layout();
  QVERIFY2(layout->lineCount() > 1, "a long log line must wrap, not be cut off");
}

void ScreensTest::logWithHundredThousandLines() {
  UninstallingView view;
  showInContentArea(view);
  std::vector<std::string> lines = manyPaths(100000);
  for (auto& line : lines) line.insert(0, "✓ Deleted: ");
  QElapsedTimer timer;
  timer.start();
  view.setLog(lines);
  const qint64 bulkMs = timer.elapsed();
  timer.restart();
  for (int i = 0; i < 1000; ++i) {
    lines.push_back("Deleting: /tmp/tail-" + std::to_string(i));
    view.setLog(lines);
  }
  const qint64 appendMs = timer.elapsed();
  view.repaint();
  qInfo("UninstallingView::setLog: 100,001 lines at once %lld ms; then 1,000 single appends %lld ms",
        bulkMs, appendMs);
  QCOMPARE(view.findChild<QPlainTextEdit*>("log")->document()->blockCount(), 101001);
}

void ScreensTest::errorMessageIsCentredAndWraps() {
  ErrorView view;
  showInContentArea(view);
  const QString longLine = QStringLiteral("Failed to delete 3 files under ") + QString(120, QLatin1Char('w'));
  view.setMessage((QStringLiteral("First line\n<i>second</i> line\n") + longLine).toStdString());
  QCoreApplication::processEvents();
  auto* message = view.findChild<WrappedText*>("message");
  const QStringList lines = message->lines();
  QVERIFY2(lines.size() >= 4, qPrintable(lines.join(QLatin1Char('|'))));
  QCOMPARE(lines.at(0).trimmed(), QStringLiteral("First line"));
  QCOMPARE(lines.at(1).trimmed(), QStringLiteral("<i>second</i> line"));
  // The default inset on both sides, and no line wider than what is left.
  const QRect area(message->mapTo(&view, QPoint()), message->size());
  QCOMPARE(area.left(), 16);
  QCOMPARE(kContentArea.width() - area.right() - 1, 16);
  const QFontMetrics metrics(message->font());
  for (const QString& line : lines) QVERIFY(metrics.horizontalAdvance(line.trimmed()) <= area.width());
}

void ScreensTest::switchingToDarkRecoloursWhatIsShown() {
  const QPalette light = QApplication::palette();
  const AppInfo app = record({"/Applications/Notes.app"});
  ReadyView ready;
  ready.setApp(app);
  ErrorView error;
  UninstallingView uninstalling;
  // Shown as the window shows them, on a background colour set explicitly.
  for (QWidget* screen : {static_cast<QWidget*>(&ready), static_cast<QWidget*>(&error),
                          static_cast<QWidget*>(&uninstalling)})
    showInContentArea(*screen);
  // Samples a filled part of the symbol: the middle, or high on the ring.
  auto inkOf = [](const QLabel* label, qreal height) {
    const QImage image = label->pixmap().toImage();
    return image.pixelColor(image.width() / 2, int(image.height() * height)).rgb();
  };
  auto shown = [&] {
    return std::tuple(inkOf(ready.findChild<QLabel*>("icon"), 0.5), inkOf(error.findChild<QLabel*>("symbol"), 0.15),
                      error.findChild<QLabel*>("title")->palette().color(QPalette::WindowText).rgba(),
                      uninstalling.findChild<QPlainTextEdit*>("log")->palette().color(QPalette::Text).rgba());
  };
  auto expected = [] {
    return std::tuple(color(NamedColor::Blue).rgb(), color(NamedColor::Red).rgb(), color(NamedColor::Primary).rgba(),
                      color(NamedColor::Secondary).rgba());
  };
  QVERIFY(!isDarkAppearance());
  QCOMPARE(shown(), expected());

  QPalette dark = light;
  dark.setColor(QPalette::Window, QColor(30, 30, 30));
  QApplication::setPalette(dark);  // as when the system switches; the widgets hear of it by posted events
  QVERIFY(isDarkAppearance());
  QTRY_COMPARE(shown(), expected());
  QVERIFY(expected() != std::tuple(QColor(0, 122, 255).rgb(), QColor(255, 59, 48).rgb(),
                                   QColor(0, 0, 0, 217).rgba(), QColor(60, 60, 67, 153).rgba()));

  QApplication::setPalette(light);
  QTRY_COMPARE(shown(), expected());
}

void ScreensTest::leftOutRowsShowItInLightAndDark() {
  const QPalette light = QApplication::palette();
  const AppInfo app = record({"/L/aaaa", "/L/aaaa", "/L/bbbb"});
  ReadyView plain;
  plain.setApp(app);
  showInContentArea(plain);
  RowSelection rows(app.relatedFiles());
  ReadyView view;
  view.setApp(app, &rows, true);
  showInContentArea(view);
  auto listImage = [](ReadyView& screen) {
    QCoreApplication::processEvents();
    auto* list = screen.findChild<QListView*>("fileList");
    return list->viewport()->grab().toImage();
  };
  auto rowImage = [](const QImage& list, ReadyView& screen, int row, bool marker) {
    auto* listView = screen.findChild<QListView*>("fileList");
    const QRect rect = listView->visualRect(listView->model()->index(row, 0));
    const QRect part = PathRowDelegate::markerRect(rect);
    return list.copy(marker ? part : rect.adjusted(part.width(), 0, 0, 0));
  };
  for (bool dark : {false, true}) {
    if (dark) {
      QPalette palette = light;
      palette.setColor(QPalette::Window, QColor(30, 30, 30));
      QApplication::setPalette(palette);
      QCoreApplication::processEvents();
    }
    rows = RowSelection(app.relatedFiles());
    view.refreshRows(true);
    // Nothing left out, nothing measured: exactly the list without rows.
    QCOMPARE(listImage(view), listImage(plain));
    QVERIFY(!view.findChild<QLabel*>("totalSize")->isVisible());

    rows.setSelected(0, false);  // the same path listed twice goes or stays as one
    rows.setSize(2, 2048);
    view.refreshRows(false);
    // The same path, left out and kept: its marker and its text both differ.
    const QImage image = listImage(view);
    const QImage kept = listImage(plain);
    QVERIFY(rowImage(image, view, 0, true) != rowImage(kept, plain, 0, true));
    QVERIFY(rowImage(image, view, 0, false) != rowImage(kept, plain, 0, false));
    QCOMPARE(rowImage(image, view, 1, false), rowImage(image, view, 0, false));
    QCOMPARE(headingCount(view), 1);
    QCOMPARE(view.findChild<QLabel*>("totalSize")->text(), dataSizeText(2048));
    QCOMPARE(view.findChild<QListView*>("fileList")->model()->index(2, 0).data(PathListModel::SizeTextRole).toString(),
             dataSizeText(2048));
  }
  QApplication::setPalette(light);
}

QTEST_MAIN(ScreensTest)
#include "screens_test.moc"
