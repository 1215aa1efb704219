#include "ui/main_window.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QScreen>
#include <QWindow>
#include <QShortcut>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <variant>

#include "ui/analyzing_view.h"
#include "ui/app_chooser.h"
#include "ui/drop_zone.h"
#include "ui/file_reveal.h"
#include "ui/frame_budget.h"
#include "ui/header_view.h"
#include "ui/history_dialog.h"
#include "ui/idle_view.h"
#include "ui/screens/removal_log.h"
#include "ui/screens/screens.h"
#include "ui/theme.h"

namespace quillmere::ui {
namespace {

// Whether the confirmation's "Move to the Trash instead" starts ticked.
const QString kTrashSetting = QStringLiteral("removal/moveToTrash");

QSettings settings() { return QSettings(QStringLiteral("Quillmere"), QStringLiteral("Quillmere")); }

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

// Drags go to the nearest widget, up from the one under the pointer, that
// accepts drops; the screens must pass them down to the zone beneath.
void passDropsThrough(QWidget* screen) {
  screen->setAcceptDrops(false);
  for (QWidget* child : screen->findChildren<QWidget*>()) child->setAcceptDrops(false);
}

}  // namespace

MainWindow::MainWindow(std::shared_ptr<Dispatcher> dispatcher, SessionServices services,
                       QWidget* parent, std::shared_ptr<FileRevealer> revealer)
    : QWidget(parent),
      controller_(std::make_unique<SessionController>(std::move(dispatcher), std::move(services))),
      revealer_(revealer ? std::move(revealer) : makeSystemFileRevealer()),
      header_(new HeaderView(this)),
      dropZone_(new DropZone(this)),
      screens_(new QStackedLayout(dropZone_)),
      idleView_(new IdleView),
      analyzingView_(new AnalyzingView),
      readyView_(new ReadyView),
      uninstallingView_(new UninstallingView),
      completedView_(new CompletedView),
      errorView_(new ErrorView),
      logRefresh_(new QTimer(this)),
      notice_(new QLabel(this)),
      noticeTimeout_(new QTimer(this)) {
  resize(kSize);
  logRefresh_->setSingleShot(true);
  logRefresh_->setInterval(frame_budget::kFrameMs);
  connect(logRefresh_, &QTimer::timeout, this, [this] { refreshLog(); });
  setAutoFillBackground(true);
  followPaletteColor(this, QPalette::Window, NamedColor::WindowBackground);

  dropZone_->setObjectName(QStringLiteral("dropZone"));
  dropZone_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  for (QWidget* screen : std::initializer_list<QWidget*>{idleView_, analyzingView_, readyView_, uninstallingView_,
                                                         completedView_, errorView_})
    screens_->addWidget(screen);

  // The header on top; the content area takes the rest, whatever the size.
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header_);
  column->addWidget(dropZone_, 1);

  connect(idleView_, &IdleView::chooseRequested, this, &MainWindow::chooseApp);
  connect(idleView_, &IdleView::historyRequested, this, [this] {
    if (history_) return;
    history_ = new HistoryDialog(*controller_, this);
    history_->setAttribute(Qt::WA_DeleteOnClose);
    history_->setWindowModality(Qt::WindowModal);
    history_->open();
  });
  // Ctrl+O, Cmd+O on the Mac; in every state, as a drop is taken in every state.
  connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this, &MainWindow::chooseApp);
  connect(header_, &HeaderView::backRequested, this, [this] { controller_->resetState(); });
  connect(dropZone_, &DropZone::targetedChanged, this,
          [this](bool targeted) { controller_->setTargeted(targeted); });
  connect(dropZone_, &DropZone::dropped, this,
          [this](const std::vector<DroppedItem>& items) { controller_->handleDrop(items); });
  connect(readyView_, &ReadyView::uninstallRequested, this, [this] {
    if (const auto* ready = std::get_if<states::Ready>(&controller_->state()))
      controller_->requestUninstall(ready->app);
  });
  connect(readyView_, &ReadyView::toggleRequested, this,
          [this](int row) { controller_->toggleRow(static_cast<size_t>(row)); });
  connect(readyView_, &ReadyView::selectRowsRequested, this,
          [this](const std::vector<std::size_t>& rows, bool selected) { controller_->setRowsSelected(rows, selected); });
  connect(readyView_, &ReadyView::revealRequested, this, [this](int row) {
    // Looks only: the path shown is the one opened, and nothing is deleted.
    const AppInfo* app = readyView_->app();
    if (app && row >= 0 && static_cast<size_t>(row) < app->rows.size())
      revealer_->reveal(app->rows[static_cast<size_t>(row)].path);
  });
  connect(completedView_, &CompletedView::resetRequested, this,
          [this] { controller_->resetState(); });
  connect(errorView_, &ErrorView::retryRequested, this, [this] { controller_->retry(); });
  connect(completedView_, &CompletedView::putBackRequested, this, [this] {
    if (const auto& record = controller_->trashedRemoval()) controller_->putBack(*record);
  });

  // A file manager that answers nothing would leave a double-click without
  // any visible effect.
  notice_->setObjectName(QStringLiteral("notice"));
  notice_->setFont(ui::font(TextStyle::Caption));
  notice_->setAlignment(Qt::AlignCenter);
  followAppearance(notice_, [this] {
    notice_->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border-radius: 6px; padding: 3px 10px; }")
                               .arg(color(NamedColor::ControlBackground).name(QColor::HexArgb),
                                    color(NamedColor::Secondary).name(QColor::HexArgb)));
  });
  notice_->hide();
  noticeTimeout_->setSingleShot(true);
  noticeTimeout_->setInterval(4000);
  connect(noticeTimeout_, &QTimer::timeout, notice_, &QWidget::hide);
  QPointer<MainWindow> alive(this);
  revealer_->setFailureHandler([alive](const std::string& path) {
    if (!alive) return;
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    alive->showNotice(tr("No file manager could show “%1”.").arg(QString::fromStdString(name)));
  });

  setFolders(qgetenv("HOME").toStdString(), "/");
  controller_->setChangeListener([this](SessionField field) { onChange(field); });
  showState();
  idleView_->setTargeted(controller_->isTargeted());
}

