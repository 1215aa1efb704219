#include "ui/idle_view.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "ui/continuous_corners.h"
#include "ui/spring.h"
#include "ui/symbols.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

constexpr qreal kCornerRadius = 20;
constexpr qreal kLineWidth = 3;
constexpr qreal kDash = 10;
constexpr qreal kSymbolSize = 60;
constexpr qreal kGap = 16;

QColor mix(const QColor& from, const QColor& to, qreal t) {
  t = std::clamp<qreal>(t, 0, 1);
  auto lerp = [t](qreal a, qreal b) { return static_cast<float>(a + (b - a) * t); };
  return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                          lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

QColor restingBorder() {
  QColor gray = color(NamedColor::Gray);
  gray.setAlphaF(gray.alphaF() * 0.5f);
  return gray;
}

// Where `animation` stands: its end value once it has stopped.
qreal valueNow(const QVariantAnimation& animation) {
  return (animation.state() == QAbstractAnimation::Running ? animation.currentValue() : animation.endValue()).toReal();
}

// Starts `animation` towards `end` from wherever it is now.
void retarget(QVariantAnimation& animation, qreal end) {
  const qreal now = animation.currentValue().toReal();
  animation.stop();
  animation.setStartValue(now);
  animation.setEndValue(end);
  animation.start();
}

}  // namespace

IdleView::IdleView(QWidget* parent)
    : QWidget(parent),
      title_(tr("Drag an App Here")),
      caption_(tr("Drag an .app file here to remove the app and its files")) {
  // A small link in the corner, away from the box a drop aims at.
  auto* link = new QPushButton(tr("History"), this);
  link->setObjectName(QStringLiteral("historyLink"));
  link->setFlat(true);
  link->setCursor(Qt::PointingHandCursor);
  link->setFont(ui::font(TextStyle::Caption));
  followPaletteColor(link, QPalette::ButtonText, NamedColor::Blue);
  connect(link, &QPushButton::clicked, this, &IdleView::historyRequested);
  historyLink_ = link;
  auto* layout = new QVBoxLayout(this);
  layout->addStretch();
  auto* corner = new QHBoxLayout;
  corner->addStretch();
  corner->addWidget(link);
  layout->addLayout(corner);

  for (QVariantAnimation* a : {&spring_, &border_}) {
    a->setStartValue(0.0);
    a->setEndValue(0.0);
    connect(a, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
  }
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(title_);
  setToolTip(tr("Or click to choose an app (%1)")
                 .arg(QKeySequence(QKeySequence::Open).toString(QKeySequence::NativeText)));
  spring_.setDuration(kSpringDurationMs);
  spring_.setEasingCurve(springEasing());
  border_.setDuration(kEaseInOutDurationMs);
  border_.setEasingCurve(easeInOut());
}

void IdleView::setTargeted(bool targeted) {
  if (targeted == targeted_) return;
  targeted_ = targeted;
  const qreal end = targeted ? 1.0 : 0.0;
  retarget(spring_, end);
  retarget(border_, end);
  update();
}

qreal IdleView::targetScale() const { return targeted_ ? kTargetedScale : 1.0; }
QColor IdleView::targetBorderColor() const {
  return targeted_ ? color(NamedColor::Blue) : restingBorder();
}
QColor IdleView::targetSymbolColor() const {
  return color(targeted_ ? NamedColor::Blue : NamedColor::Gray);
}

qreal IdleView::currentScale() const { return 1 + (kTargetedScale - 1) * valueNow(spring_); }
QColor IdleView::currentBorderColor() const { return mix(restingBorder(), color(NamedColor::Blue), valueNow(border_)); }
QColor IdleView::currentSymbolColor() const {
  return mix(color(NamedColor::Gray), color(NamedColor::Blue), valueNow(spring_));
}

bool IdleView::isAnimating() const {
  return spring_.state() == QAbstractAnimation::Running ||
         border_.state() == QAbstractAnimation::Running;
}

// Room for the box at its largest scale, so the grown stroke is never clipped.
QSize IdleView::minimumSizeHint() const {
  return QSize(static_cast<int>(std::ceil(kBoxSize.width() * kTargetedScale)) + 4,
               static_cast<int>(std::ceil(kBoxSize.height() * kTargetedScale)) + 4);
}
QSize IdleView::sizeHint() const { return minimumSizeHint(); }

QRectF IdleView::boxRect() const {
  QRectF box(QPointF(), kBoxSize);
  box.moveCenter(QRectF(rect()).center());
  return box;
}

bool IdleView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip &&
      !boxRect().contains(static_cast<QHelpEvent*>(event)->pos())) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  return QWidget::event(event);
}

