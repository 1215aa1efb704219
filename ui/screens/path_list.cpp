#include "ui/screens/path_list.h"

#include <QApplication>
#include <QPainter>

#include "ui/symbols.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

// Horizontal-stack gap between the page symbol and the path.
constexpr int kSymbolGap = 6;

int symbolWidth() {
  return qCeil(QFontMetricsF(ui::font(TextStyle::Caption)).height() * 20.0 / 24.0);
}

}  // namespace

void PathListModel::setPaths(const std::vector<std::string>* paths) {
  beginResetModel();
  paths_ = paths;
  endResetModel();
}

int PathListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !paths_ ? 0 : static_cast<int>(paths_->size());
}

QVariant PathListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const std::string& path = (*paths_)[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return pathDisplayText(path);
    case PathBytesRole:
      return QByteArray(path.data(), static_cast<qsizetype>(path.size()));
    default:
      return {};
  }
}

QString pathDisplayText(const std::string& path) {
  QString text = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  for (QChar& c : text) {
    if (c.unicode() < 0x20) c = QChar(0x2400 + c.unicode());
    else if (c.unicode() == 0x7F) c = QChar(0x2421);
  }
  return text;
}

QString PathRowDelegate::shownText(const QString& text, int rowWidth) {
  const QFontMetrics metrics(ui::font(TextStyle::Caption));
  const int available = rowWidth - symbolWidth() - kSymbolGap;
  return metrics.elidedText(text, Qt::ElideMiddle, qMax(available, 0));
}

QSize PathRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  const QFontMetrics metrics(ui::font(TextStyle::Caption));
  return QSize(option.rect.width(), metrics.height() + kRowGap);
}

void PathRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QFont captionFont = ui::font(TextStyle::Caption);
  const int lineHeight = QFontMetrics(captionFont).height();
  const QRect row(option.rect.left(), option.rect.top(), option.rect.width(), lineHeight);

  // Every row draws the same symbol; render it once per pixel ratio and colour.
  const qreal ratio = painter->device()->devicePixelRatioF();
  const QColor gray = color(NamedColor::Gray);
  if (symbol_.isNull() || symbol_.devicePixelRatio() != ratio || symbolColor_ != gray) {
    symbol_ = symbolPixmap(QStringLiteral("doc.fill"), lineHeight * 0.8, gray, ratio);
    symbolColor_ = gray;
  }
  const QPixmap& symbol = symbol_;
  const QSizeF symbolSize = QSizeF(symbol.size()) / symbol.devicePixelRatio();
  const qreal symbolX = row.left() + (symbolWidth() - symbolSize.width()) / 2;
  painter->drawPixmap(QPointF(symbolX, row.top() + (lineHeight - symbolSize.height()) / 2), symbol);

  painter->save();
  painter->setFont(captionFont);
  painter->setPen(color(NamedColor::Primary));
  const QRect textRect = row.adjusted(symbolWidth() + kSymbolGap, 0, 0, 0);
  const QString text = shownText(index.data(Qt::DisplayRole).toString(), row.width());
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  painter->restore();
}

}  // namespace quillmere::ui
