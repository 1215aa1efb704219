// The window under the offscreen platform, driven by a hand-stepped
// dispatcher and fake analysis and removal.

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QDragEnterEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QFileSystemModel>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

#include "testing/manual_dispatcher.h"
#include "ui/app_chooser.h"
#include "ui/main_window.h"
#include "ui/drop_zone.h"
#include "ui/header_view.h"
#include "ui/idle_view.h"
#include "selection/row_selection.h"
#include "ui/screens/removal_log.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/support_address.h"
#include "ui/theme.h"

using namespace quillmere;
using namespace quillmere::ui;

namespace {

// What the fakes saw.
struct Calls {
  std::vector<std::string> analyzed;
  std::vector<std::string> uninstalled;
};

AppInfo appAt(const std::string& path) {
  return AppInfo("Demo", path, "com.example.demo", nullptr, {path});
}

SessionServices fakeServices(std::shared_ptr<Calls> calls) {
  SessionServices services;
  services.analyze = [calls](const std::string& path) -> AnalysisResult {
    calls->analyzed.push_back(path);
    return appAt(path);
  };
  services.uninstall = [calls](const AppInfo& app, const ProgressCallback& progress,
                               const CompletionCallback& completion) {
    calls->uninstalled.push_back(app.path());
    progress({0, app.path(), RowOutcome::Deleted});
    completion(true, std::nullopt);
  };
  return services;
}

std::unique_ptr<QMimeData> fileUrls(const QList<QUrl>& urls) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

// Sends a drag event of type E carrying `data` to `target` at `pos`; true when
// accepted. An enter goes up from `target` to the first widget that accepts
// drops, as a real drag does; move, drop and leave go to where the enter landed.
template <class E>
bool sendDrag(QWidget* target, const QMimeData* data, QPoint pos = {1, 1}) {
  E event(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  event.ignore();
  QCoreApplication::sendEvent(target, &event);
  return event.isAccepted();
}

bool sendDrop(QWidget* target, const QMimeData* data) {
  QDropEvent event(QPointF(1, 1), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                   Qt::NoModifier);
  event.ignore();
  QCoreApplication::sendEvent(target, &event);
  return event.isAccepted();
}

void sendLeave(QWidget* target) {
  QDragLeaveEvent event;
  QCoreApplication::sendEvent(target, &event);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  std::shared_ptr<ManualDispatcher> dispatcher_;
  std::shared_ptr<Calls> calls_;
  std::unique_ptr<MainWindow> view_;

  SessionController& controller() { return view_->controller(); }

  // Brings the session into the named state; the work that got it there is
  // finished or forgotten, so only what the test does next is pending.
  void enterState(const QString& name) {
    enterStateAndForgetHowWeGotThere(name);
    calls_->analyzed.clear();
    calls_->uninstalled.clear();
  }
  void enterStateAndForgetHowWeGotThere(const QString& name) {
    if (name == "idle") return;
    if (name == "error") {
      controller().handleDrop({DroppedItem{std::string("file:///tmp/notes.txt")}});
    } else {
      controller().analyzeApp("/Applications/Demo.app");
    }
    if (name == "analyzing") return dispatcher_->discardAll();
    dispatcher_->runAll();
    if (name == "ready" || name == "error") return;
    controller().performUninstall(appAt("/Applications/Demo.app"));
    if (name == "uninstalling") return dispatcher_->discardAll();
    dispatcher_->runAll();  // completed
  }

  static void addStateRows() {
    QTest::addColumn<QString>("state");
    for (const char* s : {"idle", "analyzing", "ready", "uninstalling", "completed", "error"})
      QTest::newRow(s) << QString::fromLatin1(s);
  }

private slots:
  void init() {
    dispatcher_ = std::make_shared<ManualDispatcher>();
    calls_ = std::make_shared<Calls>();
    view_ = std::make_unique<MainWindow>(dispatcher_, fakeServices(calls_));
    view_->show();
  }
  void cleanup() { view_.reset(); }

  void fileUrlDragTogglesTargeting() {
    auto data = fileUrls({QUrl::fromLocalFile("/Applications/Demo.app")});
    IdleView* box = view_->idleView();
    QCOMPARE(box->targetScale(), 1.0);

    QVERIFY(sendDrag<QDragEnterEvent>(view_->dropZone(), data.get()));
    QVERIFY(sendDrag<QDragMoveEvent>(view_->dropZone(), data.get()));
    QVERIFY(controller().isTargeted());
    QVERIFY(box->isTargeted());
    QCOMPARE(box->targetScale(), 1.05);
    QCOMPARE(box->targetBorderColor(), color(NamedColor::Blue));
    QCOMPARE(box->targetSymbolColor(), color(NamedColor::Blue));

    sendLeave(view_->dropZone());
    QVERIFY(!controller().isTargeted());
    QCOMPARE(box->targetScale(), 1.0);
    QColor halfGray = color(NamedColor::Gray);
    halfGray.setAlphaF(halfGray.alphaF() * 0.5f);
    QCOMPARE(box->targetBorderColor(), halfGray);
    QCOMPARE(box->targetSymbolColor(), color(NamedColor::Gray));
    // Never moved by the scale: the box is the whole content area.
    QCOMPARE(box->size(), view_->dropZone()->size());
  }

  void aHoverChangeMidAnimationStartsFromWhereTheBoxIs() {
    auto data = fileUrls({QUrl::fromLocalFile("/Applications/Demo.app")});
    IdleView* box = view_->idleView();
    QVERIFY(sendDrag<QDragEnterEvent>(view_->dropZone(), data.get()));
    QTRY_VERIFY_WITH_TIMEOUT(box->currentScale() > 1.005, 10000);
    if (!box->isAnimating()) QSKIP("the animation ended before it could be caught mid-way");
    const qreal scale = box->currentScale();
    const QColor border = box->currentBorderColor();
    const QColor symbol = box->currentSymbolColor();

    sendLeave(view_->dropZone());
    QCOMPARE(box->currentScale(), scale);
    QCOMPARE(box->currentBorderColor(), border);
    QCOMPARE(box->currentSymbolColor(), symbol);
    QTRY_VERIFY_WITH_TIMEOUT(!box->isAnimating(), 10000);
    QCOMPARE(box->currentScale(), 1.0);
    QCOMPARE(box->currentBorderColor(), box->targetBorderColor());
    QCOMPARE(box->currentSymbolColor(), box->targetSymbolColor());
  }

  void otherDragsChangeNothing_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("text") << "text";
    QTest::newRow("image") << "image";
    QTest::newRow("web link") << "web link";
  }
  void otherDragsChangeNothing() {
    QFETCH(QString, kind);
    enterState("ready");  // a list under review must survive a stray drag
    QMimeData data;
    if (kind == "text") data.setText("/Applications/Demo.app");
    else if (kind == "image") data.setImageData(QImage(8, 8, QImage::Format_ARGB32));
    else data.setUrls({QUrl("https://example.com/Web.app")});

    QVERIFY(!sendDrag<QDragEnterEvent>(view_->dropZone(), &data));
    QVERIFY(!sendDrag<QDragMoveEvent>(view_->dropZone(), &data));
    QVERIFY(!controller().isTargeted());
    QCOMPARE(view_->idleView()->targetScale(), 1.0);
    QVERIFY(!view_->idleView()->isAnimating());
    QVERIFY(!sendDrop(view_->dropZone(), &data));
    dispatcher_->runAll();
    QVERIFY(calls_->analyzed.empty());
    QVERIFY(std::holds_alternative<states::Ready>(controller().state()));
  }

  void dropReachesTheIntakeInEveryState_data() { addStateRows(); }
  void dropReachesTheIntakeInEveryState() {
    QFETCH(QString, state);
    enterState(state);
    // Two bundles at once: both are handed over, the first one counts.
    auto data = fileUrls({QUrl("file:///Applications/My%20App.app/"),
                          QUrl("file:///Applications/Other.app/")});
    // Aimed at whatever the screen shows in the middle of the content area:
    // the screens let drags through to the zone beneath.
    const QPoint middle = view_->dropZone()->geometry().center();
    QWidget* target = view_->childAt(middle);
    QVERIFY(target);
    QVERIFY(sendDrag<QDragEnterEvent>(target, data.get(), target->mapFrom(view_.get(), middle)));
    QVERIFY(controller().isTargeted());
    QVERIFY(sendDrop(target, data.get()));
    QVERIFY(!controller().isTargeted());

    dispatcher_->runAll();
    QCOMPARE(calls_->analyzed, std::vector<std::string>{"/Applications/My App.app"});
    QVERIFY(std::holds_alternative<states::Ready>(controller().state()));
  }

  void droppedItemsKeepTheEncodedBytes() {
    QMimeData data;
    data.setData("text/uri-list",
                 "file:///tmp/caf%C3%A9.app/\r\n"
                 "file:///tmp/raw%FF%FEname.app\r\n"
                 "https://example.com/Web.app\r\n");
    const std::vector<DroppedItem> items = DropZone::droppedItems(&data);
    QCOMPARE(items.size(), std::size_t{3});
    QCOMPARE(items[0].fileUrl.value_or("-"), std::string("file:///tmp/caf%C3%A9.app/"));
    // Not UTF-8: the bytes survive as escapes rather than turning into U+FFFD.
    QCOMPARE(items[1].fileUrl.value_or("-"), std::string("file:///tmp/raw%FF%FEname.app"));
    QVERIFY(!items[2].fileUrl.has_value());

    // Through the intake, the escapes become the path's very bytes.
    auto zoneData = std::make_unique<QMimeData>();
    zoneData->setData("text/uri-list", "file:///tmp/raw%FF%FEname.app\r\n");
    QVERIFY(sendDrag<QDragEnterEvent>(view_->dropZone(), zoneData.get()));
    QVERIFY(sendDrop(view_->dropZone(), zoneData.get()));
    dispatcher_->runAll();
    QCOMPARE(calls_->analyzed, std::vector<std::string>{"/tmp/raw\xFF\xFEname.app"});
  }

  // A bundle chosen in the file dialog (a click on the box, Return on it, or
  // Ctrl+O) or named on the command line is analysed exactly as its drop.
  void aChosenAppIsAnalysedAsItsDrop() {
    QTemporaryDir dir;
    const QString bundle = dir.path() + QStringLiteral("/My App é.app");
    QVERIFY(QDir().mkpath(bundle + "/Contents") && QDir().mkpath(dir.path() + "/Folder"));
    auto data = fileUrls({QUrl::fromLocalFile(bundle + "/")});
    QVERIFY(sendDrag<QDragEnterEvent>(view_->dropZone(), data.get()));
    QVERIFY(sendDrop(view_->dropZone(), data.get()));
    dispatcher_->runAll();
    QCOMPARE(calls_->analyzed.size(), std::size_t{1});
    const std::vector<std::string> dropped = calls_->analyzed;

    const auto choose = [&](const std::function<void()>& open, bool viaFolder) {
      controller().resetState();
      calls_->analyzed.clear();
      view_->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(view_.get()));
      open();
      QPointer<AppChooser> chooser = view_->appChooser();
      QVERIFY(chooser);
      // The path as typed into the dialog's name field.
      const auto choosePath = [&](const QString& path) {
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        chooser->accept();
      };
      if (viaFolder) {
        // A folder that is no bundle is opened, not taken.
        choosePath(dir.path() + "/Folder");
        QVERIFY(chooser->isVisible());
      }
      choosePath(bundle);
      QTRY_VERIFY(!chooser);
      dispatcher_->runAll();
      QCOMPARE(calls_->analyzed, dropped);
      QVERIFY(std::holds_alternative<states::Ready>(controller().state()));
    };
    IdleView* box = view_->idleView();
    choose([&] { QTest::mouseClick(box, Qt::LeftButton, {}, box->boxRect().center().toPoint()); }, true);
    choose([&] { QTest::keyClick(view_->windowHandle(), Qt::Key_O, Qt::ControlModifier); }, false);
    choose([&] {
      box->setFocus(Qt::TabFocusReason);
      QTest::keyClick(box, Qt::Key_Return);
    }, false);

    // A double-click on a bundle in the dialog chooses it rather than opening it.
    controller().resetState();
    calls_->analyzed.clear();
    view_->chooseApp();
    QPointer<AppChooser> chooser = view_->appChooser();
    chooser->setDirectory(dir.path());
    auto* list = chooser->findChild<QListView*>(QStringLiteral("listView"));
    auto* files = qobject_cast<QFileSystemModel*>(list->model());
    QVERIFY(files);
    QTRY_VERIFY(files->index(bundle).isValid() && !list->visualRect(files->index(bundle)).isEmpty());
    const QPoint at = list->visualRect(files->index(bundle)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!chooser);
    dispatcher_->runAll();
    QCOMPARE(calls_->analyzed, dropped);

    controller().resetState();
    calls_->analyzed.clear();
    view_->openApp(QFile::encodeName(bundle).toStdString());
    dispatcher_->runAll();
    QCOMPARE(calls_->analyzed, dropped);
  }

