#pragma once
// The indeterminate progress indicator: twelve fading spokes that turn while
// shown. Drawn `scale` times larger than the space it takes in its layout, so
// the enlargement never moves its neighbours.

#include <QPointer>
#include <QWidget>

namespace quillmere::ui {

class ActivitySpinner : public QWidget {
  Q_OBJECT
public:
  explicit ActivitySpinner(qreal scale = 1.0, QWidget* parent = nullptr);
  ~ActivitySpinner() override;

  QSize sizeHint() const override { return QSize(32, 32); }
  QSize minimumSizeHint() const override { return sizeHint(); }

protected:
  bool event(QEvent* event) override;

private:
  void placeFace();
  QPointer<QWidget> face_;
  qreal scale_;
};

}  // namespace quillmere::ui
