#include "ui/file_reveal.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include "fsys/path_text.h"

#if QUILLMERE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

namespace quillmere::ui {

QUrl fileUrlOfBytes(const std::string& path) {
  const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
  return QUrl::fromEncoded("file://" + QUrl::toPercentEncoding(bytes, "/"), QUrl::StrictMode);
}

namespace {

std::string containingFolder(const std::string& path) {
  const std::string folder = withoutTrailingSlashes(path);
  const std::size_t slash = folder.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : folder.substr(0, slash);
}

class SystemFileRevealer : public FileRevealer {
public:
  void reveal(const std::string& path) override {
    // A copy: an answer that comes late must not reach a handler replaced since.
    const FailureHandler failed = failureHandler();
    const auto report = [failed, path](bool shown) {
      if (!shown && failed) failed(path);
    };
#ifdef Q_OS_MACOS
    // The path is one argument of its own; nothing parses it as text.
    report(QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), QString::fromUtf8(path)}));
#else
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
#endif
  }
};

}  // namespace

std::shared_ptr<FileRevealer> makeSystemFileRevealer() { return std::make_shared<SystemFileRevealer>(); }

}  // namespace quillmere::ui
