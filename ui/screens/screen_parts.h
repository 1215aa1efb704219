#pragma once
// Small pieces the screens share: a symbol image, a wrapping text block that
// never widens its screen, and a filled rounded button.

#include <QAbstractButton>
#include <QLabel>
#include <QPainterPath>
#include <QString>
#include <QTextOption>
#include <QWidget>

#include "ui/theme.h"

namespace quillmere::ui {

// A label showing the symbol `name` at `pointSize` in `color`, at its natural
// size. Named colours follow a switch between light and dark.
QLabel* symbolLabel(const QString& name, qreal pointSize, NamedColor color,
                    QWidget* parent = nullptr);

// A single-line label for a fixed interface text.
QLabel* textLabel(const QString& text, const QFont& font, NamedColor color,
                  QWidget* parent = nullptr);

// Plain text (never rich text: names and messages are data), its lines centred,
// wrapped at word boundaries or anywhere inside a word too long for the width,
// so a long unbroken name or path can never force its screen wider than the window.
class WrappedText : public QWidget {
  Q_OBJECT
public:
  explicit WrappedText(QWidget* parent = nullptr);
  void setText(const QString& text);
  QString text() const { return text_; }
  void setTextColor(NamedColor color);

  // The lines as laid out at the current width, for tests and pictures.
  QStringList lines() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  QTextOption option() const;
  QString text_;
  QString shown_;
  NamedColor color_ = NamedColor::Primary;
};

// A WrappedText named `name`, in `font` and `color`.
WrappedText* wrappedText(const QString& name, const QFont& font, NamedColor color, QWidget* parent);

// A button reached by Tab, not taken by a click, that Return presses too, as
// it does on the desktops here (Qt's own buttons take it only inside a dialog).
class KeyboardButton : public QAbstractButton {
public:
  explicit KeyboardButton(QWidget* parent);
  // Only focus that came from the keyboard is drawn, as on the Mac: focus
  // handed back when a dialog closes, or taken by a click, shows no ring.
  bool showsFocusRing() const { return hasFocus() && keyboardFocus_; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

private:
  bool keyboardFocus_ = false;
};

// A button drawn as a filled rounded rectangle with an optional leading
// symbol; the whole filled area takes clicks. Used for the red delete button
// and for the accent-filled ("bordered prominent") buttons.
class FilledButton : public KeyboardButton {
  Q_OBJECT
public:
  FilledButton(const QString& text, NamedColor fill, QWidget* parent = nullptr);
  void setSymbol(const QString& name) { symbol_ = name; updateGeometry(); update(); }
  void setCornerRadius(qreal radius) { radius_ = radius; update(); }
  QSize sizeHint() const override;
  // The filled area: a rounded rectangle with continuous corners.
  QPainterPath shape() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  NamedColor fill_;
  QString symbol_;
  qreal radius_ = 6;
};

// A button that draws only its label, in one named colour, and a ring when
// the keyboard brought the focus. A shrinkable one, when the row is too
// narrow, ends its label in "…" instead of being cut off at both ends.
class PlainButton : public KeyboardButton {
  Q_OBJECT
public:
  PlainButton(const QString& text, NamedColor textColor, const QFont& font, bool shrinkable,
              QWidget* parent = nullptr);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  NamedColor textColor_;
  bool shrinkable_;
};

// The accent-filled button with white text of the result screens.
FilledButton* prominentButton(const QString& text, QWidget* parent = nullptr);

// Keeps `content` at its natural height, centred vertically in `screen`, and
// lets it shrink when the screen is shorter than that.
void centreVertically(QWidget* screen, QWidget* content);

}  // namespace quillmere::ui
