// The two screens a removal ends on: completed, and the error screen that
// every failure of the session reaches.

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <climits>

#include "session/drop_intake.h"
#include "ui/screens/path_list.h"
#include "ui/screens/removal_log.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

// The shared frame: symbol, bold title, then what the caller adds.
QVBoxLayout* resultLayout(QWidget* content, const QString& symbol, NamedColor tint, const QString& title) {
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(20);
  auto* icon = symbolLabel(symbol, 60, tint, content);
  icon->setObjectName(QStringLiteral("symbol"));
  layout->addWidget(icon, 0, Qt::AlignHCenter);
  auto* heading = textLabel(title, ui::font(TextStyle::Title2, true), NamedColor::Primary, content);
  heading->setObjectName(QStringLiteral("title"));
  layout->addWidget(heading);
  return layout;
}

// "Show details" under the screen's button, and the log it opens beneath:
// the removal may end too fast for its log to be read while it runs.
QAbstractButton* addDetails(QVBoxLayout* layout, QWidget* content, RemovalLog*& log) {
  // A link, as the ready screen's: a flat push button showed no focus and
  // took no Return.
  auto* toggle = new PlainButton(QObject::tr("Show details"), NamedColor::Blue, ui::font(TextStyle::Caption),
                                 false, content);
  toggle->setObjectName(QStringLiteral("detailsButton"));
  layout->addWidget(toggle, 0, Qt::AlignHCenter);
  log = addRemovalLog(layout, content);
  log->hide();
  QObject::connect(toggle, &QAbstractButton::clicked, log, [toggle, log] {
    const bool shown = !log->isVisibleTo(log->parentWidget());
    toggle->setText(shown ? QObject::tr("Hide details") : QObject::tr("Show details"));
    log->setVisible(shown);
  });
  return toggle;
}

}  // namespace

CompletedView::CompletedView(QWidget* parent) : QWidget(parent) {
  auto* content = new QWidget(this);
  QVBoxLayout* layout =
      resultLayout(content, QStringLiteral("checkmark.circle.fill"), NamedColor::Green, tr("Uninstall Complete!"));
  title_ = content->findChild<QLabel*>(QStringLiteral("title"));
  // What was freed sits close under the advice, as its second line: the
  // removal may end too fast for its log to be read.
  auto* notes = new QVBoxLayout;
  notes->setSpacing(4);
  notes->addWidget(textLabel(tr("Restart your computer to make sure all background services have stopped"),
                             ui::font(TextStyle::Caption), NamedColor::Secondary, content));
  freed_ = textLabel(QString(), ui::font(TextStyle::Caption), NamedColor::Secondary, content);
  freed_->setObjectName(QStringLiteral("freed"));
  freed_->hide();
  notes->addWidget(freed_);
  layout->addLayout(notes);
  putBackLines_ =
      wrappedText(QStringLiteral("putBackLines"), ui::font(TextStyle::Caption), NamedColor::Secondary, content);
  putBackLines_->hide();
  layout->addWidget(putBackLines_);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(12);
  auto* button = prominentButton(tr("Uninstall Another App"), content);
  button->setObjectName(QStringLiteral("resetButton"));
  connect(button, &QAbstractButton::clicked, this, &CompletedView::resetRequested);
  auto* putBack = new QPushButton(tr("Put back"), content);
  putBack->setObjectName(QStringLiteral("putBackButton"));
  putBack->setAutoDefault(true);  // Return presses it when focused, as the other buttons
  putBack->hide();
  connect(putBack, &QAbstractButton::clicked, this, &CompletedView::putBackRequested);
  putBack_ = putBack;
  buttons->addStretch();
  buttons->addWidget(putBack);
  buttons->addWidget(button);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addSpacing(-12);
  addDetails(layout, content, log_);
  centreVertically(this, content);
}

void CompletedView::setTrashed(std::size_t entries, bool canPutBack, const std::vector<std::string>& lines) {
  freed_->setText(tr("%n entries moved to the Trash", nullptr, static_cast<int>(qMin<std::size_t>(entries, INT_MAX))));
  freed_->show();
  putBack_->setVisible(canPutBack);
  // What putting back said: data, shown as given, one line per row.
  QStringList text;
  for (const std::string& line : lines) text << QString::fromStdString(line);
  putBackLines_->setText(text.join(QLatin1Char('\n')));
  putBackLines_->setVisible(!lines.empty());
}

void CompletedView::setKeepsApp(bool keepsApp) {
  title_->setText(keepsApp ? tr("Deletion Complete!") : tr("Uninstall Complete!"));
}

void CompletedView::setFreed(std::size_t entries, std::uint64_t bytes, bool exact) {
  const int count = static_cast<int>(qMin<std::size_t>(entries, INT_MAX));
  // Sizes that were never measured make no figure; some unknown ones a lower bound.
  if (entries == 0 || (bytes == 0 && !exact))
    freed_->setText(tr("%n entries deleted", nullptr, count));
  else if (exact)
    freed_->setText(tr("%n entries deleted, %1 freed", nullptr, count).arg(dataSizeText(bytes)));
  else
    freed_->setText(tr("%n entries deleted, at least %1 freed", nullptr, count).arg(dataSizeText(bytes)));
  freed_->show();
}

