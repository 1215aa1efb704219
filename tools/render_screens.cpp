// Renders the window's main screens to PNGs under the offscreen platform, in
// the language of the environment, as the app speaks it:
//   LANG=en_US.UTF-8 quillmere_render_screens OUTPUT_DIR
// Fake services and a hand-stepped dispatcher keep the pictures reproducible.

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>
#include <cstdio>

#include "testing/manual_dispatcher.h"
#include "ui/main_window.h"
#include "ui/drop_zone.h"
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
    for (std::size_t row = 0; row < app.rows.size(); ++row) {
      progress({row, app.rows[row].path, RowOutcome::Started});
      progress({row, app.rows[row].path, removals == 0 ? RowOutcome::Deleted : RowOutcome::Failed});
    }
    if (removals++ == 0) done(true, std::nullopt);
    else done(false, "Failed to delete " + std::to_string(app.rows.size()) + " files");
  };
  MainWindow window(dispatcher, services);
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
  return ok ? 0 : 1;
}
