#include <QProcess>

#include "ui/file_reveal.h"

namespace quillmere::ui {

// The Finder shows the entry selected in its folder. The path is one argument
// of its own; nothing parses it as text.
void showInFileManager(const std::string& path, std::function<void(bool shown)> report) {
  report(QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), QString::fromUtf8(path)}));
}

}  // namespace quillmere::ui
