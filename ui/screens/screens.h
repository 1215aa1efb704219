#pragma once
// The screens of the ready, uninstalling, completed and error states, and the
// confirmation dialog. Each only shows what it is given and reports its button
// through a signal; ContentView wires them to the SessionController.

#include <QDialog>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "model/app_info.h"

namespace quillmere::ui {

class ReadyView : public QWidget {
  Q_OBJECT
public:
  explicit ReadyView(QWidget* parent = nullptr);
  void setApp(const AppInfo& app);
signals:
  void uninstallRequested();  // "卸载应用"
};

class UninstallingView : public QWidget {
  Q_OBJECT
public:
  explicit UninstallingView(QWidget* parent = nullptr);
  // Shows these lines; cheap when the list only grew (appends the new tail).
  void setLog(const std::vector<std::string>& lines);
};

class CompletedView : public QWidget {
  Q_OBJECT
public:
  explicit CompletedView(QWidget* parent = nullptr);
signals:
  void resetRequested();  // "返回清理其它应用程序"
};

class ErrorView : public QWidget {
  Q_OBJECT
public:
  explicit ErrorView(QWidget* parent = nullptr);
  void setMessage(const std::string& message);
signals:
  void retryRequested();  // "Retry"
};

// "确认卸载": accepted() for "确认清理", rejected() for "取消" or Escape.
// The message names the app and its count only when currentApp is present.
class ConfirmationDialog : public QDialog {
  Q_OBJECT
public:
  ConfirmationDialog(const std::optional<AppInfo>& currentApp, QWidget* parent = nullptr);
};

}  // namespace quillmere::ui