  void layoutAndBackButtonPerState_data() { addStateRows(); }
  void layoutAndBackButtonPerState() {
    QFETCH(QString, state);
    enterState(state);
    // It starts at its first size and may grow or shrink within bounds.
    QCOMPARE(view_->size(), MainWindow::kSize);
    QVERIFY(view_->minimumWidth() < MainWindow::kSize.width());
    QVERIFY(view_->maximumHeight() > MainWindow::kSize.height());
    HeaderView* header = view_->header();
    const QSize area(MainWindow::kSize.width(), MainWindow::kSize.height() - header->height());
    QCOMPARE(view_->dropZone()->size(), area);
    QCOMPARE(view_->currentScreen()->size(), area);
    // Header directly above the content area, the pair inside the window.
    QCOMPARE(header->geometry().bottom() + 1, view_->dropZone()->geometry().top());
    QVERIFY(header->geometry().top() >= 0);
    QVERIFY(view_->dropZone()->geometry().bottom() < MainWindow::kSize.height());
    QCOMPARE(header->width(), MainWindow::kSize.width());

    const bool ready = state == "ready";
    QCOMPARE(header->backButton()->isVisible(), ready);
    if (ready) {
      // A taller window shows more of the list.
      auto* list = view_->currentScreen()->findChild<QWidget*>("fileList");
      const int listHeight = list->height();
      view_->resize(MainWindow::kSize + QSize(0, 200));
      QApplication::processEvents();
      QCOMPARE(list->height(), listHeight + 200);
      // The row is tight: the link gives way, the back button is never cut.
      QVERIFY(header->backButton()->width() >= header->backButton()->sizeHint().width());
      QVERIFY(header->backButton()->geometry().right() < header->width());
      QVERIFY(header->supportLink()->geometry().right() < header->backButton()->geometry().left());
      QTest::mouseClick(header->backButton(), Qt::LeftButton);
      QVERIFY(std::holds_alternative<states::Idle>(controller().state()));
      QVERIFY(!controller().currentApp());
      QVERIFY(!header->backButton()->isVisible());
      QCOMPARE(view_->currentScreen(), static_cast<QWidget*>(view_->idleView()));
    }
  }

