#pragma once
// A rounded rectangle with continuous corners: the curvature eases into the
// straight edges instead of jumping as a circular arc does. The drop box and
// the filled buttons share it.

#include <QPainterPath>
#include <QRectF>

namespace quillmere::ui {

// `radius` shrinks when the rectangle is too small for the corners to fit.
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);

}  // namespace quillmere::ui
