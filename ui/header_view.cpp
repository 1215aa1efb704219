#include "ui/header_view.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>

#include "ui/support_address.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

constexpr int kPadding = 16;
constexpr int kRowSpacing = 8;

// A button that draws only its label, in `textColor`.
void makePlain(QPushButton* button, const QColor& textColor) {
  button->setFlat(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent;"
                                       " padding: 0; color: %1; }")
                            .arg(textColor.name(QColor::HexArgb)));
}

}  // namespace

HeaderView::HeaderView(QWidget* parent)
    : QWidget(parent),
      supportLink_(new QPushButton(this)),
      backButton_(new QPushButton(tr("返回选择其它应用"), this)) {
  const QString address = QString::fromUtf8(kSupportAddress);
  supportLink_->setObjectName(QStringLiteral("supportLink"));
  supportLink_->setText(tr("服务帮助：") + address + tr("（仅技术支持与使用说明）"));
  supportLink_->setFont(systemFont(12));
  backButton_->setObjectName(QStringLiteral("backButton"));
  backButton_->hide();

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  row->setSpacing(kRowSpacing);
  row->addStretch();
  row->addWidget(supportLink_, 0, Qt::AlignVCenter);
  row->addStretch();
  row->addWidget(backButton_, 0, Qt::AlignVCenter);

  setAutoFillBackground(true);
  applyColors();
  connect(supportLink_, &QPushButton::clicked, this, &HeaderView::copySupportAddress);
  connect(backButton_, &QPushButton::clicked, this, &HeaderView::backRequested);
}

void HeaderView::setBackVisible(bool visible) { backButton_->setVisible(visible); }

void HeaderView::applyColors() {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, color(NamedColor::ControlBackground));
  setPalette(palette);
  makePlain(supportLink_, color(NamedColor::Gray));
  makePlain(backButton_, color(NamedColor::Blue));
}

void HeaderView::changeEvent(QEvent* event) {
  // Light and dark variants follow the application palette.
  if (event->type() == QEvent::ApplicationPaletteChange) applyColors();
  QWidget::changeEvent(event);
}

void HeaderView::copySupportAddress() {
  const QString address = QString::fromUtf8(kSupportAddress);
  QApplication::clipboard()->setText(address);  // replaces whatever was there

  QMessageBox alert(this);
  alert.setText(tr("网址复制成功"));
  alert.setInformativeText(tr("已将 ") + address + tr(" 复制到剪贴板"));
  alert.addButton(tr("确定"), QMessageBox::AcceptRole);
  alert.setWindowModality(Qt::ApplicationModal);
  alert.exec();
}

}  // namespace quillmere::ui
