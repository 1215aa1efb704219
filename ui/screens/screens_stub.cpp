// Placeholder bodies until the real screens land.
#include "ui/screens/screens.h"

namespace quillmere::ui {

ReadyView::ReadyView(QWidget* parent) : QWidget(parent) {}
void ReadyView::setApp(const AppInfo&) {}
UninstallingView::UninstallingView(QWidget* parent) : QWidget(parent) {}
void UninstallingView::setLog(const std::vector<std::string>&) {}
CompletedView::CompletedView(QWidget* parent) : QWidget(parent) {}
ErrorView::ErrorView(QWidget* parent) : QWidget(parent) {}
void ErrorView::setMessage(const std::string&) {}
ConfirmationDialog::ConfirmationDialog(const std::optional<AppInfo>&, QWidget* parent)
    : QDialog(parent) {}

}  // namespace quillmere::ui
