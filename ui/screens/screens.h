#pragma once
// The screens of the ready, uninstalling, completed and error states, and the
// confirmation dialog. Each only shows what it is given and reports its button
// through a signal; MainWindow wires them to the SessionController.

#include <QDialog>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/app_info.h"
#include "removal/uninstaller.h"

namespace quillmere {
class RowSelection;
}

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace quillmere::ui {

class FilledButton;
class PathListModel;
class PathListView;
class RemovalLog;
class SearchNotices;
class WrappedText;

class ReadyView : public QWidget {
  Q_OBJECT
public:
  explicit ReadyView(QWidget* parent = nullptr);
  // Shows `app` with the selection and sizes of `rows`, both of which the
  // caller keeps alive and unchanged until clear() or the next setApp (no
  // copy: a record may list 100,000 paths); without rows every row is
  // selected and no size is shown.
  void setApp(const AppInfo& app, const RowSelection* rows = nullptr, bool measuring = false);
  // Forgets the record, before its owner lets it go.
  void clear();
  // The rows' selection or sizes changed; `measuring` while sizes may still come.
  void refreshRows(bool measuring);
  // The record shown, the one "Uninstall App" asks to remove.
  const AppInfo* app() const { return app_; }
  // Paths inside `home` are shown from "~".
  void setHome(const std::string& home);
signals:
  void uninstallRequested();  // "Uninstall App"
  void toggleRequested(int row);  // a row's marker clicked, or Space
  // "Select all" / "Select none": the rows the filter shows, all when none.
  void selectRowsRequested(const std::vector<std::size_t>& rows, bool selected);
  void revealRequested(int row);  // a row double-clicked, or Return

private:
  void showIcon();  // the app's own, or the blue "app.fill" symbol in the current appearance
  const AppInfo* app_ = nullptr;
  const RowSelection* rows_ = nullptr;
  QLabel* icon_;
  WrappedText* name_;
  WrappedText* identifier_;
  QLabel* heading_;
  QLabel* total_;
  QLineEdit* filter_;
  PathListView* list_;
  PathListModel* paths_;
  SearchNotices* notices_;
  FilledButton* uninstall_;
};

class UninstallingView : public QWidget {
  Q_OBJECT
public:
  explicit UninstallingView(QWidget* parent = nullptr);
  // Shows these lines; cheap when the list only grew (appends the new tail).
  // At most `maxNew` lines are added in one call; returns whether every line
  // is now shown.
  bool setLog(const std::vector<std::string>& lines, size_t maxNew = SIZE_MAX);
  RemovalLog* log() const { return log_; }
  // A removal that keeps the app deletes rather than uninstalls.
  void setKeepsApp(bool keepsApp);

private:
  QLabel* heading_;
  RemovalLog* log_;
};

class CompletedView : public QWidget {
  Q_OBJECT
public:
  explicit CompletedView(QWidget* parent = nullptr);
  // The line under the texts: how many entries went and what that freed.
  void setFreed(std::size_t entries, std::uint64_t bytes, bool exact);
  // A removal to the Trash: how many entries went there, and "Put back" while
  // `canPutBack`; `lines` are what putting back said of each row.
  void setTrashed(std::size_t entries, bool canPutBack, const std::vector<std::string>& lines);
  QAbstractButton* putBackButton() const { return putBack_; }
  // A removal that kept the app ends as a deletion.
  void setKeepsApp(bool keepsApp);
  // The removal's log, behind "Show details".
  RemovalLog* log() const { return log_; }
signals:
  void resetRequested();  // "Uninstall Another App"
  void putBackRequested();

private:
  QLabel* title_;
  QLabel* freed_;
  QAbstractButton* putBack_;
  WrappedText* putBackLines_;
  RemovalLog* log_;
};

class ErrorView : public QWidget {
  Q_OBJECT
public:
  explicit ErrorView(QWidget* parent = nullptr);
  // `fromRemoval`: a removal ended here (else the drop or the analysis did),
  // leaving `failed` undeleted, each with its reason.
  void setError(const std::string& message, bool fromRemoval = false,
                const std::vector<RowEvent>& failed = {});
  void setMessage(const std::string& message) { setError(message); }
  // The removal's log, behind "Show details"; only after a removal.
  RemovalLog* log() const { return log_; }
  // One row per failed entry: its path, then why it is still there.
  QListWidget* failedRows() const { return failed_; }
  // Paths inside `home` are shown from "~".
  void setHome(const std::string& home) { home_ = home; }
  // A message from the core, in the window's language.
  static QString messageText(const std::string& message);
signals:
  void retryRequested();  // "Retry"

private:
  QLabel* title_;
  WrappedText* message_;
  QListWidget* failed_;
  std::string home_;
  QAbstractButton* details_;
  RemovalLog* log_;
};

// Why a row is still there, in words.
QString failReasonText(FailReason reason);

// What the ready screen knows of a removal beyond its paths.
struct RemovalPreview {
  bool keepsBundle = false;     // the bundle's own row was left out
  std::size_t needsRights = 0;  // rows whose deletion will ask for a password
  bool trashOffered = false;    // the removal can move its rows to the Trash instead
  bool toTrash = false;         // the box starts ticked
};

// "Confirm Uninstall": accepted() for "Uninstall", rejected() for "Cancel" or Escape.
// The message names the app and its count only when currentApp is present.
class ConfirmationDialog : public QDialog {
  Q_OBJECT
public:
  ConfirmationDialog(const std::optional<AppInfo>& currentApp, QWidget* parent = nullptr,
                     RemovalPreview preview = {});
  QAbstractButton* confirmButton() const { return confirm_; }  // "Uninstall"
  QAbstractButton* cancelButton() const { return cancel_; }    // "Cancel"
  // The message line; empty when there is no current app.
  QString message() const;
  // "Move to the Trash instead": null when the Trash is not offered.
  QCheckBox* trashBox() const { return trashBox_; }
  bool toTrash() const;

private:
  void sayWhatHappens();
  QAbstractButton* confirm_;
  QAbstractButton* cancel_;
  WrappedText* message_ = nullptr;
  WrappedText* rights_ = nullptr;
  QCheckBox* trashBox_ = nullptr;
  QString name_;
  int count_ = 0;
  RemovalPreview preview_;
};

}  // namespace quillmere::ui
