#include "app/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The drawing lives in a static library's resources, which are registered only
// when asked for by name (and Q_INIT_RESOURCE works only outside a namespace).
static void registerIconResource() { Q_INIT_RESOURCE(app_icon); }

namespace quillmere::app {

QImage renderAppIcon(int pixels) {
  registerIconResource();
  QSvgRenderer renderer(QStringLiteral(":/quillmere/quillmere.svg"));
  if (!renderer.isValid() || pixels <= 0) return {};
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(0, 0, pixels, pixels));
  return image;
}

QIcon appIcon() {
  // Drawn here rather than handed to QIcon as an SVG file: QIcon would need
  // Qt's SVG icon-engine plugin at run time, and without it the window would
  // silently keep the generic icon.
  QIcon icon;
  for (int pixels : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(renderAppIcon(pixels)));
  return icon;
}

}  // namespace quillmere::app
