#pragma once
// "History": the past removals, newest first, and putting a trashed one back.
// Reading the history and putting back run in the background through the
// controller; the dialog only shows what it reports.

#include <QDialog>

#include "session/session_controller.h"

class QAbstractButton;
class QListWidget;
class QLabel;

namespace quillmere::ui {

class WrappedText;

class HistoryDialog : public QDialog {
  Q_OBJECT
public:
  HistoryDialog(SessionController& controller, QWidget* parent = nullptr);
  // The controller's history or put-back lines changed.
  void refresh();
  QListWidget* list() const { return list_; }
  QAbstractButton* putBackButton() const { return putBack_; }

private:
  void updateButton();
  SessionController& controller_;
  QListWidget* list_;
  QAbstractButton* putBack_;
  WrappedText* lines_;
};

}  // namespace quillmere::ui
