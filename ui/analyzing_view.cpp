#include "ui/analyzing_view.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/screens/activity_spinner.h"
#include "ui/theme.h"

namespace quillmere::ui {

AnalyzingView::AnalyzingView(QWidget* parent) : QWidget(parent) {
  // The enlargement is drawn only: the gap is measured from the spinner's
  // unscaled place.
  auto* spinner = new ActivitySpinner(1.5, this);
  spinner->setObjectName(QStringLiteral("spinner"));
  auto* label = new QLabel(tr("Analyzing app..."), this);
  label->setFont(ui::font(TextStyle::Headline));
  label->setAlignment(Qt::AlignCenter);
  auto* column = new QVBoxLayout(this);
  column->setSpacing(20);
  column->addStretch();
  column->addWidget(spinner, 0, Qt::AlignHCenter);
  column->addWidget(label, 0, Qt::AlignHCenter);
  column->addStretch();
}

}  // namespace quillmere::ui