  void supportLinkCopiesTheBareAddress() {
    QApplication::clipboard()->setText("something else");
    QString text, informative, button;
    bool addressOnOneLine = false;
    QTimer::singleShot(0, this, [&] {
      auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(alert);
      text = alert->text();
      informative = alert->informativeText();
      // The address must stay whole: the line holding it is not broken.
      for (QLabel* label : alert->findChildren<QLabel*>()) {
        if (label->text() != informative) continue;
        const QFontMetrics metrics = label->fontMetrics();
        addressOnOneLine = label->width() >= metrics.horizontalAdvance(informative);
      }
      QCOMPARE(alert->buttons().size(), 1);
      button = alert->buttons().front()->text();
      alert->buttons().front()->click();
    });
    view_->header()->supportLink()->click();  // returns once the alert is dismissed
    QVERIFY(addressOnOneLine);

    const QString address = QString::fromUtf8(kSupportAddress);
    QCOMPARE(QApplication::clipboard()->text(), address);
    QCOMPARE(text, QString("Address Copied"));
    QCOMPARE(informative, address + " has been copied to the clipboard.");
    QCOMPARE(button, QString("OK"));
    QVERIFY(view_->header()->supportLink()->text().contains(address));
    QVERIFY(std::holds_alternative<states::Idle>(controller().state()));
  }

