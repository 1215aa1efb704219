// The uninstalling screen: a spinner, the heading and the live removal log.

#include <algorithm>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ui/screens/activity_spinner.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

constexpr int kLogMaxHeight = 100;
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

UninstallingView::UninstallingView(QWidget* parent) : QWidget(parent) {
  auto* content = new QWidget(this);
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(20);

  auto* spinner = new ActivitySpinner(1.5, content);
  spinner->setObjectName(QStringLiteral("spinner"));
  layout->addWidget(spinner, 0, Qt::AlignHCenter);
  layout->addWidget(textLabel(tr("正在卸载..."), ui::font(TextStyle::Headline),
                              NamedColor::Primary, content));

  // A plain-text document rather than a label per line: it lays out only
  // what is on screen, so a log of 100,000 lines stays responsive.
  log_ = new QPlainTextEdit(content);
  log_->setObjectName(QStringLiteral("log"));
  log_->document()->setDocumentLayout(new SpacedRowsLayout(log_->document()));
  log_->setReadOnly(true);
  log_->setUndoRedoEnabled(false);
  log_->setFrameShape(QFrame::NoFrame);
  log_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  log_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  log_->setFont(ui::font(TextStyle::Caption));
  log_->document()->setDocumentMargin(0);
  log_->viewport()->setAutoFillBackground(false);
  log_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QPalette palette = log_->palette();
  palette.setColor(QPalette::Base, Qt::transparent);
  log_->setPalette(palette);
  followPaletteColor(log_, QPalette::Text, NamedColor::Secondary);
  log_->setMaximumHeight(kLogMaxHeight);
  log_->setMinimumHeight(QFontMetrics(log_->font()).height() * 2);
  log_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

  auto* inset = new QVBoxLayout;
  inset->setContentsMargins(30, 0, 30, 0);
  inset->addWidget(log_);
  layout->addLayout(inset);

  centreVertically(this, content);
}

bool UninstallingView::setLog(const std::vector<std::string>& lines, size_t maxNew) {
  // The controller only ever appends to the log or empties it. Checking the
  // ends of what is shown tells a grown list from a new one without
  // comparing every line on every append.
  const bool grown = lines.size() >= shown_ &&
                     (shown_ == 0 || (lines.front() == firstShown_ && lines[shown_ - 1] == lastShown_));
  if (grown && lines.size() == shown_) return true;
  if (!grown) {
    log_->clear();
    shown_ = 0;
  }
  appendLines(lines, shown_, shown_ + std::min(maxNew, lines.size() - shown_));
  return shown_ == lines.size();
}

void UninstallingView::appendLines(const std::vector<std::string>& lines, size_t from, size_t to) {
  if (from >= to) return;
  // Written through a cursor of its own so the view's cursor, and with it the
  // scroll position, stays where the user left it.
  QScrollBar* bar = log_->verticalScrollBar();
  const int position = bar->value();
  QTextCursor cursor(log_->document());
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
  bar->setValue(position);
  shown_ = to;
  firstShown_ = lines.front();
  lastShown_ = lines[to - 1];
}

}  // namespace quillmere::ui
