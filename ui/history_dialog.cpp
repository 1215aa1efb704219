#include "ui/history_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/screens/screen_parts.h"
#include "ui/theme.h"

namespace quillmere::ui {

HistoryDialog::HistoryDialog(SessionController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
  setObjectName(QStringLiteral("historyDialog"));
  setWindowTitle(QGuiApplication::applicationDisplayName());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(textLabel(tr("Past removals"), ui::font(TextStyle::Headline), NamedColor::Primary, this));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("historyList"));
  layout->addWidget(list_);
  lines_ = wrappedText(QStringLiteral("putBackLines"), ui::font(TextStyle::Caption), NamedColor::Secondary, this);
  lines_->hide();
  layout->addWidget(lines_);
  auto* buttons = new QDialogButtonBox(this);
  putBack_ = buttons->addButton(tr("Put back"), QDialogButtonBox::ActionRole);
  putBack_->setObjectName(QStringLiteral("putBackButton"));
  buttons->addButton(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(putBack_, &QAbstractButton::clicked, this, [this] {
    const int row = list_->currentRow();
    const auto& history = controller_.history();
    if (row >= 0 && std::size_t(row) < history.size()) controller_.putBack(history[std::size_t(row)]);
  });
  connect(list_, &QListWidget::currentRowChanged, this, [this] { updateButton(); });
  layout->addWidget(buttons);
  resize(520, 360);
  refresh();
  controller_.loadHistory();
}

void HistoryDialog::refresh() {
  const int current = list_->currentRow();
  list_->clear();
  for (const HistoryRecord& record : controller_.history()) {
    const QString when = QDateTime::fromSecsSinceEpoch(record.time).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const int rows = static_cast<int>(record.rows.size());
    QString outcome = record.hasTrashedRows() ? tr("in the Trash") : tr("deleted");
    if (record.unfinished()) outcome = record.trashed ? tr("stopped midway to the Trash") : tr("stopped midway");
    // The name is data: shown as recorded.
    list_->addItem(when + QStringLiteral("   ") + QString::fromStdString(record.appName) + QStringLiteral("   ") +
                   tr("%n entries", nullptr, rows) + QStringLiteral("   ") + outcome);
  }
  if (list_->count() == 0) {
    list_->addItem(tr("No removals yet"));
    list_->item(0)->setFlags(Qt::NoItemFlags);
  } else {
    list_->setCurrentRow(qBound(0, current, list_->count() - 1));
  }
  QStringList text;
  for (const std::string& line : controller_.putBackLines()) text << QString::fromStdString(line);
  lines_->setText(text.join(QLatin1Char('\n')));
  lines_->setVisible(!text.isEmpty());
  updateButton();
}

void HistoryDialog::updateButton() {
  const int row = list_->currentRow();
  const auto& history = controller_.history();
  putBack_->setEnabled(!controller_.isPuttingBack() && row >= 0 && std::size_t(row) < history.size() &&
                       history[std::size_t(row)].canPutBack());
}

}  // namespace quillmere::ui
