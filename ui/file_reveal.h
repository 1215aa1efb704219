#pragma once
// Shows an entry in the system's file manager: its folder opened with the
// entry selected where the platform allows, else the containing folder.
// Read-only; returns at once. Tests replace it to record what was asked.

#include <functional>
#include <memory>
#include <string>

class QUrl;

namespace quillmere::ui {

class FileRevealer {
public:
  virtual ~FileRevealer() = default;
  virtual void reveal(const std::string& path) = 0;

  // Told, on the main thread and possibly later, when no file manager could
  // show `path`.
  using FailureHandler = std::function<void(const std::string& path)>;
  void setFailureHandler(FailureHandler handler) { failed_ = std::move(handler); }

protected:
  const FailureHandler& failureHandler() const { return failed_; }

private:
  FailureHandler failed_;
};

std::shared_ptr<FileRevealer> makeSystemFileRevealer();

// The system's own way to show `path` selected in its folder; `report` is
// told on the main thread, at once or later, whether it could. One body per
// system: file_reveal_mac.cpp, file_reveal_linux.cpp.
void showInFileManager(const std::string& path, std::function<void(bool shown)> report);

// The file URL of a path's exact bytes ("file://" and percent-encoding), so a
// name that is not UTF-8 still names the same file.
QUrl fileUrlOfBytes(const std::string& path);

}  // namespace quillmere::ui
