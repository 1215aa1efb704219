#pragma once
// The Mac's text styles and named colours, mapped for Qt. Sizes are points,
// which are logical pixels here, so fonts are set in pixels.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <functional>

class QWidget;

namespace quillmere::ui {

enum class TextStyle { Title2, Headline, Subheadline, Body, Caption };

QFont font(TextStyle style, bool bold = false);
QFont systemFont(qreal pointSize);  // "the system font of size N"

enum class NamedColor {
  Blue, Gray, Red, Green, White,
  Primary, Secondary,             // label colours
  WindowBackground, ControlBackground,
};

// Light or dark variant, following the application palette.
QColor color(NamedColor name);
bool isDarkAppearance();

// Runs `apply` now and again whenever the application palette changes (the
// system switched between light and dark), for as long as `widget` lives.
// For colours a widget keeps rather than looks up when it paints.
void followAppearance(QWidget* widget, std::function<void()> apply);

// Sets `role` of the widget's palette to the named colour, now and after
// every switch between light and dark.
void followPaletteColor(QWidget* widget, QPalette::ColorRole role, NamedColor name);

}  // namespace quillmere::ui