QString failReasonText(FailReason reason) {
  switch (reason) {
    case FailReason::NoPermission: return QObject::tr("no permission");
    case FailReason::NotListedEntry: return QObject::tr("not the listed entry any more");
    case FailReason::PasswordRefused: return QObject::tr("password refused or cancelled");
    case FailReason::RemoverUnavailable: return QObject::tr("the administrator removal did not answer");
    case FailReason::Cancelled: return QObject::tr("the password prompt was cancelled");
    case FailReason::RemoverLeftIt: return QObject::tr("the administrator removal left it");
    case FailReason::UnshowableName: return QObject::tr("its name cannot be shown in a password prompt");
    case FailReason::NotTrashed: return QObject::tr("could not be moved to a Trash on its disk");
    case FailReason::OtherErrno:
    case FailReason::None: break;
  }
  return QObject::tr("could not be deleted");
}

ErrorView::ErrorView(QWidget* parent) : QWidget(parent) {
  auto* content = new QWidget(this);
  QVBoxLayout* layout =
      resultLayout(content, QStringLiteral("xmark.circle.fill"), NamedColor::Red, tr("Uninstall Failed"));
  title_ = content->findChild<QLabel*>(QStringLiteral("title"));
  layout->setSpacing(14);
  // The message, in the window's language where it is one of the core's fixed
  // texts, else as given; each line centred.
  message_ = wrappedText(QStringLiteral("message"), ui::font(TextStyle::Caption), NamedColor::Secondary, content);
  // What is still there and why: paths keep their own names, cut in the middle.
  failed_ = new QListWidget(content);
  failed_->setObjectName(QStringLiteral("failedRows"));
  failed_->setFont(ui::font(TextStyle::Caption));
  failed_->setTextElideMode(Qt::ElideMiddle);
  failed_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  failed_->setSelectionMode(QAbstractItemView::NoSelection);
  failed_->setFocusPolicy(Qt::NoFocus);
  failed_->setMaximumHeight(QFontMetrics(failed_->font()).height() * 9 / 2 + 8);
  failed_->setFrameShape(QFrame::NoFrame);
  failed_->viewport()->setAutoFillBackground(false);
  failed_->hide();
  auto* inset = new QVBoxLayout;
  inset->setContentsMargins(16, 0, 16, 0);
  inset->setSpacing(8);
  inset->addWidget(message_);
  // The rows read left-aligned, as a list, in a column no wider than they
  // need, centred under the centred message.
  auto* failedColumn = new QHBoxLayout;
  failedColumn->addStretch();
  failedColumn->addWidget(failed_, 1);
  failedColumn->addStretch();
  inset->addLayout(failedColumn);
  layout->addLayout(inset);
  auto* button = prominentButton(tr("Retry"), content);
  button->setObjectName(QStringLiteral("retryButton"));
  connect(button, &QAbstractButton::clicked, this, &ErrorView::retryRequested);
  layout->addWidget(button, 0, Qt::AlignHCenter);
  details_ = addDetails(layout, content, log_);
  centreVertically(this, content);
}

QString ErrorView::messageText(const std::string& message) {
  // The core and the command line keep their fixed texts in one language;
  // the window shows each in its own. Whatever is not recognised (a path, a
  // system's error text) is shown as it came.
  const QString text = QString::fromStdString(message);
  if (message == kDropRejectedMessage) return tr("Please drag an .app file");
  if (message == "Application does not exist") return tr("Application does not exist");
  if (message == "Unknown error") return tr("Unknown error");
  if (message == "Cannot search: out of memory") return tr("Cannot search: out of memory");
  static const QRegularExpression failed(QStringLiteral("^Failed to (delete|remove) (\\d+) files$"));
  if (const auto match = failed.match(text); match.hasMatch()) {
    // Through the table's plural forms: "1 files" reads as a fault.
    const int count = int(qMin(match.captured(2).toLongLong(), qint64(INT_MAX)));
    return match.captured(1) == QLatin1String("delete") ? tr("Failed to delete %n files", nullptr, count)
                                                        : tr("Failed to remove %n files", nullptr, count);
  }
  // The path is data; the last ": " parts it from the system's reason.
  static const QRegularExpression search(QStringLiteral("^Cannot search (.+): ([^:]*)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
  if (const auto match = search.match(text); match.hasMatch())
    return tr("Cannot search %1: %2").arg(match.captured(1), match.captured(2));
  return text;
}

void ErrorView::setError(const std::string& message, bool fromRemoval, const std::vector<RowEvent>& failed) {
  // Nothing was uninstalled when the drop or the analysis failed.
  title_->setText(fromRemoval ? tr("Uninstall Failed") : tr("Cannot Analyse"));
  message_->setText(messageText(message));
  failed_->clear();
  for (const RowEvent& row : failed) {
    QString reason = failReasonText(row.reason);
    if (!row.detail.empty()) reason += QStringLiteral(" (%1)").arg(QString::fromStdString(row.detail));
    const QString path = homeRelativeText(row.path, home_);
    auto* item = new QListWidgetItem(QStringLiteral("%1\n    %2").arg(path, reason), failed_);
    item->setToolTip(QStringLiteral("%1\n%2").arg(pathDisplayText(row.path), reason));
  }
  int widest = 0;
  for (int i = 0; i < failed_->count(); ++i)
    for (const QString& line : failed_->item(i)->text().split(QLatin1Char('\n')))
      widest = qMax(widest, failed_->fontMetrics().horizontalAdvance(line));
  failed_->setMaximumWidth(widest + 2 * failed_->frameWidth() +
                           failed_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16);
  failed_->setVisible(!failed.empty());
  // Each removal's screen opens with its details closed.
  if (log_->isVisibleTo(this)) details_->click();
  details_->setVisible(fromRemoval);
}

}  // namespace quillmere::ui
