#include "ui/screens/search_notices.h"

#include <QVBoxLayout>

#include <algorithm>

#include "ui/screens/path_list.h"
#include "ui/screens/screen_parts.h"
#include "ui/theme.h"

namespace quillmere::ui {

SearchNotices::SearchNotices(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  running_ = wrappedText(QStringLiteral("runningNotice"), ui::font(TextStyle::Caption, true), NamedColor::Red, this);
  layout->addWidget(running_);
  unreadable_ =
      wrappedText(QStringLiteral("unreadableNotice"), ui::font(TextStyle::Caption), NamedColor::Secondary, this);
  layout->addWidget(unreadable_);
  hide();
}

void SearchNotices::show(const AppInfo& app) {
  const QString running = runningText(app), unreadable = unreadableText(app);
  running_->setText(running);
  running_->setVisible(!running.isEmpty());
  unreadable_->setText(unreadable);
  unreadable_->setVisible(!unreadable.isEmpty());
  // The folders themselves, one a line, for the reader who hovers over it.
  constexpr std::size_t kNamed = 20;
  QStringList named;
  for (std::size_t i = 0; i < app.unreadableFolders.size() && i < kNamed; ++i)
    named << pathDisplayText(app.unreadableFolders[i].path);
  if (app.unreadableFolders.size() > kNamed)
    named << tr("and %n more", nullptr, static_cast<int>(app.unreadableFolders.size() - kNamed));
  unreadable_->setToolTip(named.join(QLatin1Char('\n')));
  setVisible(!running.isEmpty() || !unreadable.isEmpty());
}

QString SearchNotices::runningText(const AppInfo& app) {
  if (app.runningPrograms.empty()) return {};
  // The name is data: put in after the text is looked up.
  return tr("«%1» is running — quit it before deleting").arg(visibleText(QString::fromStdString(app.name())));
}

QString SearchNotices::unreadableText(const AppInfo& app) {
  const auto& folders = app.unreadableFolders;
  if (folders.empty()) return {};
  const bool privacy = std::any_of(folders.begin(), folders.end(),
                                   [](const UnreadableFolder& folder) { return folder.reason == Refusal::Privacy; });
  // Only the system's privacy protection can be lifted by the user; a
  // folder of another user stays closed to us whatever is allowed.
  return tr("%n folders could not be searched", nullptr, static_cast<int>(folders.size())) +
         (privacy ? tr(": macOS privacy protection refused them. To search them, allow Full Disk Access in System "
                       "Settings › Privacy & Security.")
                  : tr(": no permission to read them."));
}

}  // namespace quillmere::ui
