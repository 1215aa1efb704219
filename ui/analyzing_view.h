#pragma once
// The analyzing screen: an indeterminate spinner, scaled 1.5, above
// "Analyzing app...".

#include <QTimer>
#include <QWidget>

namespace quillmere::ui {

// A Mac-like activity spinner: twelve spokes whose brightness runs round.
// Turns only while visible.
class Spinner : public QWidget {
  Q_OBJECT
public:
  explicit Spinner(qreal scale = 1.0, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  bool isSpinning() const { return timer_.isActive(); }

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  qreal scale_;
  int step_ = 0;
  QTimer timer_;
};

class AnalyzingView : public QWidget {
  Q_OBJECT
public:
  explicit AnalyzingView(QWidget* parent = nullptr);
};

}  // namespace quillmere::ui
