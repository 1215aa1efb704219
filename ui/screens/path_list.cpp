#include "ui/screens/path_list.h"

#include <cmath>

#include <QApplication>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

#include "selection/row_selection.h"
#include "ui/symbols.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

// Horizontal-stack gap between the page symbol and the path, and between the
// path and its size.
constexpr int kSymbolGap = 6;
constexpr int kSizeInset = 4;

int symbolWidth() {
  return qCeil(QFontMetricsF(ui::font(TextStyle::Caption)).height() * 20.0 / 24.0);
}

// Reasons repeat from row to row (one text per kind of evidence and other
// application), and every layout asks each row's height: shaping the same
// text again is what a long list would spend its time on. Kept while the
// font stays; the main thread alone paints.
struct ReasonMeasures {
  QFont base;                     // the application's font they were taken in
  QFont font;                     // the caption font rows are drawn in
  int lineHeight = 0;
  int trailing = 0;               // what a row's end keeps for its size and lock
  QHash<QString, int> widths;     // by reason
  QHash<QString, QStringList> lines;  // by row width and reason
};

ReasonMeasures& reasonMeasures() {
  static ReasonMeasures measures;
  // Asked for each of 100,000 rows at a layout: the application's font is
  // compared, the caption font made only when it changed.
  if (measures.lineHeight == 0 || measures.base != QApplication::font() ||
      measures.widths.size() + measures.lines.size() > 4096) {
    measures = ReasonMeasures();
    measures.base = QApplication::font();
    measures.font = ui::font(TextStyle::Caption);
    const QFontMetrics metrics(measures.font);
    measures.lineHeight = metrics.height();
    // Kept whether or not the size is known yet: a row must not change its
    // height when its size arrives.
    const auto widestSize = static_cast<std::uint64_t>(999.9 * 1024 * 1024);
    measures.trailing =
        metrics.horizontalAdvance(dataSizeText(widestSize)) + qCeil(metrics.height() * 0.75) + 2 * kSymbolGap + kSizeInset;
  }
  return measures;
}

// The width a row is drawn at: that of the list beside its scroll bar.
int rowWidth(const QStyleOptionViewItem& option) {
  if (const auto* list = qobject_cast<const QAbstractItemView*>(option.widget))
    return list->viewport()->width() - option.rect.left();
  return option.rect.width();
}

struct SizeUnits {
  QLocale::DataSizeFormats format;
  double base;
};

// The Mac counts in powers of 1000 ("kB", "MB"), as the Finder does;
// elsewhere Qt's own convention, powers of 1024 ("KiB", "MiB"), as the file
// managers there do.
constexpr SizeUnits systemSizeUnits() {
#ifdef Q_OS_MACOS
  return {QLocale::DataSizeSIFormat, 1000};
#else
  return {QLocale::DataSizeIecFormat, 1024};
#endif
}

}  // namespace

void PathListModel::setPaths(const std::vector<ListedRow>* listed, const RowSelection* rows) {
  beginResetModel();
  listed_ = listed;
  rows_ = rows;
  filter_.clear();
  shown_.clear();
  endResetModel();
}

void PathListModel::setHome(std::string home) {
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  beginResetModel();
  home_ = home == "/" ? std::string() : std::move(home);
  endResetModel();
}

void PathListModel::setFilter(const QString& text) {
  if (text == filter_) return;
  beginResetModel();
  filter_ = text;
  shown_.clear();
  if (listed_ && !filter_.isEmpty()) {
    // Matched against the text the row shows, so what is typed is what is seen.
    for (std::size_t row = 0; row < listed_->size(); ++row)
      if (shownPath((*listed_)[row].path).contains(filter_, Qt::CaseInsensitive)) shown_.push_back(row);
  }
  endResetModel();
}

std::size_t PathListModel::sourceRow(int viewRow) const {
  if (viewRow < 0) return SIZE_MAX;
  const auto row = static_cast<std::size_t>(viewRow);
  if (filter_.isEmpty()) return row;
  return row < shown_.size() ? shown_[row] : SIZE_MAX;
}

