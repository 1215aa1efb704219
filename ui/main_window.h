#pragma once
// The window's whole content, 500 × 450 at first and resizable within the
// screen's free area: the header above the content area where the drop zone
// lies beneath the screen of the current session state. Owns the session controller and re-renders on each
// change it reports.

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "session/session_controller.h"

class QLabel;
class QUrl;
class QTimer;
class QStackedLayout;

namespace quillmere::ui {

class AnalyzingView;
class AppChooser;
class CompletedView;
class ConfirmationDialog;
struct RemovalPreview;
class DropZone;
class ErrorView;
class FileRevealer;
class HeaderView;
class HistoryDialog;
class IdleView;
class ReadyView;
class UninstallingView;

class MainWindow : public QWidget {
  Q_OBJECT
public:
  static constexpr QSize kSize{500, 450};  // the first size, screen allowing

  // The app passes a QtDispatcher and SessionServices::standard(...); tests
  // pass a hand-stepped dispatcher and fakes. Without a revealer, the
  // system's file manager shows the entries.
  MainWindow(std::shared_ptr<Dispatcher> dispatcher, SessionServices services,
             QWidget* parent = nullptr, std::shared_ptr<FileRevealer> revealer = nullptr);
  ~MainWindow() override;

  SessionController& controller() { return *controller_; }
  // The home and system root the search looks in (bytes): rows in the home
  // are shown from "~", and the chooser opens in their Applications folder.
  // The user's own home and "/" until told otherwise.
  void setFolders(std::string home, const std::string& systemRoot);
  // Hands the app at `path` (absolute, bytes) over exactly as a drop of it.
  void openApp(const std::string& path);
  // Opens the file dialog that chooses an app (a click on the drop box,
  // Ctrl+O); its choice is handed over as a drop.
  void chooseApp();
  AppChooser* appChooser() const;  // while open

  HeaderView* header() const { return header_; }
  DropZone* dropZone() const { return dropZone_; }
  IdleView* idleView() const { return idleView_; }
  QWidget* currentScreen() const;
  ConfirmationDialog* confirmationDialog() const;
  HistoryDialog* historyDialog() const;  // while "History" is open
  // A short message just below the header, gone after a few seconds.
  void showNotice(const QString& text);

protected:
  void showEvent(QShowEvent* event) override;

private:
  // Bounds the window by its screen's free area and its content's needs.
  void fitScreen();
  void onChange(SessionField field);
  void showState();
  void handOver(const QUrl& fileUrl);  // as a drop of that one URL
  void syncConfirmation();
  void showCompleted();
  // What the dialog adds for rows chosen on the ready screen.
  RemovalPreview removalPreview() const;
  // Whether the removal running or ended leaves the app's own bundle.
  bool removalKeepsApp() const;
  void refreshLog();

  std::unique_ptr<SessionController> controller_;
  std::shared_ptr<FileRevealer> revealer_;
  HeaderView* header_;
  DropZone* dropZone_;
  QStackedLayout* screens_;
  IdleView* idleView_;
  AnalyzingView* analyzingView_;
  ReadyView* readyView_;
  UninstallingView* uninstallingView_;
  CompletedView* completedView_;
  ErrorView* errorView_;
  QPointer<ConfirmationDialog> confirmation_;
  QPointer<HistoryDialog> history_;
  QPointer<AppChooser> chooser_;
  QTimer* logRefresh_;  // gathers the log's growth into one repaint per frame
  QLabel* notice_;
  QTimer* noticeTimeout_;
  bool fitted_ = false;  // given its first size
  QStringList appsFolders_;  // where the chooser may open, in order
};

}  // namespace quillmere::ui
