#include "ui/analyzing_view.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

#include "ui/theme.h"

namespace quillmere::ui {

namespace {
constexpr int kSpokes = 12;
constexpr qreal kNaturalSize = 32;  // the regular spinner's size, before scaling
}  // namespace

Spinner::Spinner(qreal scale, QWidget* parent) : QWidget(parent), scale_(scale) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  timer_.setInterval(1000 / kSpokes);  // one turn a second
  connect(&timer_, &QTimer::timeout, this, [this] {
    step_ = (step_ + 1) % kSpokes;
    update();
  });
}

QSize Spinner::sizeHint() const {
  const int side = static_cast<int>(std::ceil(kNaturalSize * scale_));
  return {side, side};
}

void Spinner::showEvent(QShowEvent*) { timer_.start(); }
void Spinner::hideEvent(QHideEvent*) { timer_.stop(); }

void Spinner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(QRectF(rect()).center());
  painter.scale(scale_, scale_);
  QColor spoke = color(NamedColor::Primary);
  const qreal baseAlpha = spoke.alphaF();
  QPen pen(spoke, kNaturalSize * 0.08, Qt::SolidLine, Qt::RoundCap);
  for (int i = 0; i < kSpokes; ++i) {
    // The spoke at the current step is darkest; the ones behind it fade.
    const int age = (step_ - i + kSpokes) % kSpokes;
    spoke.setAlphaF(static_cast<float>(baseAlpha * (1.0 - 0.75 * age / (kSpokes - 1))));
    pen.setColor(spoke);
    painter.setPen(pen);
    painter.save();
    painter.rotate(360.0 * i / kSpokes);
    painter.drawLine(QPointF(0, -kNaturalSize * 0.24), QPointF(0, -kNaturalSize * 0.44));
    painter.restore();
  }
}

AnalyzingView::AnalyzingView(QWidget* parent) : QWidget(parent) {
  constexpr qreal kScale = 1.5;
  constexpr int kGap = 20;
  auto* spinner = new Spinner(kScale, this);
  spinner->setObjectName(QStringLiteral("spinner"));
  auto* label = new QLabel(tr("Analyzing app..."), this);
  label->setFont(ui::font(TextStyle::Headline));
  label->setAlignment(Qt::AlignCenter);
  // The scale is a drawing effect: the gap of 20 is measured from the
  // spinner's unscaled frame, which the enlarged drawing overhangs by `overhang`
  // on each side. The same amount below the text keeps the stack's centre.
  const int overhang = qRound(kNaturalSize * (kScale - 1) / 2);
  auto* column = new QVBoxLayout(this);
  column->setSpacing(0);
  column->addStretch();
  column->addWidget(spinner, 0, Qt::AlignHCenter);
  column->addSpacing(kGap - overhang);
  column->addWidget(label, 0, Qt::AlignHCenter);
  column->addSpacing(overhang);
  column->addStretch();
}

}  // namespace quillmere::ui
