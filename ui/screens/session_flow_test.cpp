// The whole session through the window: a real bundle and real leftovers in a
// temporary home, the real analyzer and uninstaller, a fake privileged
// remover, and the window driven as a user would (drop, click, Escape).
// With QUILLMERE_PICTURES_DIR set, the success road also saves the pictures
// of its screens there.

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDragEnterEvent>
#include <QFontDatabase>
#include <QImageWriter>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSettings>
#include <QCheckBox>
#include <QTest>
#include <QTranslator>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "testing/fake_privileged_remover.h"
#include "removal/file_operations.h"
#include "testing/test_tree.h"
#include "removal/uninstaller.h"
#include "testing/run_as_user.h"
#include "testing/manual_dispatcher.h"
#include "ui/analyzing_view.h"
#include "ui/main_window.h"
#include "selection/row_selection.h"
#include "ui/drop_zone.h"
#include "ui/file_reveal.h"
#include "ui/history_dialog.h"
#include "ui/idle_view.h"
#include "ui/string_tables.h"
#include "ui/qt_dispatcher.h"
#include "ui/screens/path_list.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"

using namespace quillmere;
using namespace quillmere::ui;
using fixtures::existsNoFollow;
using fixtures::writeFile;

namespace {

// Only a guard against hanging; nothing here depends on how long work takes.
constexpr int kPatienceMs = 120000;

const char* kInfoPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.example.tool</string>
<key>CFBundleIconFile</key><string>Tool</string>
</dict></plist>
)";

// A bundle "Tool.app" with an icon, its leftovers in the home and system
// Library folders, and files that merely look related and must survive.
struct Machine {
  fixtures::TempDir root;
  std::string home = root / "home";
  std::string system = root / "system";
  std::string bundle = root / "Apps/Tool.app";
  std::vector<std::string> leftovers;
  std::vector<std::string> kept;

  explicit Machine(int extraLogs = 0) {
    writeFile(bundle + "/Contents/Info.plist", kInfoPlist);
    writeFile(bundle + "/Contents/MacOS/Tool");
    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(QColor(40, 160, 90));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "icns").write(icon);
    writeFile(bundle + "/Contents/Resources/Tool.icns", png.toStdString());

    leftovers = {
        home + "/Library/Application Support/Tool",
        home + "/Library/Preferences/com.example.tool.plist",
        home + "/Library/Caches/com.example.tool",
        home + "/Library/Logs/tool\xFF it's \"odd\".log",
        system + "/Library/Logs/com.example.tool.helper.log",
    };
    writeFile(leftovers[0] + "/state.db");
    writeFile(leftovers[1]);
    writeFile(leftovers[2] + "/fsCachedData/blob");
    writeFile(leftovers[3]);
    writeFile(leftovers[4]);
    for (int i = 0; i < extraLogs; ++i) {
      leftovers.push_back(home + "/Library/Logs/Tool-" + std::to_string(2024 + i) +
                          "-05-01-093000.crash");
      writeFile(leftovers.back());
    }
    kept = {
        home + "/Library/Caches/Other/cache",
        home + "/Library/Preferences/com.example.other.plist",
        home + "/Documents/Tool notes.txt",
        root / "Apps/Other.app/Contents/Info.plist",
    };
    for (const auto& path : kept) writeFile(path);
  }

  SearchLocations locations() const { return SearchLocations{home, system}; }
};

// The ordinary removal refuses one path, as a file owned by another user
// would; tests run as root, where permissions refuse nothing.
class RefusingFiles : public FileOperations {
public:
  explicit RefusingFiles(std::string refused) : refused_(std::move(refused)) {}
  bool isDeletable(const ListedEntry& entry) const override {
    return entry.path != refused_ && FileOperations::isDeletable(entry);
  }

private:
  std::string refused_;
};

// Drags `url` onto the window's drop zone and drops it there.
void dropUrl(MainWindow& window, const QUrl& url) {
  QMimeData data;
  data.setUrls({url});
  QWidget* zone = window.dropZone();
  const QPoint centre = zone->rect().center();
  QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(zone, &enter);
  QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(zone, &drop);
}

QUrl fileUrl(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
}

// Steps a hand-driven dispatcher, main work first, until `done` holds or
// nothing is left to run.
template <typename Done>
bool stepUntil(ManualDispatcher& dispatcher, Done done) {
  while (!done()) {
    if (dispatcher.runNextMain()) continue;
    if (dispatcher.pendingBackground() == 0) return false;
    dispatcher.runBackground(0);
  }
  return true;
}

