#include "ui/file_reveal.h"

#include <QUrl>

namespace quillmere::ui {

QUrl fileUrlOfBytes(const std::string& path) {
  const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
  return QUrl::fromEncoded("file://" + QUrl::toPercentEncoding(bytes, "/"), QUrl::StrictMode);
}

namespace {

class SystemFileRevealer : public FileRevealer {
public:
  void reveal(const std::string& path) override {
    // A copy: an answer that comes late must not reach a handler replaced since.
    const FailureHandler failed = failureHandler();
    showInFileManager(path, [failed, path](bool shown) {
      if (!shown && failed) failed(path);
    });
  }
};

}  // namespace

std::shared_ptr<FileRevealer> makeSystemFileRevealer() { return std::make_shared<SystemFileRevealer>(); }

}  // namespace quillmere::ui
