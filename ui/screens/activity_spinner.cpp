#include "ui/screens/activity_spinner.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

#include "ui/theme.h"

namespace quillmere::ui {

// The face lives beside the spinner in its parent rather than inside it: a
// child is clipped to its parent, and the face is larger than the spinner's
// place in the layout.
namespace {

class SpinnerFace : public QWidget {
public:
  SpinnerFace() {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    timer_.setInterval(1000 / kSpokes);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      step_ = (step_ + 1) % kSpokes;
      update();
    });
  }

protected:
  void showEvent(QShowEvent*) override { timer_.start(); }
  void hideEvent(QHideEvent*) override { timer_.stop(); }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor spoke = color(NamedColor::Primary);
    for (int i = 0; i < kSpokes; ++i) {
      // The spoke at the current step is darkest; the ones behind it fade.
      const int age = (step_ - i + kSpokes) % kSpokes;
      spoke.setAlphaF(0.85 * (1.0 - age / qreal(kSpokes)) + 0.1);
      painter.setPen(QPen(spoke, side * 0.08, Qt::SolidLine, Qt::RoundCap));
      painter.save();
      painter.rotate(i * 360.0 / kSpokes);
      painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
      painter.restore();
    }
  }

private:
  static constexpr int kSpokes = 12;
  QTimer timer_;
  int step_ = 0;
};

}  // namespace

ActivitySpinner::ActivitySpinner(qreal scale, QWidget* parent)
    : QWidget(parent), face_(new SpinnerFace), scale_(scale) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  face_->hide();
  if (parent) face_->setParent(parent);
}

ActivitySpinner::~ActivitySpinner() {
  // The face is our parent's child, not ours; it goes with us. When the
  // parent is being destroyed it may already be gone.
  delete face_.data();
}

void ActivitySpinner::placeFace() {
  if (!face_->parentWidget()) return;
  const QSize size = (QSizeF(this->size()) * scale_).toSize();
  QRect rect(QPoint(0, 0), size);
  rect.moveCenter(geometry().center());
  face_->setGeometry(rect);
  face_->raise();
}

bool ActivitySpinner::event(QEvent* event) {
  if (!face_) return QWidget::event(event);
  switch (event->type()) {
    case QEvent::ParentChange:
      face_->setParent(parentWidget());
      placeFace();
      if (isVisible()) face_->show();
      break;
    case QEvent::Move:
    case QEvent::Resize:
      placeFace();
      break;
    case QEvent::Show:
      placeFace();
      face_->show();
      break;
    case QEvent::Hide:
      face_->hide();
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

}  // namespace quillmere::ui