template <typename Screen>
Screen* shown(MainWindow& window) {
  return qobject_cast<Screen*>(window.currentScreen());
}

std::vector<std::string> listedPaths(ReadyView* ready) {
  auto* model = ready->findChild<QListView*>("fileList")->model();
  std::vector<std::string> rows;
  for (int row = 0; row < model->rowCount(); ++row)
    rows.push_back(model->index(row, 0).data(PathListModel::PathBytesRole).toByteArray().toStdString());
  return rows;
}

// The log of the screen shown, or the uninstalling screen's.
QStringList logRows(MainWindow& window) {
  auto* log = window.currentScreen()->findChild<QPlainTextEdit*>("log");
  if (!log) log = window.findChild<UninstallingView*>()->findChild<QPlainTextEdit*>("log");
  QStringList rows;
  if (!log->document()->isEmpty())
    rows = log->toPlainText().split(QLatin1Char('\n'));
  return rows;
}

void clickButton(QWidget* screen, const char* name) {
  auto* button = screen->findChild<QAbstractButton*>(name);
  QVERIFY2(button && button->isVisible(), name);
  QTest::mouseClick(button, Qt::LeftButton);
}

// Records what the window asks the file manager to show.
class RecordingRevealer : public FileRevealer {
public:
  void reveal(const std::string& path) override { shown.push_back(path); }
  std::vector<std::string> shown;
};

QModelIndex rowIndex(ReadyView* ready, const std::string& path) {
  auto* model = ready->findChild<QListView*>("fileList")->model();
  for (int row = 0; row < model->rowCount(); ++row)
    if (model->index(row, 0).data(PathListModel::PathBytesRole).toByteArray().toStdString() == path)
      return model->index(row, 0);
  return {};
}

int countOf(const QStringList& lines, const QString& prefix) {
  return int(std::count_if(lines.begin(), lines.end(), [&](const QString& line) { return line.startsWith(prefix); }));
}

QString picturesDir() { return qEnvironmentVariable("QUILLMERE_PICTURES_DIR"); }

void savePicture(MainWindow& window, const char* name, ConfirmationDialog* sheet = nullptr) {
  if (picturesDir().isEmpty()) return;
  QCoreApplication::processEvents();
  QPixmap picture = window.grab();
  if (sheet) {
    // The dialog as the Mac shows it: a sheet hanging from the window's top.
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 40));
    const QPixmap face = sheet->grab();
    const QPoint at((picture.width() - face.width()) / 2, 0);
    painter.fillRect(QRect(at + QPoint(2, 3), face.size()), QColor(0, 0, 0, 50));
    painter.drawPixmap(at, face);
  }
  QVERIFY(picture.save(QDir(picturesDir()).filePath(QLatin1String(name))));
}

}  // namespace

class SessionFlowTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void removesTheAppAndItsLeftoversThroughTheWindow();
  void refusedPathEndsOnTheErrorScreenAndRetryTriesItAlone();
  void leftOutRowsSurviveAndEveryCountAgrees();
  void rowsWithoutEvidenceStartLeftOutAndCanBePutBack();
  void dialogSaysWhatTheRemovalWillDo();
  void trashedRemovalIsPutBackFromTheCompletedScreen();
  void dropOfSomethingElseIsRejected();
  void errorPicture();
};

void SessionFlowTest::initTestCase() {
  // Pictures should not depend on the machine's default font; Chinese needs a CJK one.
  const QString family = QStringLiteral("WenQuanYi Micro Hei");
  if (!picturesDir().isEmpty() && QFontDatabase::families().contains(family))
    QApplication::setFont(QFont(family));
}

