#pragma once
// Our own artwork for the symbol names the screens use ("arrow.down.app.fill",
// "app.fill", "doc.fill", "lock.fill", "trash.fill", "checkmark.circle.fill",
// "xmark.circle.fill"), drawn from SVGs in ui/symbols/ and tinted.

#include <QColor>
#include <QPixmap>
#include <QString>

namespace quillmere::ui {

// The symbol drawn at `pointSize` (its height in points, like a font size),
// filled with `color`. A null pixmap for an unknown name.
QPixmap symbolPixmap(const QString& name, qreal pointSize, const QColor& color,
                     qreal devicePixelRatio = 1.0);

}  // namespace quillmere::ui
