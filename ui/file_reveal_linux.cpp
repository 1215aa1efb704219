#include <QDesktopServices>
#include <QUrl>

#include "fsys/path_text.h"
#include "ui/file_reveal.h"

#if QUILLMERE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

namespace quillmere::ui {

namespace {

std::string containingFolder(const std::string& path) {
  const std::string folder = withoutTrailingSlashes(path);
  const std::size_t slash = folder.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : folder.substr(0, slash);
}

}  // namespace

void showInFileManager(const std::string& path, std::function<void(bool shown)> report) {
  const QUrl folder = fileUrlOfBytes(containingFolder(path));
#if QUILLMERE_HAVE_DBUS
  // The freedesktop file-manager interface opens the folder with the entry
  // selected; without a file manager that offers it, the folder alone.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(fileUrlOfBytes(path).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder, report](QDBusPendingCallWatcher* done) {
      if (done->isError()) report(QDesktopServices::openUrl(folder));
      done->deleteLater();
    });
    return;
  }
#endif
  report(QDesktopServices::openUrl(folder));
}

}  // namespace quillmere::ui