void IdleView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton && boxRect().contains(event->position());
  QWidget::mousePressEvent(event);
}

void IdleView::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release on the box, as for a button.
  const bool clicked = pressed_ && event->button() == Qt::LeftButton && boxRect().contains(event->position());
  pressed_ = false;
  if (clicked) emit chooseRequested();
  QWidget::mouseReleaseEvent(event);
}

void IdleView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool opens = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
  if (opens && !(event->modifiers() & ~Qt::KeypadModifier))
    emit chooseRequested();
  else
    QWidget::keyPressEvent(event);
}

void IdleView::focusInEvent(QFocusEvent* event) {
  // The ring marks where the keyboard is, as on the Mac: not shown for a
  // click; focus that comes back with the window (the file dialog closed)
  // keeps what it had.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
  QWidget::focusInEvent(event);
}

void IdleView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);

  // The scale is a drawing transform about the box's centre; the layout never
  // sees it.
  const QPointF centre = QRectF(rect()).center();
  if (hasFocus() && keyboardFocus_) {
    // The keyboard's place, as the Mac draws it: a soft accent ring just
    // outside the box, which the box's growth never covers (no drag comes
    // from the keyboard).
    QColor ring = color(NamedColor::Blue);
    ring.setAlphaF(0.5f);
    painter.setPen(QPen(ring, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(continuousRoundedRect(boxRect().adjusted(-2.5, -2.5, 2.5, 2.5), kCornerRadius + 2.5));
  }
  const qreal scale = currentScale();
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-centre);

  const QRectF box = boxRect();

  // The stroke lies inside the box: the path is inset by half the line width.
  QPen pen(currentBorderColor(), kLineWidth, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
  pen.setDashPattern({kDash / kLineWidth, kDash / kLineWidth});  // in units of the width
  pen.setMiterLimit(10);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const qreal inset = kLineWidth / 2;
  painter.drawPath(continuousRoundedRect(box.adjusted(inset, inset, -inset, -inset),
                                         kCornerRadius - inset));

  const QFont titleFont = ui::font(TextStyle::Title2);
  const QFont captionFont = ui::font(TextStyle::Caption);
  const qreal titleHeight = QFontMetricsF(titleFont).height();
  const qreal captionHeight = QFontMetricsF(captionFont).height();
  const QPixmap symbol = symbolPixmap(QStringLiteral("arrow.down.app.fill"), kSymbolSize,
                                      currentSymbolColor(), devicePixelRatioF() * kTargetedScale);
  const QSizeF symbolSize = symbol.deviceIndependentSize();

  const qreal stackHeight = symbolSize.height() + kGap + titleHeight + kGap + captionHeight;
  qreal y = centre.y() - stackHeight / 2;
  painter.drawPixmap(QPointF(centre.x() - symbolSize.width() / 2, y), symbol);
  y += symbolSize.height() + kGap;

  painter.setPen(color(NamedColor::Primary));
  painter.setFont(titleFont);
  painter.drawText(QRectF(box.left(), y, box.width(), titleHeight), Qt::AlignCenter, title_);
  y += titleHeight + kGap;

  painter.setPen(color(NamedColor::Secondary));
  painter.setFont(captionFont);
  painter.drawText(QRectF(box.left(), y, box.width(), captionHeight), Qt::AlignCenter, caption_);
}

}  // namespace quillmere::ui