void SessionFlowTest::removesTheAppAndItsLeftoversThroughTheWindow() {
  const Machine machine(picturesDir().isEmpty() ? 0 : 40);
  auto dispatcher = std::make_shared<ManualDispatcher>();
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  MainWindow window(dispatcher, SessionServices::standard(machine.locations(), privileged));
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QVERIFY(shown<IdleView>(window));

  // Drop → analyzing → ready, with exactly what the analyser finds.
  dropUrl(window, fileUrl(machine.bundle));
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<AnalyzingView>(window) != nullptr; }));
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<AnalyzingView>(window) == nullptr; }));
  auto* ready = shown<ReadyView>(window);
  QVERIFY2(ready, window.currentScreen()->metaObject()->className());
  const auto analysed = AppAnalyzer(machine.locations()).analyze(machine.bundle);
  QVERIFY(std::holds_alternative<AppInfo>(analysed));
  const std::vector<std::string> rows = listedPaths(ready);
  QCOMPARE(rows, std::get<AppInfo>(analysed).relatedFiles());
  QCOMPARE(rows.back(), machine.bundle);
  for (const auto& path : machine.leftovers)
    QVERIFY2(std::find(rows.begin(), rows.end(), path) != rows.end(), path.c_str());
  for (const auto& path : machine.kept)
    QVERIFY2(std::find(rows.begin(), rows.end(), path) == rows.end(), path.c_str());
  QCOMPARE(ready->findChild<QLabel*>("heading")->text(),
           QStringLiteral("The following %1 files will be deleted:").arg(rows.size()));
  QCOMPARE(ready->findChild<QLabel*>("icon")->size(), QSize(80, 80));  // the bundle's own icon
  // The sizes are measured in the background once the list is up.
  QVERIFY(window.controller().isMeasuring());
  QCOMPARE(dispatcher->pendingBackground(), size_t(1));
  dispatcher->runBackground(0);
  dispatcher->drainMain();
  QVERIFY(!window.controller().isMeasuring());
  savePicture(window, "ready-long-list.png");

  // "Uninstall App" → the dialog; "Cancel" leaves everything as it was.
  clickButton(ready, "uninstallButton");
  QPointer<ConfirmationDialog> dialog = window.confirmationDialog();
  QVERIFY(dialog && dialog->isVisible());
  // The related files are the rows besides the bundle's own.
  QCOMPARE(dialog->message(), QStringLiteral("This will delete Tool and %1 related files. "
                                             "This action cannot be undone!").arg(rows.size() - 1));
  savePicture(window, "confirmation.png", dialog);
  QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
  QTRY_VERIFY(!dialog);  // closed and gone
  QVERIFY(!window.controller().showConfirmation());
  QCOMPARE(shown<ReadyView>(window), ready);
  QCOMPARE(dispatcher->pendingBackground(), size_t(0));
  for (const auto& path : rows) QVERIFY2(existsNoFollow(path), path.c_str());

  // Escape is the same as "Cancel".
  clickButton(ready, "uninstallButton");
  dialog = window.confirmationDialog();
  QVERIFY(dialog);
  QTest::keyClick(dialog, Qt::Key_Escape);
  QTRY_VERIFY(!dialog);
  QCOMPARE(shown<ReadyView>(window), ready);

  // "Uninstall" → the uninstalling screen, whose log grows line by line.
  clickButton(ready, "uninstallButton");
  dialog = window.confirmationDialog();
  QVERIFY(dialog);
  QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
  QVERIFY(!window.controller().showConfirmation());
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<UninstallingView>(window) != nullptr; }));
  QVERIFY(logRows(window).isEmpty());
  QCOMPARE(dispatcher->pendingBackground(), size_t(1));
  dispatcher->runBackground(0);  // the removal; its lines wait on the main queue
  QVERIFY(dispatcher->runNextMain());
  // The log view catches up within a frame.
  QTRY_COMPARE(logRows(window), QStringList{QString::fromStdString("Deleting: " + rows.front())});
  QVERIFY(dispatcher->runNextMain());
  QTRY_COMPARE(logRows(window).size(), 2);
  QCOMPARE(logRows(window).at(1), QString::fromStdString("✓ Deleted: " + rows.front()));
  if (!picturesDir().isEmpty()) {
    for (int i = 0; i < 40 && dispatcher->pendingMain() > 1; ++i) dispatcher->runNextMain();
    QTest::qWait(50);
    savePicture(window, "uninstalling-long-log.png");
  }
  QCOMPARE(shown<UninstallingView>(window) != nullptr, true);

  // Completed: every listed path is gone and nothing else is.
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<CompletedView>(window) != nullptr; }));
  QCOMPARE(dispatcher->pendingMain(), size_t(0));
  for (const auto& path : rows) QVERIFY2(!existsNoFollow(path), path.c_str());
  for (const auto& path : machine.kept) QVERIFY2(existsNoFollow(path), path.c_str());
  QVERIFY(privileged->calls().empty());
  QStringList expectedLog;
  for (const auto& line : window.controller().uninstallLog()) expectedLog << QString::fromStdString(line);
  QTRY_COMPARE(logRows(window), expectedLog);
  savePicture(window, "completed.png");

  // "Uninstall Another App" → the drop zone again, with an empty log.
  clickButton(window.currentScreen(), "resetButton");
  QVERIFY(shown<IdleView>(window));
  QVERIFY(window.controller().uninstallLog().empty());
  QVERIFY(logRows(window).isEmpty());
}

