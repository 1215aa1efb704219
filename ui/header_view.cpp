#include "ui/header_view.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>

#include "ui/support_address.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

constexpr int kPadding = 16;
constexpr int kRowSpacing = 8;

// A button that draws only its label, in one named colour. A shrinkable one,
// when the row is too narrow, ends its label in "…" instead of being cut off at
// both ends.
class PlainButton : public QAbstractButton {
public:
  PlainButton(const QString& text, NamedColor textColor, const QFont& font, bool shrinkable,
              QWidget* parent)
      : QAbstractButton(parent), textColor_(textColor), shrinkable_(shrinkable) {
    setText(text);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Reached by Tab, not taken by a click, as the screens' buttons.
    setFocusPolicy(Qt::TabFocus);
  }

  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
  }
  QSize minimumSizeHint() const override {
    if (!shrinkable_) return sizeHint();
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("…")) + 2, metrics.height()};
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QColor ink = color(textColor_);
    if (isDown()) ink.setAlphaF(ink.alphaF() * 0.6f);  // the pressed look of a plain button
    painter.setPen(ink);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignCenter, shown);
    // A label alone shows no focus: Tab would seem to go nowhere.
    if (hasFocus() && keyboardFocus_) {
      QColor ring = color(NamedColor::Blue);
      ring.setAlpha(110);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setPen(QPen(ring, 1));
      painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
  }
  void focusInEvent(QFocusEvent* event) override {
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
  }

private:
  bool keyboardFocus_ = false;
  NamedColor textColor_;
  bool shrinkable_;
};

}  // namespace

HeaderView::HeaderView(QWidget* parent)
    : QWidget(parent),
      supportLink_(new PlainButton(
          tr("Help: %1 (support and instructions only)").arg(QString::fromUtf8(kSupportAddress)),
          NamedColor::Gray, systemFont(12), true, this)),
      backButton_(new PlainButton(tr("Choose Another App"), NamedColor::Blue,
                                  ui::font(TextStyle::Body), false, this)) {
  supportLink_->setObjectName(QStringLiteral("supportLink"));
  backButton_->setObjectName(QStringLiteral("backButton"));
  backButton_->hide();

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  row->setSpacing(kRowSpacing);
  row->addStretch();
  row->addWidget(supportLink_, 0, Qt::AlignVCenter);
  row->addStretch();
  row->addWidget(backButton_, 0, Qt::AlignVCenter);

  connect(supportLink_, &QAbstractButton::clicked, this, &HeaderView::copySupportAddress);
  connect(backButton_, &QAbstractButton::clicked, this, &HeaderView::backRequested);
}

void HeaderView::setBackVisible(bool visible) { backButton_->setVisible(visible); }

void HeaderView::paintEvent(QPaintEvent*) {
  // Painted rather than set in the palette, so it follows a change between
  // light and dark at once.
  QPainter(this).fillRect(rect(), color(NamedColor::ControlBackground));
}

void HeaderView::copySupportAddress() {
  const QString address = QString::fromUtf8(kSupportAddress);
  QApplication::clipboard()->setText(address);  // replaces whatever was there

  QMessageBox alert(this);
  alert.setText(tr("Address Copied"));
  alert.setInformativeText(tr("%1 has been copied to the clipboard.").arg(address));
  alert.addButton(tr("OK"), QMessageBox::AcceptRole);
  // The address is copied to be typed or pasted elsewhere: it stays whole on
  // one line, the alert widens to fit it.
  if (auto* informative = alert.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
    informative->setWordWrap(false);
  alert.setWindowModality(Qt::ApplicationModal);
  alert.exec();
}

}  // namespace quillmere::ui
