#pragma once
// The strip above the content area: the support link centred between two
// spacers, and the blue back button at the right end while an app is shown.

#include <QWidget>

class QAbstractButton;

namespace quillmere::ui {

class HeaderView : public QWidget {
  Q_OBJECT
public:
  explicit HeaderView(QWidget* parent = nullptr);

  void setBackVisible(bool visible);
  QAbstractButton* supportLink() const { return supportLink_; }
  QAbstractButton* backButton() const { return backButton_; }

signals:
  void backRequested();  // "Choose Another App"

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  // Puts the bare address on the clipboard, then confirms with a modal alert.
  void copySupportAddress();

  QAbstractButton* supportLink_;
  QAbstractButton* backButton_;
};

}  // namespace quillmere::ui
