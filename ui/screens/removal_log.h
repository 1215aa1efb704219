#pragma once
// The removal's log as a scrolling block of plain lines: live on the
// uninstalling screen, behind "Show details" on the screens a removal ends on.

#include <QPlainTextEdit>
#include <cstdint>
#include <string>
#include <vector>

class QVBoxLayout;

namespace quillmere::ui {

class RemovalLog : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit RemovalLog(QWidget* parent = nullptr);
  // Shows these lines; cheap when the list only grew (appends the new tail).
  // At most `maxNew` lines are added in one call; returns whether every line
  // is now shown. The newest line stays in sight unless the user scrolled up.
  bool setLog(const std::vector<std::string>& lines, size_t maxNew = SIZE_MAX);

private:
  void appendLines(const std::vector<std::string>& lines, size_t from, size_t to);
  size_t shown_ = 0;        // lines of the list now in the log
  std::string firstShown_;  // to notice a list that was replaced, not grown
  std::string lastShown_;
};

// A log of `parent` added to `layout`: inset from the screen's sides and at
// most a few lines high, so that it never pushes the screen's buttons away.
RemovalLog* addRemovalLog(QVBoxLayout* layout, QWidget* parent);

}  // namespace quillmere::ui
