// Renders the window's main screens to PNGs under the offscreen platform, in
// the language of the environment, as the app speaks it:
//   LANG=en_US.UTF-8 quillmere_render_screens OUTPUT_DIR
// Fake services and a hand-stepped dispatcher keep the pictures reproducible.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>

#include "testing/manual_dispatcher.h"
#include "ui/main_window.h"
#include "ui/drop_zone.h"
#include "ui/history_dialog.h"
#include "ui/idle_view.h"
#include "ui/screens/path_list.h"
#include "ui/screens/screens.h"
#include "ui/string_tables.h"

using namespace quillmere;
using namespace quillmere::ui;

static bool save(QWidget& window, const QDir& dir, const QString& name) {
  QElapsedTimer settle;  // the log and the layout follow on their own events
  settle.start();
  while (settle.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillmere"));
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillmere_render_screens OUTPUT_DIR\n");
    return 2;
  }
  installStringTable(systemUiLanguages());
  // Pin the family so the pictures do not depend on the machine's defaults;
  // the Chinese texts need a CJK font.
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei")));

  QDir dir(QString::fromLocal8Bit(argv[1]));
  dir.mkpath(QStringLiteral("."));

  auto dispatcher = std::make_shared<ManualDispatcher>();
  const std::string home = "/Users/ada/Library/";
  // Rows with evidence of each kind: the last six are left out, each with its reason.
  const std::vector<std::string> files = {
      home + "Application Support/Notes", home + "Caches/com.example.notes",
      home + "Preferences/com.example.notes.plist",
      home + "Saved Application State/com.example.notes.savedState", home + "Caches/Footnotes",
      home + "Application Support/Notes Sketch", "/Library/Caches/org.sketchworks.notes",
      home + "Application Support/Slack/Notes", home + "Application Support/Orphan/Crashpad/notes.dat",
      home + "Application Support/Quick Notes", "/Applications/Notes.app"};
  auto with = [](Evidence kind, std::optional<std::string> other = std::nullopt, std::string where = {}) {
    return RowEvidence{kind, std::move(other), std::move(where)};
  };
  const std::vector<RowEvidence> evidence = {
      with(Evidence::Name), with(Evidence::Identifier), with(Evidence::Identifier), with(Evidence::Identifier),
      with(Evidence::Coincidence), with(Evidence::OtherApp, "Notes Sketch", "/Applications/Notes Sketch.app"),
      with(Evidence::OtherApp), with(Evidence::InsideOtherApp, "Slack", "/Applications/Slack.app"),
      with(Evidence::InsideForeign), with(Evidence::AlsoNames, "Quick", "/Applications/Quick.app"),
      with(Evidence::Bundle)};
  // The second record: rows beyond the twelve folders, folders the privacy
  // protection refused, and the app still running.
  bool beyond = false;
  SessionServices services;
  services.analyze = [files, evidence, home, &beyond, with](const std::string& path) -> AnalysisResult {
    AppInfo app("Notes", path, "com.example.notes", nullptr, files);
    for (std::size_t row = 0; row < evidence.size(); ++row) app.rows[row].evidence = evidence[row];
    if (!beyond) return app;
    app.rows.pop_back();
    const std::vector<std::pair<FoundRow, Evidence>> places = {
        {{home + "Application Scripts/com.example.notes"}, Evidence::Identifier},
        {{home + "Cookies/Notes.binarycookies"}, Evidence::NameOnly},
        {{home + "Group Containers/ABCDE12345.com.example.notes", Evidence::Identifier},
         Evidence::Identifier},
        {{home + "LaunchAgents/com.example.sync.plist", Evidence::LaunchJob}, Evidence::LaunchJob},
        {{"/Library/PrivilegedHelperTools/com.example.notes.helper"}, Evidence::Identifier}};
    for (const auto& [row, kind] : places) app.rows.push_back({row.path, std::nullopt, with(kind), row.content});
    app.rows.push_back({path, std::nullopt, with(Evidence::Bundle), std::nullopt});
    app.unreadableFolders = {{home + "Containers/com.example.mail", Refusal::Privacy},
                             {home + "Containers/com.example.photos", Refusal::Privacy},
                             {home + "Group Containers/group.com.example.shared", Refusal::Privacy}};
    app.runningPrograms = {path + "/Contents/MacOS/Notes"};
    return app;
  };
  // Sizes as a measuring finds them, and rights as the removal would need
  // them: the system's own Library belongs to the administrator.
  services.measure = [](const std::string& path, const std::atomic<bool>&) -> std::optional<std::uint64_t> {
    if (path.ends_with(".app")) return std::uint64_t(48'300'000);
    return std::uint64_t(path.size() % 7 + 1) * 36'864;
  };
  services.needsRights = [](const std::string& path, const std::optional<EntryIdentity>&, const std::atomic<bool>&) {
    return path.starts_with("/Library/");
  };
  int removals = 0;
  services.uninstall = [&removals](const AppInfo& app, const ProgressCallback& progress,
                                   const CompletionCallback& done) {
    // The second removal fails every row, for the reasons a removal gives.
    const FailReason reasons[] = {FailReason::NoPermission, FailReason::NotListedEntry, FailReason::PasswordRefused};
    for (std::size_t row = 0; row < app.rows.size(); ++row) {
      progress({row, app.rows[row].path, RowOutcome::Started});
      if (removals == 0) progress({row, app.rows[row].path, RowOutcome::Deleted});
      else progress({row, app.rows[row].path, RowOutcome::Failed, reasons[row % 3]});
    }
    if (removals++ == 0) done(true, std::nullopt);
    else done(false, "Failed to delete " + std::to_string(app.rows.size()) + " files");
  };
  // A removal to the Trash: every row moved, each put back on request.
  services.uninstallToTrash = [](const AppInfo& app, const ProgressCallback& progress, const CompletionCallback& done) {
    for (std::size_t row = 0; row < app.rows.size(); ++row) {
      progress({row, app.rows[row].path, RowOutcome::Started});
      progress({row, app.rows[row].path, RowOutcome::Trashed, FailReason::None, "/Users/ada/.Trash/x"});
    }
    done(true, std::nullopt);
  };
  services.recordRemoval = [](const HistoryRecord&) {};
  services.readHistory = [] {
    std::vector<HistoryRecord> records(3);
    const char* names[] = {"Sketchbook", "Notes", "Mail Helper"};
    for (std::size_t i = 0; i < records.size(); ++i) {
      records[i].id = "r" + std::to_string(i);
      records[i].time = 1796700000 + std::int64_t(i) * 86400 * 3;
      records[i].appName = names[i];
      records[i].trashed = i != 0;
      records[i].rows.resize(3 + 2 * i);
      for (HistoryRow& row : records[i].rows) row.outcome = i != 0 ? "trashed" : "deleted";
    }
    records[1].rows.back().outcome = "pending";  // one stopped midway
    return records;
  };
  services.restore = [](const HistoryRecord& record) {
    std::vector<RestoredRow> rows;
    for (const HistoryRow& row : record.rows) rows.push_back({row.path, true, {}});
    return rows;
  };
  // The confirmation's remembered box starts off, whatever this user chose.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  MainWindow window(dispatcher, services);
  window.setFolders("/Users/ada", "/");
  window.show();

  bool ok = save(window, dir, QStringLiteral("idle.png"));

  // A real hover: the drag enters the drop zone, the box animates; wait for rest.
  QMimeData drag;
  drag.setUrls({QUrl::fromLocalFile(QStringLiteral("/Applications/Notes.app"))});
  QDragEnterEvent enter(window.dropZone()->rect().center(), Qt::CopyAction, &drag,
                        Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.dropZone(), &enter);
  QElapsedTimer waited;
  waited.start();
  while (window.idleView()->isAnimating() && waited.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ok = save(window, dir, QStringLiteral("idle-targeted.png")) && ok;
  window.controller().setTargeted(false);

  SessionController& controller = window.controller();
  controller.analyzeApp("/Applications/Notes.app");
  ok = save(window, dir, QStringLiteral("analyzing.png")) && ok;
  dispatcher->runAll();
  ok = save(window, dir, QStringLiteral("ready.png")) && ok;
  // The same list filtered, and in a larger window.
  if (auto* filter = window.currentScreen()->findChild<QLineEdit*>(QStringLiteral("filter"))) {
    filter->setText(QStringLiteral("caches"));
    ok = save(window, dir, QStringLiteral("ready-filtered.png")) && ok;
    filter->clear();
  }
  window.resize(MainWindow::kSize + QSize(160, 200));
  ok = save(window, dir, QStringLiteral("ready-resized.png")) && ok;
  window.resize(MainWindow::kSize);
  // The end of the list: the rows left out, each with its reason.
  if (auto* list = window.findChild<PathListView*>()) {
    list->scrollToBottom();
    ok = save(window, dir, QStringLiteral("ready-left-out.png")) && ok;
    list->scrollToTop();
  }

  controller.requestUninstall(std::get<states::Ready>(controller.state()).app);
  if (ConfirmationDialog* dialog = window.confirmationDialog()) {
    ok = save(*dialog, dir, QStringLiteral("confirmation.png")) && ok;
    dialog->accept();
  }
  dispatcher->runBackground();
  for (int i = 0; i < 6; ++i) dispatcher->runNextMain();  // part of the log, not the end
  ok = save(window, dir, QStringLiteral("uninstalling.png")) && ok;
  dispatcher->runAll();
  ok = save(window, dir, QStringLiteral("completed.png")) && ok;

  controller.performUninstall(*controller.currentApp());
  dispatcher->runAll();
  ok = save(window, dir, QStringLiteral("error.png")) && ok;
  if (auto* details = window.currentScreen()->findChild<QAbstractButton*>(QStringLiteral("detailsButton"))) {
    details->click();
    ok = save(window, dir, QStringLiteral("error-details.png")) && ok;
  }

  // The first confirmation goes the way deleteLater goes in a running event loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  beyond = true;
  controller.resetState();
  controller.analyzeApp("/Applications/Notes.app");
  dispatcher->runAll();
  ok = save(window, dir, QStringLiteral("ready-beyond.png")) && ok;
  controller.requestUninstall(std::get<states::Ready>(controller.state()).app);
  if (ConfirmationDialog* dialog = window.confirmationDialog()) {
    ok = save(*dialog, dir, QStringLiteral("confirmation-running.png")) && ok;
    dialog->reject();
  }
  // The bundle's own row (the last) left out: the app stays.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  controller.toggleRow(controller.rowSelection().size() - 1);
  controller.requestUninstall(std::get<states::Ready>(controller.state()).app);
  if (ConfirmationDialog* dialog = window.confirmationDialog()) {
    ok = save(*dialog, dir, QStringLiteral("confirmation-keeps-app.png")) && ok;
    dialog->reject();
  }

  // To the Trash, and back.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  beyond = false;
  controller.resetState();
  controller.analyzeApp("/Applications/Notes.app");
  dispatcher->runAll();
  controller.requestUninstall(std::get<states::Ready>(controller.state()).app);
  if (ConfirmationDialog* dialog = window.confirmationDialog()) {
    if (dialog->trashBox()) dialog->trashBox()->setChecked(true);
    ok = save(*dialog, dir, QStringLiteral("confirmation-trash.png")) && ok;
    dialog->accept();
  }
  dispatcher->runAll();
  ok = save(window, dir, QStringLiteral("completed-trash.png")) && ok;
  if (const auto& record = controller.trashedRemoval()) controller.putBack(*record);
  dispatcher->runAll();
  ok = save(window, dir, QStringLiteral("completed-put-back.png")) && ok;

  // "History" on the start screen: the past removals, newest first.
  controller.resetState();
  window.idleView()->historyLink()->click();
  dispatcher->runAll();
  if (HistoryDialog* history = window.historyDialog()) {
    ok = save(*history, dir, QStringLiteral("history.png")) && ok;
    history->close();
  }
  return ok ? 0 : 1;
}