void MainWindow::fitScreen() {
  // Never larger than the screen's free area, nor smaller than the content
  // needs unless the screen itself is smaller: the content then shrinks
  // (lists first) so that its buttons stay in reach.
  const QScreen* shown = screen();
  if (!shown) return;
  const QSize room = shown->availableGeometry().size();
  setMaximumSize(room);
  setMinimumSize(minimumSizeHint().boundedTo(room));
  resize((fitted_ ? size() : kSize).boundedTo(room));
}

void MainWindow::showEvent(QShowEvent* event) {
  if (!fitted_ && windowHandle())
    connect(windowHandle(), &QWindow::screenChanged, this, &MainWindow::fitScreen);
  // Space or Return opens the chooser right away, without a Tab first.
  if (!fitted_ && currentScreen() == idleView_) idleView_->setFocus(Qt::OtherFocusReason);
  fitScreen();
  fitted_ = true;
  QWidget::showEvent(event);
}

MainWindow::~MainWindow() {
  // The dialog's closing must not reach a controller that is going away.
  if (confirmation_) {
    confirmation_->disconnect(this);
    delete confirmation_;
  }
  controller_->setChangeListener({});
  revealer_->setFailureHandler({});
}

void MainWindow::setFolders(std::string home, const std::string& systemRoot) {
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  readyView_->setHome(home);
  errorView_->setHome(home);
  appsFolders_.clear();
  // The system's Applications folder first, then the user's own.
  std::string root = systemRoot;
  while (!root.empty() && root.back() == '/') root.pop_back();
  for (const std::string& folder : {root + "/Applications", home + "/Applications"})
    appsFolders_.push_back(QString::fromLocal8Bit(folder.data(), qsizetype(folder.size())));
}

void MainWindow::openApp(const std::string& path) { handOver(fileUrlOfBytes(path)); }

void MainWindow::handOver(const QUrl& fileUrl) {
  // The encoded text, as the drop zone hands over a dropped URL.
  controller_->handleDrop({DroppedItem{fileUrl.toEncoded().toStdString()}});
}

void MainWindow::showNotice(const QString& text) {
  notice_->setText(text);
  // Just below the header, where no screen puts anything of its own.
  const QSize size(qMin(notice_->sizeHint().width(), width() - 40), notice_->sizeHint().height());
  notice_->setGeometry(QRect(QPoint((width() - size.width()) / 2, dropZone_->geometry().top() + 4), size));
  notice_->raise();
  notice_->show();
  noticeTimeout_->start();
}

void MainWindow::chooseApp() {
  if (chooser_) return chooser_->raise();
  auto* chooser = new AppChooser(this, appsFolders_);
  chooser->setWindowModality(Qt::WindowModal);
  connect(chooser, &QDialog::finished, chooser, &QObject::deleteLater);
  connect(chooser, &AppChooser::appChosen, this, &MainWindow::handOver);
  chooser_ = chooser;
  chooser->open();
}

AppChooser* MainWindow::appChooser() const { return chooser_.data(); }

QWidget* MainWindow::currentScreen() const { return screens_->currentWidget(); }
ConfirmationDialog* MainWindow::confirmationDialog() const { return confirmation_.data(); }
HistoryDialog* MainWindow::historyDialog() const { return history_.data(); }

void MainWindow::onChange(SessionField field) {
  switch (field) {
    case SessionField::State: showState(); break;
    case SessionField::IsTargeted: idleView_->setTargeted(controller_->isTargeted()); break;
    case SessionField::ShowConfirmation: syncConfirmation(); break;
    case SessionField::UninstallLog:
      // A removal reports lines far faster than they can be laid out one by
      // one; whatever arrives within a frame is shown in one go. An emptied
      // log (a new removal, a reset) is cheap and shown at once.
      if (controller_->uninstallLog().empty())
        refreshLog();
      else if (!logRefresh_->isActive())
        logRefresh_->start();
      break;
    case SessionField::CurrentApp: break;  // read when the dialog opens
    case SessionField::PutBack:
      if (history_) history_->refresh();
      if (std::holds_alternative<states::Completed>(controller_->state())) showCompleted();
      break;
    case SessionField::Rows:
      if (std::holds_alternative<states::Ready>(controller_->state()))
        readyView_->refreshRows(controller_->isMeasuring());
      break;
  }
}

