#pragma once
// The Mac's text styles and named colours, mapped for Qt. Sizes are points,
// which are logical pixels here, so fonts are set in pixels.

#include <QColor>
#include <QFont>

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

}  // namespace quillmere::ui