void SessionFlowTest::refusedPathEndsOnTheErrorScreenAndRetryTriesItAlone() {
  const Machine machine;
  const std::string refused = machine.leftovers[1];
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuse(refused);
  SessionServices services = SessionServices::standard(machine.locations(), privileged);
  services.uninstall = [privileged, refused](const AppInfo& app, const ProgressCallback& progress,
                                             const CompletionCallback& completion) {
    Uninstaller(privileged, std::make_shared<RefusingFiles>(refused)).uninstall(app, progress, completion);
  };
  // Real threads this time: the analysis and the removal run on the pool.
  MainWindow window(std::make_shared<QtDispatcher>(), services);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  dropUrl(window, fileUrl(machine.bundle));
  QTRY_VERIFY_WITH_TIMEOUT(shown<ReadyView>(window), kPatienceMs);
  clickButton(window.currentScreen(), "uninstallButton");
  QPointer<ConfirmationDialog> dialog = window.confirmationDialog();
  QVERIFY(dialog);
  QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(shown<ErrorView>(window), kPatienceMs);

  auto* error = shown<ErrorView>(window);
  QCOMPARE(error->findChild<WrappedText*>("message")->text(), QStringLiteral("Failed to delete 1 files"));
  QCOMPARE(error->findChild<QLabel*>("title")->text(), QStringLiteral("Uninstall Failed"));
  QCOMPARE(privileged->calls(), std::vector<std::string>{refused});
  QVERIFY(existsNoFollow(refused));
  for (const auto& path : machine.leftovers)
    if (path != refused) QVERIFY2(!existsNoFollow(path), path.c_str());
  QVERIFY(!existsNoFollow(machine.bundle));
  QTRY_VERIFY(logRows(window).contains(QString::fromStdString("✗ Failed to delete: " + refused)));

  // The error screen names the row and why it is still there.
  QCOMPARE(error->failedRows()->count(), 1);
  QVERIFY(error->failedRows()->item(0)->toolTip().startsWith(QString::fromStdString(refused)));
  QVERIFY(error->failedRows()->item(0)->text().contains(failReasonText(FailReason::RemoverLeftIt)));

  // "Retry" removes that row alone again, still as the entry listed; refused
  // once more, it ends on the same screen.
  clickButton(error, "retryButton");
  QTRY_VERIFY_WITH_TIMEOUT(privileged->calls().size() == 2 && shown<ErrorView>(window), kPatienceMs);
  QCOMPARE(privileged->calls(), (std::vector<std::string>{refused, refused}));
  QVERIFY(existsNoFollow(refused));
  QCOMPARE(window.controller().uninstallLog(),
           (std::vector<std::string>{"Deleting: " + refused, "\u2717 Failed to delete: " + refused}));
  QCOMPARE(shown<ErrorView>(window)->failedRows()->count(), 1);
}