  void confirmationRunsTheRemovalOnlyWhenAccepted_data() {
    QTest::addColumn<bool>("accept");
    QTest::newRow("confirm") << true;
    QTest::newRow("cancel") << false;
  }
  void confirmationRunsTheRemovalOnlyWhenAccepted() {
    QFETCH(bool, accept);
    enterState("ready");
    auto* ready = qobject_cast<ReadyView*>(view_->currentScreen());
    QVERIFY(ready);
    emit ready->uninstallRequested();
    QVERIFY(controller().showConfirmation());
    QPointer<ConfirmationDialog> dialog = view_->confirmationDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    // Reporting the change again opens no second dialog.
    controller().requestUninstall(*controller().currentApp());
    QCOMPARE(view_->findChildren<ConfirmationDialog*>().size(), 1);

    if (accept) dialog->accept();
    else dialog->reject();
    QVERIFY(!controller().showConfirmation());
    dispatcher_->runAll();
    if (accept) {
      QCOMPARE(calls_->uninstalled, std::vector<std::string>{"/Applications/Demo.app"});
      QVERIFY(std::holds_alternative<states::Completed>(controller().state()));
    } else {
      QVERIFY(calls_->uninstalled.empty());
      QVERIFY(std::holds_alternative<states::Ready>(controller().state()));
    }
    QTRY_VERIFY(!dialog);  // deleted once closed
  }

