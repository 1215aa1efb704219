// The confirmation asked before anything is deleted.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/screens/path_list.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/screens/search_notices.h"
#include "ui/theme.h"

namespace quillmere::ui {

ConfirmationDialog::ConfirmationDialog(const std::optional<AppInfo>& currentApp, QWidget* parent,
                                       RemovalPreview preview)
    : QDialog(parent), preview_(preview) {
  setObjectName(QStringLiteral("confirmationDialog"));
  // The title is shown in the dialog itself, as on a sheet, which has no
  // title bar; where a window manager adds one, it names the application
  // rather than repeating the title right below it.
  setWindowTitle(QGuiApplication::applicationDisplayName());
  setWindowModality(Qt::WindowModal);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 20, 20, 16);
  layout->setSpacing(10);
  // With the app kept nothing is uninstalled: its leftovers are deleted.
  const bool keepsApp = currentApp && preview.keepsBundle;
  auto* title = textLabel(keepsApp ? tr("Confirm Deletion") : tr("Confirm Uninstall"), ui::font(TextStyle::Headline),
                          NamedColor::Primary, this);
  title->setObjectName(QStringLiteral("title"));
  layout->addWidget(title);

  if (currentApp) {
    message_ = wrappedText(QStringLiteral("message"), ui::font(TextStyle::Subheadline), NamedColor::Primary, this);
    // The related files are those beside the bundle, never the bundle itself.
    const auto& listed = currentApp->rows;
    count_ = static_cast<int>(std::count_if(listed.begin(), listed.end(), [&](const ListedRow& row) {
      return row.path != currentApp->path();
    }));
    name_ = visibleText(QString::fromStdString(currentApp->name()));
    layout->addWidget(message_);
    // Said before, so that the system's password prompt in the middle of the
    // removal comes as no surprise.
    if (preview.needsRights > 0) {
      rights_ =
          wrappedText(QStringLiteral("rightsNotice"), ui::font(TextStyle::Subheadline), NamedColor::Secondary, this);
      layout->addWidget(rights_);
    }
    // Repeated from the ready screen, at the last moment it can be acted on.
    if (const QString running = SearchNotices::runningText(*currentApp); !running.isEmpty()) {
      auto* notice =
          wrappedText(QStringLiteral("runningNotice"), ui::font(TextStyle::Subheadline, true), NamedColor::Red, this);
      notice->setText(running);
      layout->addWidget(notice);
    }
  }

  if (currentApp && preview.trashOffered) {
    trashBox_ = new QCheckBox(tr("Move to the Trash instead (they can be put back)"), this);
    trashBox_->setObjectName(QStringLiteral("trashBox"));
    trashBox_->setFont(ui::font(TextStyle::Subheadline));
    trashBox_->setChecked(preview.toTrash);
    connect(trashBox_, &QCheckBox::toggled, this, &ConfirmationDialog::sayWhatHappens);
    layout->addWidget(trashBox_);
  }
  if (currentApp) sayWhatHappens();

  auto* buttons = new QDialogButtonBox(this);
  auto* confirm = buttons->addButton(keepsApp ? tr("Delete") : tr("Uninstall"), QDialogButtonBox::DestructiveRole);
  auto* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
  confirm->setObjectName(QStringLiteral("confirmButton"));
  cancel->setObjectName(QStringLiteral("cancelButton"));
  // The destructive choice is drawn in red; Return picks the harmless one.
  followPaletteColor(confirm, QPalette::ButtonText, NamedColor::Red);
  confirm->setAutoDefault(false);
  cancel->setDefault(true);
  confirm_ = confirm;
  cancel_ = cancel;
  connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addSpacing(6);
  layout->addWidget(buttons);

  // An alert's width, wider only as far as the check box's line needs: a
  // check box does not wrap, and its end would be cut off.
  const QMargins margins = layout->contentsMargins();
  const int needed = trashBox_ ? trashBox_->sizeHint().width() + margins.left() + margins.right() : 0;
  setFixedWidth(qBound(300, needed, 480));
}

QString ConfirmationDialog::message() const { return message_ ? message_->text() : QString(); }

bool ConfirmationDialog::toTrash() const { return trashBox_ && trashBox_->isChecked(); }

void ConfirmationDialog::sayWhatHappens() {
  // The count goes in first, through the table's plural forms; the name
  // after it, so a "%n" or "%1" inside the name stays as written. Without its
  // own row the bundle stays, and the dialog must not say it goes.
  const bool keeps = preview_.keepsBundle;
  QString text;
  if (toTrash())
    text = keeps ? tr("This will move %n related files of «%1» to the Trash and keep the app itself. They can be put "
                      "back.",
                      nullptr, count_)
                 : tr("This will move %1 and %n related files to the Trash. They can be put back.", nullptr, count_);
  else
    text = keeps
               ? tr("This will delete %n related files of «%1» and keep the app itself. This action cannot be undone!",
                    nullptr, count_)
               : tr("This will delete %1 and %n related files. This action cannot be undone!", nullptr, count_);
  message_->setText(text.arg(name_));
  if (!rights_) return;
  const int rows = static_cast<int>(preview_.needsRights);
  // Root's Trash is not one the user could put them back from: those go for good.
  rights_->setText(toTrash() ? tr("%n of them need administrator rights: a password will be asked for them, and "
                                  "they are deleted for good, not moved to the Trash.",
                                  nullptr, rows)
                             : tr("%n of them need administrator rights: a password will be asked for them.",
                                  nullptr, rows));
}

}  // namespace quillmere::ui