void MainWindow::refreshLog() {
  // A few milliseconds of lines per frame keep each refresh short when the
  // log is far behind, on a fast machine or a slow one; the rest follows in
  // the next frames.
  logRefresh_->stop();
  QElapsedTimer spent;
  spent.start();
  RemovalLog* log = uninstallingView_->log();
  if (currentScreen() == completedView_) log = completedView_->log();
  if (currentScreen() == errorView_) log = errorView_->log();
  while (!log->setLog(controller_->uninstallLog(), frame_budget::kLogLinesPerStep)) {
    if (spent.nsecsElapsed() >= frame_budget::kLogRefreshNs) return logRefresh_->start();
  }
}

void MainWindow::showState() {
  // The ready screen shows the controller's own record, which a new state
  // replaces.
  if (!std::holds_alternative<states::Ready>(controller_->state())) readyView_->clear();
  QWidget* screen = std::visit(
      Overloaded{
          [&](const states::Idle&) -> QWidget* { return idleView_; },
          [&](const states::Analyzing&) -> QWidget* { return analyzingView_; },
          [&](const states::Ready& ready) -> QWidget* {
            readyView_->setApp(ready.app, &controller_->rowSelection(), controller_->isMeasuring());
            return readyView_;
          },
          [&](const states::Uninstalling&) -> QWidget* {
            uninstallingView_->setKeepsApp(removalKeepsApp());
            return uninstallingView_;
          },
          [&](const states::Completed&) -> QWidget* {
            showCompleted();
            return completedView_;
          },
          [&](const states::Error& error) -> QWidget* {
            errorView_->setError(error.message, controller_->errorFromRemoval(), controller_->failedRows());
            return errorView_;
          },
      },
      controller_->state());
  passDropsThrough(screen);
  screens_->setCurrentWidget(screen);
  // The log a removal ended with stays one click away on its result screen.
  if (screen == uninstallingView_ || screen == completedView_ || screen == errorView_) refreshLog();
  header_->setBackVisible(std::holds_alternative<states::Ready>(controller_->state()));
}

bool MainWindow::removalKeepsApp() const {
  // The confirmed record holds only the rows chosen.
  const auto& removed = controller_->currentApp();
  return removed && std::none_of(removed->rows.begin(), removed->rows.end(),
                                 [&](const ListedRow& row) { return row.path == removed->path(); });
}

RemovalPreview MainWindow::removalPreview() const {
  // Only rows chosen on the ready screen say more than their paths.
  const auto* ready = std::get_if<states::Ready>(&controller_->state());
  const RowSelection& rows = controller_->rowSelection();
  const auto& current = controller_->currentApp();
  if (!ready || !current || current->id() != ready->app.id() || rows.size() != ready->app.rows.size())
    return {};
  RemovalPreview preview;
  preview.needsRights = rows.selectedNeedingRights();
  const auto& listed = ready->app.rows;
  // The bundle's row is the last one listed.
  for (std::size_t row = listed.size(); row-- > 0;) {
    if (listed[row].path != ready->app.path()) continue;
    preview.keepsBundle = !rows.isSelected(row);
    break;
  }
  return preview;
}

void MainWindow::showCompleted() {
  const FreedTally& freed = controller_->freed();
  completedView_->setKeepsApp(removalKeepsApp());
  if (!controller_->removesToTrash()) {
    completedView_->setFreed(freed.entries(), freed.bytes(), freed.exact());
    return;
  }
  // Offered until it has run once: a second run would only report each row gone.
  const bool canPutBack = controller_->trashedRemoval() && !controller_->isPuttingBack() &&
                          controller_->putBackLines().empty();
  completedView_->setTrashed(freed.entries(), canPutBack, controller_->putBackLines());
}

void MainWindow::syncConfirmation() {
  if (!controller_->showConfirmation() || confirmation_) return;
  // Opened, never exec()'d: this runs inside the controller's change report.
  RemovalPreview preview = removalPreview();
  preview.trashOffered = controller_->canRemoveToTrash();
  preview.toTrash = settings().value(kTrashSetting, false).toBool();
  auto* dialog = new ConfirmationDialog(controller_->currentApp(), this, preview);
  dialog->setWindowModality(Qt::WindowModal);
  connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
    dialog->deleteLater();
    controller_->dismissConfirmation();
    if (result != QDialog::Accepted) return;
    // The box is remembered between runs once a removal is confirmed with it.
    if (dialog->trashBox()) settings().setValue(kTrashSetting, dialog->toTrash());
    controller_->setRemovesToTrash(dialog->toTrash());
    controller_->confirmUninstall();
  });
  confirmation_ = dialog;
  dialog->open();
}

}  // namespace quillmere::ui