  // Focus handed back when the dialog closes shows no ring on the red button;
  // the dialog's window title does not repeat the title in its body.
  void theDialogLeavesNoFocusRingBehind() {
    enterState("ready");
    view_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view_.get()));
    auto* button = view_->currentScreen()->findChild<FilledButton*>("uninstallButton");
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QPointer<ConfirmationDialog> dialog = view_->confirmationDialog();
    QVERIFY(dialog);
    const QString title = dialog->findChild<QLabel*>("title")->text();
    QVERIFY(!dialog->windowTitle().isEmpty());
    QVERIFY(!dialog->windowTitle().contains(title));
    dialog->reject();
    QTRY_VERIFY(!dialog);
    QApplication::processEvents();
    QVERIFY(!button->showsFocusRing());

    view_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view_.get()));
    button->setFocus(Qt::TabFocusReason);  // reached from the keyboard it does show
    QTRY_VERIFY(button->showsFocusRing());
  }

  // A removal that leaves rows names each with its reason, keeps its log one
  // click away, and Retry removes only those rows, still each checked against
  // what it named when listed; after an analysis error Retry starts over.
  void aFailedRemovalListsItsRowsAndRetriesOnlyThem() {
    const std::vector<std::string> paths = {"/h/Library/Caches/demo", "/h/Library/Logs/demo",
                                            "/h/Library/Preferences/demo.plist", "/Applications/Demo.app"};
    const auto indexOf = [&](const std::string& path) {
      return std::uint64_t(std::find(paths.begin(), paths.end(), path) - paths.begin());
    };
    std::vector<std::vector<std::string>> removals;
    bool identitiesKept = true;
    SessionServices services;
    services.analyze = [&](const std::string& path) -> AnalysisResult {
      AppInfo app("Demo", path, "com.example.demo", nullptr, paths);
      AppInfo::IdentityTable ids;
      for (std::size_t i = 0; i < paths.size(); ++i) ids[paths[i]] = EntryIdentity{1, i + 10, S_IFDIR};
      app.setIdentities(std::move(ids));
      return app;
    };
    services.uninstall = [&](const AppInfo& app, const ProgressCallback& progress,
                             const CompletionCallback& completion) {
      removals.push_back(app.relatedFiles());
      int failed = 0;
      for (std::size_t i = 0; i < app.rows.size(); ++i) {
        const std::string& path = app.rows[i].path;
        identitiesKept = identitiesKept && app.rows[i].identity == EntryIdentity{1, 10 + indexOf(path), S_IFDIR};
        progress({i, path, RowOutcome::Started});
        // The first try fails the logs and the preferences; a retry succeeds.
        if (removals.size() == 1 && (path == paths[1] || path == paths[2])) {
          ++failed;
          progress({i, path, RowOutcome::Failed,
                    path == paths[1] ? FailReason::NoPermission : FailReason::PasswordRefused});
        } else {
          progress({i, path, RowOutcome::Deleted});
        }
      }
      if (failed) completion(false, "Failed to delete " + std::to_string(failed) + " files");
      else completion(true, std::nullopt);
    };
    MainWindow window(dispatcher_, services);
    window.show();
    SessionController& session = window.controller();
    session.analyzeApp("/Applications/Demo.app");
    dispatcher_->runAll();
    emit qobject_cast<ReadyView*>(window.currentScreen())->uninstallRequested();
    window.confirmationDialog()->accept();
    dispatcher_->runAll();

    auto* error = qobject_cast<ErrorView*>(window.currentScreen());
    QVERIFY(error);
    QCOMPARE(error->findChild<QLabel*>("title")->text(), QStringLiteral("Uninstall Failed"));
    QListWidget* failed = error->failedRows();
    QVERIFY(failed->isVisibleTo(error));
    QCOMPARE(failed->count(), 2);
    QVERIFY(failed->item(0)->text().contains(QString::fromStdString(paths[1])));
    QVERIFY(failed->item(0)->text().contains(failReasonText(FailReason::NoPermission)));
    QVERIFY(failed->item(1)->toolTip().contains(failReasonText(FailReason::PasswordRefused)));
    auto* details = error->findChild<QAbstractButton*>("detailsButton");
    QVERIFY(details->isVisibleTo(error));
    QVERIFY(!error->log()->isVisibleTo(error));
    details->click();
    QVERIFY(error->log()->isVisibleTo(error));
    QVERIFY(error->log()->toPlainText().contains(QString::fromStdString("Failed to delete: " + paths[2])));

    QTest::mouseClick(error->findChild<QAbstractButton*>("retryButton"), Qt::LeftButton);
    dispatcher_->runAll();
    QCOMPARE(removals.size(), std::size_t{2});
    QCOMPARE(removals[1], (std::vector<std::string>{paths[1], paths[2]}));
    QVERIFY(identitiesKept);
    QVERIFY(std::holds_alternative<states::Completed>(session.state()));
    QCOMPARE(session.freed().entries(), paths.size());  // both tries together
    QVERIFY(qobject_cast<CompletedView*>(window.currentScreen())->log()->toPlainText().contains(
        QString::fromStdString("Deleted: " + paths[1])));

    // An analysis error: titled as such, no details, and Retry starts over.
    session.handleDrop({DroppedItem{std::string("file:///tmp/notes.txt")}});
    dispatcher_->runAll();
    error = qobject_cast<ErrorView*>(window.currentScreen());
    QCOMPARE(error->findChild<QLabel*>("title")->text(), QStringLiteral("Cannot Analyse"));
    QVERIFY(!error->failedRows()->isVisibleTo(error));
    QVERIFY(!error->findChild<QAbstractButton*>("detailsButton")->isVisibleTo(error));
    error->retryRequested();
    dispatcher_->runAll();
    QVERIFY(std::holds_alternative<states::Idle>(session.state()));
    QCOMPARE(removals.size(), std::size_t{2});
  }

  // The filter shows the rows whose path holds the text and the requests
  // still name the listed rows; select all / none acts on the rows shown,
  // never on those the filter hides. The dialog counts what goes besides the
  // bundle, and a removal that keeps the app is a deletion.
  void theFilterAndSelectAllActOnTheRowsShown() {
    const std::vector<std::string> paths = {"/h/Library/Caches/demo", "/h/Library/Logs/demo.log",
                                            "/h/Library/Logs/demo-helper.log", "/Applications/Demo.app"};
    SessionServices services;
    services.analyze = [&](const std::string& path) -> AnalysisResult {
      return AppInfo("Demo", path, "com.example.demo", nullptr, paths);
    };
    services.uninstall = [](const AppInfo&, const ProgressCallback&, const CompletionCallback& completion) {
      completion(true, std::nullopt);
    };
    MainWindow window(dispatcher_, services);
    window.setFolders("/h", "/");
    window.show();
    SessionController& session = window.controller();
    session.analyzeApp("/Applications/Demo.app");
    dispatcher_->runAll();
    auto* ready = qobject_cast<ReadyView*>(window.currentScreen());
    auto* list = ready->findChild<QListView*>("fileList");
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("~/Library/Caches/demo"));

    QTest::keyClicks(ready->findChild<QLineEdit*>("filter"), "LOGS/");
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("~/Library/Logs/demo-helper.log"));
    // Return presses a focused link as a click does.
    QTest::keyClick(ready->findChild<QAbstractButton*>("selectNone"), Qt::Key_Return);
    QTRY_VERIFY(!session.rowSelection().isSelected(1));
    const RowSelection& rows = session.rowSelection();
    QVERIFY(rows.isSelected(0) && !rows.isSelected(1) && !rows.isSelected(2) && rows.isSelected(3));
    // Space on the second row shown puts back the third listed row.
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!rows.isSelected(1) && rows.isSelected(2));

    ready->findChild<QLineEdit*>("filter")->clear();
    QCOMPARE(list->model()->rowCount(), 4);
    ready->findChild<QAbstractButton*>("selectAll")->click();
    QCOMPARE(rows.selectedCount(), paths.size());

    QTest::keyClick(ready->findChild<QAbstractButton*>("uninstallButton"), Qt::Key_Return);
    QTRY_VERIFY(window.confirmationDialog());
    QCOMPARE(window.confirmationDialog()->message(),
             QStringLiteral("This will delete Demo and 3 related files. This action cannot be undone!"));
    window.confirmationDialog()->reject();
    QTRY_VERIFY(!window.confirmationDialog());
    session.setRowSelected(3, false);
    emit ready->uninstallRequested();
    QCOMPARE(window.confirmationDialog()->findChild<QLabel*>("title")->text(), QStringLiteral("Confirm Deletion"));
    QCOMPARE(window.confirmationDialog()->confirmButton()->text(), QStringLiteral("Delete"));
    window.confirmationDialog()->accept();
    dispatcher_->runAll();
    QCOMPARE(window.currentScreen()->findChild<QLabel*>("title")->text(), QStringLiteral("Deletion Complete!"));
  }

  void resultsAfterTheWindowIsGoneTouchNothing() {
    controller().analyzeApp("/Applications/Demo.app");
    view_.reset();  // the window closes while the analysis is in flight
    dispatcher_->runAll();
    QCOMPARE(calls_->analyzed.size(), std::size_t{1});
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
