#include "ui/symbols.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library are not registered until someone asks.
static void ensureSymbolResources() {
  [[maybe_unused]] static const bool registered = [] {
    Q_INIT_RESOURCE(symbols);
    return true;
  }();
}

namespace quillmere::ui {

QPixmap symbolPixmap(const QString& name, qreal pointSize, const QColor& color,
                     qreal devicePixelRatio) {
  ensureSymbolResources();
  const QString file = QStringLiteral(":/symbols/%1.svg").arg(name);
  if (!QFile::exists(file)) return {};
  QSvgRenderer renderer(file);
  if (!renderer.isValid()) return {};
  const QSizeF natural = renderer.defaultSize();
  const qreal height = pointSize;
  const qreal width = natural.height() > 0 ? height * natural.width() / natural.height() : height;
  QPixmap pixmap(QSize(qCeil(width * devicePixelRatio), qCeil(height * devicePixelRatio)));
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(0, 0, width, height));
  // Tint: keep the artwork's alpha, replace its colour.
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(QRectF(0, 0, width, height), color);
  return pixmap;
}

}  // namespace quillmere::ui