void SessionFlowTest::leftOutRowsSurviveAndEveryCountAgrees() {
  // Its picture speaks the language of the environment, as the app does.
  if (!picturesDir().isEmpty()) installStringTable(systemUiLanguages());
  const auto uninstallTables = qScopeGuard([] {
    for (QTranslator* table : qApp->findChildren<QTranslator*>()) QCoreApplication::removeTranslator(table), delete table;
  });
  auto heading_ = [](int count) {
    return QCoreApplication::translate("quillmere::ui::ReadyView", "The following %n files will be deleted:", nullptr,
                                       count);
  };
  const Machine machine(picturesDir().isEmpty() ? 0 : 1);
  // A hard link and a link to a big file elsewhere inside the folder that goes.
  const std::string cache = machine.leftovers[2];
  writeFile(machine.root / "Movies/huge.mov", std::string(1 << 22, 'm'));
  QCOMPARE(::link((cache + "/fsCachedData/blob").c_str(), (cache + "/blob-again").c_str()), 0);
  QCOMPARE(::symlink((machine.root / "Movies/huge.mov").c_str(), (cache + "/movie").c_str()), 0);
  auto dispatcher = std::make_shared<ManualDispatcher>();
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  auto revealer = std::make_shared<RecordingRevealer>();
  MainWindow window(dispatcher, SessionServices::standard(machine.locations(), privileged), nullptr, revealer);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  dropUrl(window, fileUrl(machine.bundle));
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<ReadyView>(window) != nullptr; }));
  auto* ready = shown<ReadyView>(window);
  auto* list = ready->findChild<PathListView*>("fileList");
  auto* heading = ready->findChild<QLabel*>("heading");
  auto* total = ready->findChild<QLabel*>("totalSize");
  const std::vector<std::string> rows = listedPaths(ready);
  const int all = int(rows.size());

  // The list is usable before any size is known; then every row gets its own.
  QVERIFY(window.controller().isMeasuring());
  QVERIFY(!total->isVisible());
  dispatcher->runBackground(0);
  dispatcher->drainMain();
  const RowSelection& state = window.controller().rowSelection();
  for (int row = 0; row < all; ++row)
    QVERIFY2(!list->model()->index(row, 0).data(PathListModel::SizeTextRole).toString().isEmpty(), rows[row].c_str());
  const QModelIndex cacheRow = rowIndex(ready, cache);
  QVERIFY2(state.sizeOf(size_t(cacheRow.row())).value_or(UINT64_MAX) < std::uint64_t(1 << 22),
           "the link to the movie was followed");
  QCOMPARE(total->text(), dataSizeText(state.selectedSize()));
  const QString wholeTotal = total->text();

  // Leave out the folder by a click on its marker, the preferences file by Space.
  const QModelIndex folder = rowIndex(ready, machine.leftovers[0]);
  const QModelIndex preferences = rowIndex(ready, machine.leftovers[1]);
  QVERIFY(folder.isValid() && preferences.isValid());
  list->scrollTo(folder);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, PathRowDelegate::markerRect(list->visualRect(folder)).center());
  list->setFocus();
  list->setCurrentIndex(preferences);
  QTest::keyClick(list, Qt::Key_Space);
  QCOMPARE(folder.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QCOMPARE(preferences.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QCOMPARE(heading->text(), heading_(all - 2));
  QVERIFY(total->text() != wholeTotal);

  // A double-click on a path, and Return, only show the entry in the file manager.
  list->scrollTo(cacheRow);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(cacheRow).center());
  list->setCurrentIndex(folder);
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(revealer->shown, (std::vector<std::string>{cache, machine.leftovers[0]}));
  QCOMPARE(cacheRow.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  for (const auto& path : rows) QVERIFY2(existsNoFollow(path), path.c_str());
  list->setCurrentIndex(QModelIndex());
  savePicture(window, "ready-rows-left-out.png");
  if (!picturesDir().isEmpty()) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(255, 255, 255));
    QApplication::setPalette(dark);
    QTest::qWait(50);
    savePicture(window, "ready-rows-left-out-dark.png");
    QApplication::setPalette(light);
    QTest::qWait(50);
  }

  // Every row left out: the button cannot open the dialog.
  auto* button = ready->findChild<QAbstractButton*>("uninstallButton");
  for (int row = 0; row < all; ++row) {
    if (row == folder.row() || row == preferences.row()) continue;
    list->setCurrentIndex(list->model()->index(row, 0));
    QTest::keyClick(list, Qt::Key_Space);
  }
  QCOMPARE(heading->text(), heading_(0));
  QVERIFY(!button->isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);
  QVERIFY(!window.confirmationDialog());
  for (int row = 0; row < all; ++row) {
    if (row == folder.row() || row == preferences.row()) continue;
    list->setCurrentIndex(list->model()->index(row, 0));
    QTest::keyClick(list, Qt::Key_Space);
  }
  QCOMPARE(total->text(), dataSizeText(state.selectedSize()));

  // Confirm: the dialog, the removal and its log count the same rows.
  clickButton(ready, "uninstallButton");
  QPointer<ConfirmationDialog> dialog = window.confirmationDialog();
  QVERIFY(dialog);
  QCOMPARE(dialog->message(),
           QCoreApplication::translate("quillmere::ui::ConfirmationDialog",
                                       "This will delete %1 and %n related files. This action cannot be undone!",
                                       nullptr, all - 3)
               .arg(QStringLiteral("Tool")));
  QVERIFY(dialog->message().contains(QString::number(all - 3)));
  const QString chosenTotal = total->text();
  QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<CompletedView>(window) != nullptr; }));
  // What was freed is what the rows that went measured, not the whole list.
  QCOMPARE(shown<CompletedView>(window)->findChild<QLabel*>("freed")->text(),
           QCoreApplication::translate("quillmere::ui::CompletedView", "%n entries deleted, %1 freed", nullptr, all - 2)
               .arg(chosenTotal));
  QTRY_COMPARE(logRows(window).size(), int(window.controller().uninstallLog().size()));
  QCOMPARE(countOf(logRows(window), QStringLiteral("Deleting: ")), all - 2);
  QCOMPARE(countOf(logRows(window), QStringLiteral("✓ Deleted: ")), all - 2);
  for (const auto& path : rows) {
    const bool kept = path == machine.leftovers[0] || path == machine.leftovers[1];
    QVERIFY2(existsNoFollow(path) == kept, path.c_str());
  }
  QVERIFY(existsNoFollow(machine.leftovers[0] + "/state.db"));
  QVERIFY(existsNoFollow(machine.root / "Movies/huge.mov"));
  for (const auto& path : machine.kept) QVERIFY2(existsNoFollow(path), path.c_str());
}

