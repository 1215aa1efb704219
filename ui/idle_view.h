#pragma once
// The idle screen: the dashed drop box that invites a drag and reacts while
// one hovers over the window. It grows to 1.05 and turns blue while targeted,
// on a spring; the border's colour follows its own 0.2 s ease-in-out. A click
// on the box, or Return or Space while it has the keyboard focus, asks for
// the file dialog instead.

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>

class QAbstractButton;

namespace quillmere::ui {

class IdleView : public QWidget {
  Q_OBJECT
public:
  static constexpr QSizeF kBoxSize{350, 250};
  static constexpr qreal kTargetedScale = 1.05;

  explicit IdleView(QWidget* parent = nullptr);

  void setTargeted(bool targeted);
  bool isTargeted() const { return targeted_; }

  // Where the animations are heading.
  qreal targetScale() const;
  QColor targetBorderColor() const;
  QColor targetSymbolColor() const;

  // What is drawn now.
  qreal currentScale() const;
  QColor currentBorderColor() const;
  QColor currentSymbolColor() const;
  bool isAnimating() const;

  // The two lines drawn inside the box.
  const QString& title() const { return title_; }
  const QString& caption() const { return caption_; }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;
  // The drop box's area in the view, unscaled.
  QRectF boxRect() const;

  // "History": the past removals, in a dialog of their own.
  QAbstractButton* historyLink() const { return historyLink_; }

signals:
  void chooseRequested();
  void historyRequested();

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;  // the tooltip, over the box only
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

private:
  QAbstractButton* historyLink_;
  QString title_;
  QString caption_;
  bool targeted_ = false;
  QVariantAnimation spring_;  // 0 resting, 1 targeted; may overshoot slightly
  QVariantAnimation border_;  // 0 resting, 1 targeted
  bool pressed_ = false;
  bool keyboardFocus_ = false;
};

}  // namespace quillmere::ui
