#include "ui/header_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>

#include "ui/screens/screen_parts.h"
#include "ui/support_address.h"
#include "ui/theme.h"

namespace quillmere::ui {

HeaderView::HeaderView(QWidget* parent)
    : QWidget(parent),
      supportLink_(new PlainButton(
          tr("Help: %1 (support and instructions only)").arg(QString::fromUtf8(kSupportAddress)),
          NamedColor::Gray, systemFont(12), true, this)),
      backButton_(new PlainButton(tr("Choose Another App"), NamedColor::Blue,
                                  ui::font(TextStyle::Body), false, this)) {
  supportLink_->setObjectName(QStringLiteral("supportLink"));
  backButton_->setObjectName(QStringLiteral("backButton"));
  backButton_->hide();

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(16, 16, 16, 16);
  row->setSpacing(8);
  row->addStretch();
  row->addWidget(supportLink_, 0, Qt::AlignVCenter);
  row->addStretch();
  row->addWidget(backButton_, 0, Qt::AlignVCenter);

  connect(supportLink_, &QAbstractButton::clicked, this, &HeaderView::copySupportAddress);
  connect(backButton_, &QAbstractButton::clicked, this, &HeaderView::backRequested);
}

void HeaderView::setBackVisible(bool visible) { backButton_->setVisible(visible); }

void HeaderView::paintEvent(QPaintEvent*) {
  // Painted rather than set in the palette, so it follows a change between
  // light and dark at once.
  QPainter(this).fillRect(rect(), color(NamedColor::ControlBackground));
}

void HeaderView::copySupportAddress() {
  const QString address = QString::fromUtf8(kSupportAddress);
  QApplication::clipboard()->setText(address);  // replaces whatever was there

  QMessageBox alert(this);
  alert.setText(tr("Address Copied"));
  alert.setInformativeText(tr("%1 has been copied to the clipboard.").arg(address));
  alert.addButton(tr("OK"), QMessageBox::AcceptRole);
  // The address is copied to be typed or pasted elsewhere: it stays whole on
  // one line, the alert widens to fit it.
  if (auto* informative = alert.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
    informative->setWordWrap(false);
  alert.setWindowModality(Qt::ApplicationModal);
  alert.exec();
}

}  // namespace quillmere::ui
