#include "ui/screens/screen_parts.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTextLayout>
#include <QVBoxLayout>

#include "ui/continuous_corners.h"
#include "ui/symbols.h"

namespace quillmere::ui {

namespace {

qreal screenPixelRatio() { return qApp ? qApp->devicePixelRatio() : 1.0; }

// Breaks the layout's text into lines of `width`; returns the total height.
qreal layOut(QTextLayout& layout, const QTextOption& option, qreal width) {
  layout.setTextOption(option);
  layout.beginLayout();
  qreal y = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout.endLayout();
  return y;
}

}  // namespace

QLabel* symbolLabel(const QString& name, qreal pointSize, NamedColor tint, QWidget* parent) {
  auto* label = new QLabel(parent);
  followAppearance(label, [=] { label->setPixmap(symbolPixmap(name, pointSize, color(tint), screenPixelRatio())); });
  label->setAlignment(Qt::AlignCenter);
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return label;
}

QLabel* textLabel(const QString& text, const QFont& font, NamedColor ink, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  followPaletteColor(label, QPalette::WindowText, ink);
  return label;
}

WrappedText::WrappedText(QWidget* parent) : QWidget(parent) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void WrappedText::setText(const QString& text) {
  text_ = text;
  // A text layout breaks lines only at the Unicode line separator.
  shown_ = text;
  shown_.replace(QLatin1Char('\n'), QChar::LineSeparator);
  updateGeometry();
  update();
}

void WrappedText::setTextColor(NamedColor c) {
  color_ = c;
  update();
}

WrappedText* wrappedText(const QString& name, const QFont& font, NamedColor color, QWidget* parent) {
  auto* text = new WrappedText(parent);
  text->setObjectName(name);
  text->setFont(font);
  text->setTextColor(color);
  return text;
}

QTextOption WrappedText::option() const {
  QTextOption option(Qt::AlignHCenter);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  return option;
}

int WrappedText::heightForWidth(int width) const {
  if (shown_.isEmpty()) return 0;
  QTextLayout layout(shown_, font());
  return qCeil(layOut(layout, option(), qMax(width, 1)));
}

QSize WrappedText::sizeHint() const {
  // As wide as the text wants on one line per paragraph; the layout narrows it.
  const QFontMetrics metrics(font());
  int width = 0;
  for (const QString& line : text_.split(QLatin1Char('\n')))
    width = qMax(width, metrics.horizontalAdvance(line));
  return QSize(width + 1, heightForWidth(width + 1));
}

QSize WrappedText::minimumSizeHint() const {
  return QSize(0, heightForWidth(width() > 0 ? width() : sizeHint().width()));
}

QStringList WrappedText::lines() const {
  QTextLayout layout(shown_, font());
  layOut(layout, option(), qMax(width(), 1));
  QStringList result;
  for (int i = 0; i < layout.lineCount(); ++i)
    result << text_.mid(layout.lineAt(i).textStart(), layout.lineAt(i).textLength());
  return result;
}

void WrappedText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(color(color_));
  QTextLayout layout(shown_, font());
  layOut(layout, option(), width());
  layout.draw(&painter, QPointF(0, 0));
}

void WrappedText::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) updateGeometry();
  QWidget::changeEvent(event);
}

KeyboardButton::KeyboardButton(QWidget* parent) : QAbstractButton(parent) { setFocusPolicy(Qt::TabFocus); }

void KeyboardButton::keyPressEvent(QKeyEvent* event) {
  // Enter is the keypad's Return.
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return QAbstractButton::keyPressEvent(event);
  if (!event->isAutoRepeat()) animateClick();
}

void KeyboardButton::focusInEvent(QFocusEvent* event) {
  keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  QAbstractButton::focusInEvent(event);
}

FilledButton::FilledButton(const QString& text, NamedColor fill, QWidget* parent)
    : KeyboardButton(parent), fill_(fill) {
  setText(text);
  setFont(ui::font(TextStyle::Body));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize FilledButton::sizeHint() const {
  const QFontMetrics metrics(font());
  int width = metrics.horizontalAdvance(text()) + 28;
  if (!symbol_.isEmpty()) width += metrics.height() + 6;
  return QSize(width, metrics.height() + 8);
}

QPainterPath FilledButton::shape() const { return continuousRoundedRect(QRectF(rect()), radius_); }

void FilledButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.4);  // nothing to do: faded, as the Mac shows it
  QColor fill = color(fill_);
  if (isDown()) fill = fill.darker(125);
  const QPainterPath filled = shape();
  painter.fillPath(filled, fill);
  if (showsFocusRing()) {
    QColor ring = color(NamedColor::Blue);
    ring.setAlpha(110);
    painter.setPen(QPen(ring, 2));
    painter.drawPath(filled);
    // A blue ring vanishes on a blue button: a light line inside it shows on any fill.
    QColor inner = color(NamedColor::White);
    inner.setAlpha(220);
    painter.setPen(QPen(inner, 1.5));
    painter.drawPath(continuousRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), qMax(radius_ - 2.5, 0.0)));
  }

  const QColor foreground = color(NamedColor::White);
  const QFontMetrics metrics(font());
  QPixmap symbol;
  if (!symbol_.isEmpty())
    symbol = symbolPixmap(symbol_, metrics.height() * 0.9, foreground, devicePixelRatioF());
  const qreal symbolWidth = symbol.isNull() ? 0 : symbol.width() / symbol.devicePixelRatio();
  const qreal gap = symbol.isNull() ? 0 : 8;
  const qreal contentWidth = symbolWidth + gap + metrics.horizontalAdvance(text());
  qreal x = (width() - contentWidth) / 2;
  if (!symbol.isNull()) {
    const qreal symbolHeight = symbol.height() / symbol.devicePixelRatio();
    painter.drawPixmap(QPointF(x, (height() - symbolHeight) / 2), symbol);
    x += symbolWidth + gap;
  }
  painter.setPen(foreground);
  painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

PlainButton::PlainButton(const QString& text, NamedColor textColor, const QFont& font, bool shrinkable, QWidget* parent)
    : KeyboardButton(parent), textColor_(textColor), shrinkable_(shrinkable) {
  setText(text);
  setFont(font);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize PlainButton::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
}

QSize PlainButton::minimumSizeHint() const {
  if (!shrinkable_) return sizeHint();
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(QStringLiteral("…")) + 2, metrics.height()};
}

void PlainButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor ink = color(textColor_);
  if (isDown()) ink.setAlphaF(ink.alphaF() * 0.6f);  // the pressed look of a plain button
  painter.setPen(ink);
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, width());
  painter.drawText(rect(), Qt::AlignCenter, shown);
  // A label alone shows no focus: Tab would seem to go nowhere.
  if (showsFocusRing()) {
    QColor ring = color(NamedColor::Blue);
    ring.setAlpha(110);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ring, 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  }
}

FilledButton* prominentButton(const QString& text, QWidget* parent) {
  return new FilledButton(text, NamedColor::Blue, parent);
}

void centreVertically(QWidget* screen, QWidget* content) {
  auto* outer = new QVBoxLayout(screen);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addStretch(1);
  content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  outer->addWidget(content);
  outer->addStretch(1);
}

}  // namespace quillmere::ui