// "tool" only inside "Toolbox": listed, left out with its reason; a click on
// its marker puts it back, and the removal then takes it.
void SessionFlowTest::rowsWithoutEvidenceStartLeftOutAndCanBePutBack() {
  const Machine machine;
  const std::string coincidence = machine.home + "/Library/Caches/Toolbox";
  writeFile(coincidence);
  auto dispatcher = std::make_shared<ManualDispatcher>();
  MainWindow window(dispatcher, SessionServices::standard(machine.locations(), std::make_shared<FakePrivilegedRemover>()));
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  dropUrl(window, fileUrl(machine.bundle));
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<ReadyView>(window) != nullptr; }));
  auto* ready = shown<ReadyView>(window);
  auto* list = ready->findChild<PathListView*>("fileList");
  const int all = int(listedPaths(ready).size());
  const QModelIndex row = rowIndex(ready, coincidence);
  QVERIFY(row.isValid());
  QCOMPARE(row.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QCOMPARE(row.data(PathListModel::ReasonRole).toString(), PathListModel::reasonText({Evidence::Coincidence, {}, {}}));
  QCOMPARE(ready->findChild<QLabel*>("heading")->text(),
           QStringLiteral("The following %1 files will be deleted:").arg(all - 1));

  list->scrollTo(row);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, PathRowDelegate::markerRect(list->visualRect(row)).center());
  QCOMPARE(row.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  QCOMPARE(ready->findChild<QLabel*>("heading")->text(),
           QStringLiteral("The following %1 files will be deleted:").arg(all));
  clickButton(ready, "uninstallButton");
  QPointer<ConfirmationDialog> dialog = window.confirmationDialog();
  QVERIFY(dialog);
  QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<CompletedView>(window) != nullptr; }));
  QVERIFY(!existsNoFollow(coincidence));
}