std::vector<std::size_t> PathListModel::shownRows() const {
  if (!filter_.isEmpty()) return shown_;
  std::vector<std::size_t> all(listed_ ? listed_->size() : 0);
  for (std::size_t row = 0; row < all.size(); ++row) all[row] = row;
  return all;
}

QString PathListModel::shownPath(const std::string& path) const { return homeRelativeText(path, home_); }

QString homeRelativeText(const std::string& path, const std::string& home) {
  // The home as "~": the part of a path that tells rows apart comes after it.
  if (!home.empty() && path.size() > home.size() && path.compare(0, home.size(), home) == 0 &&
      path[home.size()] == '/')
    return QStringLiteral("~") + pathDisplayText(path.substr(home.size()));
  return pathDisplayText(path);
}

QString PathListModel::reasonText(const RowEvidence& evidence) {
  // The other application's name and the copy's path are data, shown verbatim.
  const QString other = evidence.otherApp ? QString::fromStdString(*evidence.otherApp) : QString();
  switch (evidence.kind) {
    case Evidence::Coincidence:
      return tr("name only inside another word");
    case Evidence::OtherApp:
      return evidence.otherApp ? tr("belongs to «%1»").arg(other) : tr("another vendor's identifier");
    case Evidence::InsideOtherApp:
      return tr("inside «%1»'s folder").arg(other);
    case Evidence::InsideForeign:
      return tr("inside a folder that is not the app's");
    case Evidence::AlsoNames:
      return tr("also names «%1»").arg(other);
    case Evidence::Spelling:
      return tr("the app's name spelt another way");
    case Evidence::SharedIdentifier:
      return tr("another copy is installed: %1").arg(pathDisplayText(evidence.otherPath));
    case Evidence::NameOnly:
      return tr("only the name, in a folder apps share");
    case Evidence::ChangeableFolder:
      return tr("in a folder others can change");
    default:
      return {};
  }
}

QString PathListModel::needsRightsText() {
  return tr("Needs administrator rights: a password will be asked when it is deleted");
}

void PathListModel::rowsChanged() {
  // One signal for the whole list: the view repaints only the rows it shows.
  if (rowCount() > 0) emit dataChanged(index(0), index(rowCount() - 1));
}

int PathListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !listed_) return 0;
  return static_cast<int>(filter_.isEmpty() ? listed_->size() : shown_.size());
}

QVariant PathListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const std::size_t row = sourceRow(index.row());
  const std::string& path = (*listed_)[row].path;
  const std::optional<RowEvidence>& evidence = (*listed_)[row].evidence;
  // Rows of another record (the screen is being left) show as plain rows.
  const bool hasRows = rows_ && rows_->size() == listed_->size();
  switch (role) {
    case Qt::DisplayRole:
      return shownPath(path);
    case Qt::ToolTipRole: {
      QString tip = pathDisplayText(path);
      if (const QString reason = evidence ? reasonText(*evidence) : QString(); !reason.isEmpty())
        tip += QStringLiteral("\n") + reason;
      if (hasRows && rows_->needsRights(row)) tip += QStringLiteral("\n") + needsRightsText();
      return tip;
    }
    case NeedsRightsRole:
      return hasRows && rows_->needsRights(row);
    case ReasonRole:
      return evidence ? reasonText(*evidence) : QString();
    case PathBytesRole:
      return QByteArray(path.data(), static_cast<qsizetype>(path.size()));
    case Qt::CheckStateRole:
      return hasRows && !rows_->isSelected(row) ? Qt::Unchecked : Qt::Checked;
    case SizeTextRole: {
      const auto size = hasRows ? rows_->sizeOf(row) : std::nullopt;
      return size ? dataSizeText(*size) : QString();
    }
    default:
      return {};
  }
}

