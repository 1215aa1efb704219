#pragma once
// What the ready screen and the confirmation say about the search itself:
// that the app is still running, and that some folders could not be searched
// (so the list may miss something), with the way to let them be searched.

#include <QString>
#include <QWidget>

#include "model/app_info.h"

namespace quillmere::ui {

class WrappedText;

class SearchNotices : public QWidget {
  Q_OBJECT
public:
  explicit SearchNotices(QWidget* parent = nullptr);
  // Shows what `app` calls for; hidden altogether when it calls for nothing.
  void show(const AppInfo& app);

  // "«App» is running — quit it before deleting", or empty when nothing runs
  // from the bundle.
  static QString runningText(const AppInfo& app);
  // "N folders could not be searched" with the reason, or empty.
  static QString unreadableText(const AppInfo& app);

private:
  WrappedText* running_;
  WrappedText* unreadable_;
};

}  // namespace quillmere::ui
