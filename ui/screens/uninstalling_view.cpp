// The uninstalling screen: a spinner, the heading and the live removal log.

#include <QVBoxLayout>

#include "ui/screens/activity_spinner.h"
#include "ui/screens/removal_log.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/theme.h"

namespace quillmere::ui {

UninstallingView::UninstallingView(QWidget* parent) : QWidget(parent) {
  auto* content = new QWidget(this);
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(20);

  auto* spinner = new ActivitySpinner(1.5, content);
  spinner->setObjectName(QStringLiteral("spinner"));
  layout->addWidget(spinner, 0, Qt::AlignHCenter);
  heading_ = textLabel(tr("Uninstalling..."), ui::font(TextStyle::Headline), NamedColor::Primary, content);
  heading_->setObjectName(QStringLiteral("heading"));
  layout->addWidget(heading_);

  log_ = addRemovalLog(layout, content);
  centreVertically(this, content);
}

void UninstallingView::setKeepsApp(bool keepsApp) {
  heading_->setText(keepsApp ? tr("Deleting...") : tr("Uninstalling..."));
}

bool UninstallingView::setLog(const std::vector<std::string>& lines, size_t maxNew) {
  return log_->setLog(lines, maxNew);
}

}  // namespace quillmere::ui
