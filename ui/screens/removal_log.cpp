#include "ui/screens/removal_log.h"

#include <algorithm>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ui/theme.h"

namespace quillmere::ui {

namespace {

constexpr int kRowGap = 2;

// The plain-text layout ignores block margins; the gap between log rows is
// added to each row's box instead, which painting and hit testing both use.
class SpacedRowsLayout : public QPlainTextDocumentLayout {
public:
  using QPlainTextDocumentLayout::QPlainTextDocumentLayout;
  QRectF blockBoundingRect(const QTextBlock& block) const override {
    QRectF box = QPlainTextDocumentLayout::blockBoundingRect(block);
    if (!box.isNull() && block.next().isValid()) box.adjust(0, 0, 0, kRowGap);
    return box;
  }
};

}  // namespace

// A plain-text document rather than a label per line: it lays out only what
// is on screen, so a log of 100,000 lines stays responsive.
RemovalLog::RemovalLog(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("log"));
  document()->setDocumentLayout(new SpacedRowsLayout(document()));
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setFrameShape(QFrame::NoFrame);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFont(ui::font(TextStyle::Caption));
  document()->setDocumentMargin(0);
  viewport()->setAutoFillBackground(false);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  QPalette shade = palette();
  shade.setColor(QPalette::Base, Qt::transparent);
  setPalette(shade);
  followPaletteColor(this, QPalette::Text, NamedColor::Secondary);
  setMinimumHeight(QFontMetrics(font()).height() * 2);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

RemovalLog* addRemovalLog(QVBoxLayout* layout, QWidget* parent) {
  auto* log = new RemovalLog(parent);
  log->setMaximumHeight(100);
  auto* inset = new QVBoxLayout;
  inset->setContentsMargins(30, 0, 30, 0);
  inset->addWidget(log);
  layout->addLayout(inset);
  return log;
}

bool RemovalLog::setLog(const std::vector<std::string>& lines, size_t maxNew) {
  // The controller only ever appends to the log or empties it. Checking the
  // ends of what is shown tells a grown list from a new one without
  // comparing every line on every append.
  const bool grown = lines.size() >= shown_ &&
                     (shown_ == 0 || (lines.front() == firstShown_ && lines[shown_ - 1] == lastShown_));
  if (grown && lines.size() == shown_) return true;
  if (!grown) {
    clear();
    shown_ = 0;
  }
  appendLines(lines, shown_, shown_ + std::min(maxNew, lines.size() - shown_));
  return shown_ == lines.size();
}

void RemovalLog::appendLines(const std::vector<std::string>& lines, size_t from, size_t to) {
  if (from >= to) return;
  // Written through a cursor of its own so the view's cursor, and with it the
  // scroll position, stays where the user left it; a log read at its end
  // keeps following the newest line.
  QScrollBar* bar = verticalScrollBar();
  const bool following = bar->value() >= bar->maximum();
  const int position = bar->value();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // One insertion for the whole tail: the document splits it into blocks at
  // the newlines far faster than block-by-block inserts.
  QString tail;
  for (size_t i = from; i < to; ++i) {
    if (i > 0) tail += QLatin1Char('\n');
    tail += QString::fromStdString(lines[i]);
  }
  cursor.insertText(tail);
  cursor.endEditBlock();
  bar->setValue(following ? bar->maximum() : position);
  shown_ = to;
  firstShown_ = lines.front();
  lastShown_ = lines[to - 1];
}

}  // namespace quillmere::ui