QString visibleText(const QString& text) {
  // Escapes, not the Control Pictures block: few fonts have those glyphs,
  // and a box tells the reader nothing.
  QString shown;
  shown.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const bool control = u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029;
    if (!control) shown += c;
    else if (u == '\n') shown += QStringLiteral("\\n");
    else if (u == '\t') shown += QStringLiteral("\\t");
    else if (u == '\r') shown += QStringLiteral("\\r");
    else shown += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
  }
  return shown;
}

QString pathDisplayText(const std::string& path) {
  return visibleText(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
}

QString dataSizeText(std::uint64_t bytes) {
  constexpr auto format = systemSizeUnits().format;
  constexpr double base = systemSizeUnits().base;
  const QLocale locale;
  const auto count = static_cast<qint64>(qMin<std::uint64_t>(bytes, INT64_MAX));
  if (count < 1000) return locale.formattedDataSize(count, 0, format);
  // Qt keeps a unit up to 1023.9 of it; four digits read worse than the next
  // unit ("1,016 KiB" is "1 MiB"). One decimal at most, none when whole.
  int power = 0;
  double value = double(count);
  while (power < 6 && std::round(value * 10) / 10 >= 1000) {
    value /= base;
    ++power;
  }
  value = std::round(value * 10) / 10;
  const int decimals = value == std::floor(value) ? 0 : 1;
  // The unit as this locale writes it: what follows the number of one unit.
  const QString one = locale.formattedDataSize(static_cast<qint64>(std::pow(base, power)), 0, format);
  return locale.toString(value, 'f', decimals) + one.mid(one.indexOf(QLatin1Char(' ')));
}

QString PathRowDelegate::shownText(const QString& text, int rowWidth, int reserved) {
  const QFontMetrics metrics(ui::font(TextStyle::Caption));
  const int available = qMax(rowWidth - symbolWidth() - kSymbolGap - reserved, 0);
  if (metrics.horizontalAdvance(text) <= available) return text;
  // The entry's own name is what tells a row; the folders above it give way
  // first, in their middle, and the name only when it cannot fit alone.
  const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
  if (slash <= 0) return metrics.elidedText(text, Qt::ElideMiddle, available);
  const QString name = text.mid(slash);
  const int room = available - metrics.horizontalAdvance(name);
  if (room >= 3 * metrics.horizontalAdvance(QChar(0x2026)))
    return metrics.elidedText(text.left(slash), Qt::ElideMiddle, room) + name;
  const QString ellipsis(QChar(0x2026));
  return ellipsis + metrics.elidedText(name, Qt::ElideMiddle, qMax(available - metrics.horizontalAdvance(ellipsis), 0));
}

QRect PathRowDelegate::markerRect(const QRect& rowRect) {
  return QRect(rowRect.left(), rowRect.top(), symbolWidth() + kSymbolGap, rowRect.height());
}

QStringList PathRowDelegate::reasonLines(const QString& path, const QString& reason, int rowWidth) {
  if (reason.isEmpty()) return {};
  ReasonMeasures& measures = reasonMeasures();
  const QFontMetrics metrics(measures.font);
  auto known = measures.widths.constFind(reason);
  if (known == measures.widths.cend()) known = measures.widths.insert(reason, metrics.horizontalAdvance(reason));
  // Beside the path while it takes at most half of the row's room (the path
  // keeps the other half), or while both fit whole: neither is cut short
  // for the other.
  const int width = qMax(rowWidth - symbolWidth() - kSymbolGap, 1);
  const int room = qMax(width - measures.trailing, 0);
  if (*known <= room / 2) return {};
  // Shaping every long path of a long list at each layout would stall it: a
  // path that cannot fit even at half the average character's width goes
  // unmeasured (at worst a reason goes below that might have fit beside).
  const int besidePath = room - 2 * kSymbolGap - *known;
  if (path.size() * qMax(metrics.averageCharWidth() / 2, 1) <= besidePath &&
      metrics.horizontalAdvance(path) <= besidePath)
    return {};
  const QString key = QString::number(width) + QLatin1Char('\n') + reason;
  if (const auto cached = measures.lines.constFind(key); cached != measures.lines.cend()) return *cached;
  QTextLayout layout(reason, measures.font);
  QTextOption wrapping;
  wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(wrapping);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    if (lines.size() == kMaxReasonLines - 1) {
      // The end of a reason names the other copy's bundle: it stays.
      lines << metrics.elidedText(reason.mid(line.textStart()), Qt::ElideMiddle, width);
      break;
    }
    lines << reason.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  measures.lines.insert(key, lines);
  return lines;
}

QSize PathRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString reason = index.data(PathListModel::ReasonRole).toString();
  const auto lines =
      1 + (reason.isEmpty() ? 0 : reasonLines(index.data(Qt::DisplayRole).toString(), reason, rowWidth(option)).size());
  return QSize(option.rect.width(), reasonMeasures().lineHeight * int(lines) + kRowGap);
}

void PathRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QFont captionFont = ui::font(TextStyle::Caption);
  const QFontMetrics metrics(captionFont);
  const int lineHeight = metrics.height();
  // A row laid out before the scroll bar appeared is wider than what is left
  // of the list beside it; the size at its end must stay in sight.
  const QRect row(option.rect.left(), option.rect.top(), rowWidth(option), lineHeight);
  const bool leftOut = index.data(Qt::CheckStateRole).toInt() == Qt::Unchecked;

  // The row Space and Return act on, once the user works in the list.
  const auto* view = qobject_cast<const PathListView*>(option.widget);
  const QRect outline = option.rect.intersected(QRect(option.rect.left(), option.rect.top(), row.width(), option.rect.height()));
  if ((option.state & QStyle::State_HasFocus) && view && view->showsCurrentRow()) {
    QColor ring = color(NamedColor::Blue);
    ring.setAlpha(110);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(ring, 1));
    painter->drawRoundedRect(QRectF(outline).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter->restore();
  }

  // Every row draws the same few symbols; render each once per pixel ratio and colour.
  const qreal ratio = painter->device()->devicePixelRatioF();
  const QColor gray = color(NamedColor::Gray);
  if (symbolColor_ != gray) symbol_[0] = symbol_[1] = symbol_[2] = QPixmap();
  symbolColor_ = gray;
  const auto cachedSymbol = [&](int slot, const QString& name, qreal size) -> const QPixmap& {
    QPixmap& symbol = symbol_[slot];
    if (symbol.isNull() || symbol.devicePixelRatio() != ratio) symbol = symbolPixmap(name, size, gray, ratio);
    return symbol;
  };
  const QPixmap& symbol =
      cachedSymbol(leftOut ? 1 : 0, leftOut ? QStringLiteral("doc") : QStringLiteral("doc.fill"), lineHeight * 0.8);
  const QSizeF symbolSize = QSizeF(symbol.size()) / symbol.devicePixelRatio();
  const qreal symbolX = row.left() + (symbolWidth() - symbolSize.width()) / 2;
  painter->drawPixmap(QPointF(symbolX, row.top() + (lineHeight - symbolSize.height()) / 2), symbol);

  // A row left out reads as struck from the list, in the secondary colour.
  QFont textFont = captionFont;
  textFont.setStrikeOut(leftOut);
  painter->save();
  painter->setFont(textFont);
  const QString size = index.data(PathListModel::SizeTextRole).toString();
  // Kept off the scroll bar by a small gap, as the path is off the row's start.
  const int sizeWidth = size.isEmpty() ? 0 : metrics.horizontalAdvance(size) + kSymbolGap + kSizeInset;
  if (!size.isEmpty()) {
    painter->setPen(color(NamedColor::Secondary));
    painter->drawText(row.adjusted(0, 0, -kSizeInset, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                      size);
  }
  // The reason follows the path, never struck out, or takes the lines below
  // it when it would not fit there whole; the path gives up its middle.
  // A small lock right after the path: deleting it will ask for a password.
  QPixmap lock;
  if (index.data(PathListModel::NeedsRightsRole).toBool())
    lock = cachedSymbol(2, QStringLiteral("lock.fill"), lineHeight * 0.75);
  const int lockWidth = lock.isNull() ? 0 : qCeil(lock.width() / lock.devicePixelRatio()) + kSymbolGap;
  const QString path = index.data(Qt::DisplayRole).toString();
  const QString reason = index.data(PathListModel::ReasonRole).toString();
  const QStringList below = reasonLines(path, reason, row.width());
  const QString shownReason = below.isEmpty() ? reason : QString();
  const int reasonWidth = shownReason.isEmpty() ? 0 : metrics.horizontalAdvance(shownReason) + 2 * kSymbolGap;
  painter->setPen(color(leftOut ? NamedColor::Secondary : NamedColor::Primary));
  const QRect textRect = row.adjusted(symbolWidth() + kSymbolGap, 0, -sizeWidth - reasonWidth - lockWidth, 0);
  const QString text = shownText(path, row.width(), sizeWidth + reasonWidth + lockWidth);
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  int pathEnd = textRect.left() + metrics.horizontalAdvance(text);
  if (!lock.isNull()) {
    const QSizeF lockSize = QSizeF(lock.size()) / lock.devicePixelRatio();
    painter->drawPixmap(QPointF(pathEnd + kSymbolGap, row.top() + (lineHeight - lockSize.height()) / 2), lock);
    pathEnd += lockWidth;
  }
  painter->setFont(captionFont);
  painter->setPen(color(NamedColor::Secondary));
  if (!shownReason.isEmpty())
    painter->drawText(QRect(pathEnd + 2 * kSymbolGap, row.top(), reasonWidth, row.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownReason);
  QRect line(textRect.left(), row.top(), row.right() - textRect.left() + 1, lineHeight);
  for (const QString& part : below) {
    line.translate(0, lineHeight);
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, part);
  }
  painter->restore();
}

