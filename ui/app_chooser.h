#pragma once
// The file dialog that chooses an application bundle without a drag: it
// opens in the Applications folder and takes only a bundle whose name ends in
// ".app". What it chooses is handed over exactly as a drop of it.

#include <QFileDialog>

namespace quillmere::ui {

class AppChooser : public QFileDialog {
  Q_OBJECT
public:
  // Opens in the first of `folders` there is, else in the home folder.
  AppChooser(QWidget* parent, const QStringList& folders);

  void accept() override;

signals:
  // The chosen bundle's file URL, as a drop of it would carry it.
  void appChosen(const QUrl& url);

private:
  // The one macOS-only part: the Mac's panel shows a bundle as a file,
  // elsewhere it is a folder.
  void showBundlesTheSystemsWay();
};

}  // namespace quillmere::ui
