#include "ui/app_chooser.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace quillmere::ui {

namespace {

// The words Qt's file dialog shows in its type column. Qt's Chinese table
// lacks them ("Folder" in English beside Chinese headers); ours carries them
// in Qt's own context, so the column reads in the window's language.
[[maybe_unused]] const char* const kTypeColumnTexts[][2] = {
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Folder", "All other platforms"),
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Shortcut", "All other platforms"),
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Drive", ""),
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Unknown", ""),
};

bool isBundleName(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  return name.size() > 4 && name.endsWith(QLatin1String(".app"));
}

QString startFolder(const QStringList& folders) {
  for (const QString& folder : folders)
    if (QFileInfo(folder).isDir()) return folder;
  return QDir::homePath();
}
}  // namespace

AppChooser::AppChooser(QWidget* parent, const QStringList& folders) : QFileDialog(parent) {
  setObjectName(QStringLiteral("appChooser"));
  setWindowTitle(tr("Choose an Application"));
  setAcceptMode(QFileDialog::AcceptOpen);
  setDirectory(startFolder(folders));
  showBundlesTheSystemsWay();
}

void AppChooser::showBundlesTheSystemsWay() {
#ifdef Q_OS_MACOS
  // The Mac's open panel shows a bundle as one file.
  setFileMode(QFileDialog::ExistingFile);
  setNameFilter(tr("Applications (*.app)"));
#else
  // Elsewhere a bundle is a folder among folders: folders are what is shown
  // and opened, and accept() lets only a bundle through. Qt's own dialog,
  // since a desktop's native one would not ask accept().
  setFileMode(QFileDialog::Directory);
  setOption(QFileDialog::ShowDirsOnly);
  setOption(QFileDialog::DontUseNativeDialog);
  // A double-click on a bundle chooses it rather than opening it.
  connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
    if (!isBundleName(folder) || !isVisible()) return;
    QDialog::accept();
    emit appChosen(QUrl::fromLocalFile(folder));
  });
#endif
}

void AppChooser::accept() {
  const QList<QUrl> urls = selectedUrls();
  if (urls.isEmpty()) return;
  const QString path = urls.front().toLocalFile();
  if (!isBundleName(path)) {
    // Not a bundle: open the folder instead, as a double-click would.
    if (QFileInfo(path).isDir()) setDirectoryUrl(urls.front());
    return;
  }
  QFileDialog::accept();
  emit appChosen(urls.front());
}

}  // namespace quillmere::ui