// The dialog says what the chosen rows will do: the app stays when its own
// row is left out, and a row the user may not delete — judged by the
// removal's own prediction on real permissions, here a folder deep inside a
// leftover that its owner cannot write to — carries a lock and announces the
// password.
void SessionFlowTest::dialogSaysWhatTheRemovalWillDo() {
  const Machine machine;
  const std::string cache = machine.leftovers[2];
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  SessionServices services = SessionServices::standard(machine.locations(), privileged);
  if (::geteuid() == 0) {
    // Root may delete anything: the removal is predicted as an ordinary user
    // who owns the machine's files, as on a user's own computer.
    const auto user = safety::ordinaryUser();
    if (!user) QSKIP("no ordinary user to judge permissions as");
    QCOMPARE(::chown(machine.root.path().c_str(), user->uid, user->gid), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(machine.root.path()))
      QCOMPARE(::lchown(entry.path().c_str(), user->uid, user->gid), 0);
    services.needsRights = [user = *user, privileged](const std::string& path,
                                                      const std::optional<EntryIdentity>& listed,
                                                      const std::atomic<bool>& stop) {
      return safety::runAsUser(user, [&] {
               return std::string(Uninstaller(privileged).needsPrivileges(path, listed, &stop) ? "yes" : "no");
             }) == "yes";
    };
  }
  QCOMPARE(::chmod((cache + "/fsCachedData").c_str(), 0555), 0);
  const auto writable = qScopeGuard([&] { ::chmod((cache + "/fsCachedData").c_str(), 0755); });
  auto dispatcher = std::make_shared<ManualDispatcher>();
  MainWindow window(dispatcher, services);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  dropUrl(window, fileUrl(machine.bundle));
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<ReadyView>(window) != nullptr; }));
  dispatcher->runBackground(0);
  dispatcher->drainMain();
  auto* ready = shown<ReadyView>(window);
  const std::vector<std::string> rows = listedPaths(ready);
  const int all = int(rows.size());
  for (const auto& path : rows) {
    const QModelIndex row = rowIndex(ready, path);
    QVERIFY2(row.data(PathListModel::NeedsRightsRole).toBool() == (path == cache), path.c_str());
    QVERIFY(row.data(Qt::ToolTipRole).toString().contains(PathListModel::needsRightsText()) == (path == cache));
  }

  auto dialogSays = [&](int count, bool keepsApp, int needRights) {
    clickButton(ready, "uninstallButton");
    QPointer<ConfirmationDialog> dialog = window.confirmationDialog();
    QVERIFY(dialog);
    const char* message = keepsApp ? "This will delete %n related files of «%1» and keep the app itself. "
                                     "This action cannot be undone!"
                                   : "This will delete %1 and %n related files. This action cannot be undone!";
    QCOMPARE(dialog->message(),
             QCoreApplication::translate("quillmere::ui::ConfirmationDialog", message, nullptr, count)
                 .arg(QStringLiteral("Tool")));
    auto* rights = dialog->findChild<WrappedText*>("rightsNotice");
    QCOMPARE(rights != nullptr, needRights > 0);
    if (rights)
      QCOMPARE(rights->text(), QCoreApplication::translate("quillmere::ui::ConfirmationDialog",
                                                           "%n of them need administrator rights: a password "
                                                           "will be asked for them.",
                                                           nullptr, needRights));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!dialog);
  };
  const auto rowOf = [&](const std::string& path) { return size_t(rowIndex(ready, path).row()); };
  window.controller().toggleRow(rowOf(machine.bundle));
  dialogSays(all - 1, true, 1);
  window.controller().toggleRow(rowOf(cache));
  dialogSays(all - 2, true, 0);
  window.controller().toggleRow(rowOf(machine.bundle));
  dialogSays(all - 2, false, 0);
  for (const auto& path : rows) QVERIFY2(existsNoFollow(path), path.c_str());
}

