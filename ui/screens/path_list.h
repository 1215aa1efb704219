#pragma once
// The ready screen's list of paths: a model that keeps the byte strings and
// converts a row to text only when the view asks for it, and a delegate that
// draws a row as the page symbol and the path on one line, shortened in the
// middle. Fast with 100,000 rows: no widget per row, uniform row heights.

#include <QAbstractListModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

namespace quillmere::ui {

class PathListModel : public QAbstractListModel {
  Q_OBJECT
public:
  enum Role { PathBytesRole = Qt::UserRole + 1 };  // the path's bytes, as a QByteArray

  using QAbstractListModel::QAbstractListModel;
  // Shows `paths`, which the caller keeps alive and unchanged until the next
  // call (no copy: a list can hold 100,000 paths).
  void setPaths(const std::vector<std::string>* paths);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

private:
  const std::vector<std::string>* paths_ = nullptr;
};

// The path as one line of text: invalid UTF-8 shows replacement characters,
// and control characters (a newline in a file name) show as their visible
// Control Pictures, so nothing can break the row or hide part of the name.
QString pathDisplayText(const std::string& path);

class PathRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The text a row of `rowWidth` shows for `text`: shortened in the middle.
  static QString shownText(const QString& text, int rowWidth);

private:
  static constexpr int kRowGap = 4;
  mutable QPixmap symbol_;
  mutable QColor symbolColor_;
};

}  // namespace quillmere::ui
