#include "ui/continuous_corners.h"

#include <algorithm>

namespace quillmere::ui {

// Each corner is three cubic segments reaching 1.5287 radii along both edges.
QPainterPath continuousRoundedRect(const QRectF& r, qreal radius) {
  radius = std::min(radius, std::min(r.width(), r.height()) / 2 / 1.52866483);
  struct Corner {
    QPointF at, in, out;  // corner point, direction of travel before and after it
  };
  const Corner corners[] = {
      {r.topRight(), {1, 0}, {0, 1}},
      {r.bottomRight(), {0, 1}, {-1, 0}},
      {r.bottomLeft(), {-1, 0}, {0, -1}},
      {r.topLeft(), {0, -1}, {1, 0}},
  };
  // (distance back along the incoming edge, distance along the outgoing edge)
  auto at = [radius](const Corner& c, qreal back, qreal forward) {
    return c.at - c.in * (back * radius) + c.out * (forward * radius);
  };
  QPainterPath path;
  path.moveTo(at(corners[3], 0, 1.52866483));
  for (const Corner& c : corners) {
    path.lineTo(at(c, 1.52866483, 0));
    path.cubicTo(at(c, 1.08849296, 0), at(c, 0.86840694, 0), at(c, 0.63149379, 0.07491139));
    path.cubicTo(at(c, 0.37282383, 0.16905956), at(c, 0.16905956, 0.37282383),
                 at(c, 0.07491139, 0.63149379));
    path.cubicTo(at(c, 0, 0.86840694), at(c, 0, 1.08849296), at(c, 0, 1.52866483));
  }
  path.closeSubpath();
  return path;
}

}  // namespace quillmere::ui