// The dialog's box moves the rows to the Trash instead; the completed screen
// puts them back, each to its own path.
void SessionFlowTest::trashedRemovalIsPutBackFromTheCompletedScreen() {
  const Machine machine;
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(machine.root / "data"));
  qputenv("XDG_STATE_HOME", QByteArray::fromStdString(machine.root / "state"));
  auto restoreEnvironment = qScopeGuard([] {
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_STATE_HOME");
  });
  auto dispatcher = std::make_shared<ManualDispatcher>();
  MainWindow window(dispatcher, SessionServices::standard(machine.locations(), std::make_shared<FakePrivilegedRemover>()));
  window.show();
  dropUrl(window, fileUrl(machine.bundle));
  QVERIFY(stepUntil(*dispatcher, [&] { return shown<ReadyView>(window) != nullptr; }));
  auto* ready = shown<ReadyView>(window);
  const std::vector<std::string> rows = listedPaths(ready);
  dispatcher->runBackground(0);
  dispatcher->drainMain();

  clickButton(ready, "uninstallButton");
  QPointer<ConfirmationDialog> dialog = window.confirmationDialog();
  QVERIFY(dialog && dialog->trashBox() && !dialog->trashBox()->isChecked());
  const QString permanent = dialog->message();
  QVERIFY(permanent.endsWith(QStringLiteral("This action cannot be undone!")));
  dialog->trashBox()->setChecked(true);
  QCOMPARE(dialog->message(), QStringLiteral("This will move Tool and %1 related files to the Trash. "
                                             "They can be put back.").arg(rows.size() - 1));  // the bundle is no related file
  dialog->trashBox()->setChecked(false);
  QCOMPARE(dialog->message(), permanent);
  dialog->trashBox()->setChecked(true);
  QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
  auto* completed = static_cast<CompletedView*>(nullptr);
  QVERIFY(stepUntil(*dispatcher, [&] {
    completed = shown<CompletedView>(window);
    return completed && completed->putBackButton()->isVisible();
  }));
  for (const auto& path : rows) QVERIFY2(!existsNoFollow(path), path.c_str());
  const auto& log = window.controller().uninstallLog();
  QCOMPARE(std::count_if(log.begin(), log.end(), [](const std::string& line) { return line.starts_with("\u2713 Moved to Trash: "); }),
           std::ptrdiff_t(rows.size()));
  QVERIFY(existsNoFollow(machine.root / "data/Trash/files/Tool.app/Contents/MacOS/Tool"));

  // The box is remembered; the next dialog starts ticked.
  window.controller().requestUninstall(*window.controller().currentApp());
  QTRY_VERIFY(window.confirmationDialog());
  QVERIFY(window.confirmationDialog()->trashBox()->isChecked());
  QTest::mouseClick(window.confirmationDialog()->cancelButton(), Qt::LeftButton);
  QTRY_VERIFY(!window.confirmationDialog());

  clickButton(completed, "putBackButton");
  QVERIFY(stepUntil(*dispatcher, [&] { return !window.controller().putBackLines().empty(); }));
  for (const auto& line : window.controller().putBackLines())
    QVERIFY2(line.starts_with("\u2713 Put back: "), line.c_str());
  QCOMPARE(window.controller().putBackLines().size(), rows.size());
  for (const auto& path : rows) QVERIFY2(existsNoFollow(path), path.c_str());
  QVERIFY(!completed->putBackButton()->isVisible());

  // The start screen's "History" lists it first, as moved to the Trash.
  clickButton(completed, "resetButton");
  QVERIFY(shown<IdleView>(window));
  clickButton(shown<IdleView>(window), "historyLink");
  QVERIFY(stepUntil(*dispatcher, [&] { return window.historyDialog() && window.historyDialog()->list()->count() > 0 &&
                                              !window.controller().history().empty(); }));
  QCOMPARE(window.controller().history().size(), std::size_t(1));
  QCOMPARE(window.controller().history().front().appName, std::string("Tool"));
  QVERIFY(window.historyDialog()->list()->item(0)->text().endsWith(QStringLiteral("in the Trash")));
  // Recorded before its first row went, every row pending, and again once ended.
  std::ifstream file(machine.root / "state/quillmere/history.jsonl");
  std::string started, ended;
  QVERIFY(std::getline(file, started) && std::getline(file, ended));
  QVERIFY(started.find("\"outcome\":\"pending\"") != std::string::npos);
  QCOMPARE(parseHistoryLine(started)->id, parseHistoryLine(ended)->id);
  QVERIFY(window.historyDialog()->putBackButton()->isEnabled());
  window.historyDialog()->close();
  QSettings(QStringLiteral("Quillmere"), QStringLiteral("Quillmere")).remove(QStringLiteral("removal/moveToTrash"));
}

void SessionFlowTest::dropOfSomethingElseIsRejected() {
  fixtures::TempDir root;
  const std::string notes = root / "Notes.txt";
  writeFile(notes);
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  MainWindow window(std::make_shared<QtDispatcher>(),
                    SessionServices::standard(SearchLocations{root / "home", root / "system"}, privileged));
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  dropUrl(window, fileUrl(notes));
  QTRY_VERIFY_WITH_TIMEOUT(shown<ErrorView>(window), kPatienceMs);
  QCOMPARE(shown<ErrorView>(window)->findChild<WrappedText*>("message")->text(),
           QStringLiteral("Please drag an .app file"));
  QVERIFY(existsNoFollow(notes));
}

void SessionFlowTest::errorPicture() {
  if (picturesDir().isEmpty()) QSKIP("QUILLMERE_PICTURES_DIR not set");
  auto dispatcher = std::make_shared<ManualDispatcher>();
  SessionServices services;
  services.analyze = [](const std::string&) -> AnalysisResult {
    return AnalysisError{"", -1, "Application does not exist\n/Users/ada/Downloads/Notes.app"};
  };
  MainWindow window(dispatcher, services);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  window.controller().analyzeApp("/Users/ada/Downloads/Notes.app");
  dispatcher->runAll();
  QVERIFY(shown<ErrorView>(window));
  savePicture(window, "error-two-lines.png");
}

QTEST_MAIN(SessionFlowTest)
#include "session_flow_test.moc"