int PathListView::markerRowAt(const QPoint& position) const {
  const QModelIndex index = indexAt(position);
  if (!index.isValid() || !PathRowDelegate::markerRect(visualRect(index)).contains(position)) return -1;
  return index.row();
}

void PathListView::mousePressEvent(QMouseEvent* event) {
  pressedMarker_ = event->button() == Qt::LeftButton ? markerRowAt(event->position().toPoint()) : -1;
  QListView::mousePressEvent(event);  // makes the row current, for Space and Return
}

void PathListView::mouseReleaseEvent(QMouseEvent* event) {
  // A click: pressed and released on the same row's marker.
  const int row = pressedMarker_;
  pressedMarker_ = -1;
  QListView::mouseReleaseEvent(event);
  if (row >= 0 && event->button() == Qt::LeftButton && markerRowAt(event->position().toPoint()) == row)
    emit toggleRequested(row);
}

void PathListView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QListView::mouseDoubleClickEvent(event);
  const QPoint position = event->position().toPoint();
  // The second click of a quick pair on the marker is one more toggle, as on
  // a checkbox; it never opens anything.
  if (const int marker = markerRowAt(position); marker >= 0) {
    pressedMarker_ = marker;
    return;
  }
  const QModelIndex index = indexAt(position);
  if (index.isValid()) emit revealRequested(index.row());
}

void PathListView::focusInEvent(QFocusEvent* event) {
  const Qt::FocusReason reason = event->reason();
  showsCurrent_ = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                  reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
  QListView::focusInEvent(event);
}

void PathListView::focusOutEvent(QFocusEvent* event) {
  showsCurrent_ = false;
  QListView::focusOutEvent(event);
}

void PathListView::keyPressEvent(QKeyEvent* event) {
  if (!showsCurrent_) {
    showsCurrent_ = true;
    viewport()->update();
  }
  const QModelIndex current = currentIndex();
  switch (event->key()) {
    case Qt::Key_Space:
      if (current.isValid()) emit toggleRequested(current.row());
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (current.isValid()) emit revealRequested(current.row());
      return;
    default:
      QListView::keyPressEvent(event);
  }
}

}  // namespace quillmere::ui
