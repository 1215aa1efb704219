#pragma once
// The ready screen's list of paths: a model that keeps the byte strings and
// converts a row to text only when the view asks for it, a delegate that
// draws a row as the page symbol, the path on one line shortened in the
// middle and its size at the end (a reason too long to fit beside the path
// on the lines below it), and a view that turns clicks and keys into
// requests. Fast with 100,000 rows: no widget per row, and a row without a
// reason is one line whose height costs nothing to find.

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <cstdint>
#include <string>
#include <vector>

#include "matching/evidence.h"
#include "model/app_info.h"

namespace quillmere {
class RowSelection;
}

namespace quillmere::ui {

class PathListModel : public QAbstractListModel {
  Q_OBJECT
public:
  enum Role {
    PathBytesRole = Qt::UserRole + 1,  // the path's bytes, as a QByteArray
    SizeTextRole,                      // the measured size as shown; empty until known
    ReasonRole,                        // why a removal leaves the row out by default, or that only a
                                       // spelling of the name found it; empty otherwise
    NeedsRightsRole,                   // true when deleting it will ask for an administrator password
  };

  using QAbstractListModel::QAbstractListModel;
  // Shows the `listed` rows with their evidence, and when given, the selection
  // and sizes of `rows`; the caller keeps both alive until the next call (no
  // copy: a list can hold 100,000 paths). Without rows every row is selected
  // and has no size; a row without evidence gives no reason.
  void setPaths(const std::vector<ListedRow>* listed, const RowSelection* rows = nullptr);
  // The reason shown after a path its evidence leaves out.
  static QString reasonText(const RowEvidence& evidence);
  // What the lock after a path says.
  static QString needsRightsText();
  // The rows' selection or sizes changed.
  void rowsChanged();
  // Paths inside `home` (bytes) are shown from "~"; the tooltip keeps them whole.
  void setHome(std::string home);
  // Shows only the rows whose shown path contains `text` (any case); empty
  // shows every row. setPaths clears it.
  void setFilter(const QString& text);
  // The listed row a row of the view shows; SIZE_MAX when none.
  std::size_t sourceRow(int viewRow) const;
  // Every listed row the view shows, in order.
  std::vector<std::size_t> shownRows() const;
  QString shownPath(const std::string& path) const;
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

private:
  const std::vector<ListedRow>* listed_ = nullptr;
  const RowSelection* rows_ = nullptr;
  std::string home_;
  QString filter_;
  std::vector<std::size_t> shown_;  // while filtered
};

// The path as one line of text: invalid UTF-8 shows replacement characters,
// and control characters (a newline in a file name) show escaped ("\n",
// "\u001b"), so nothing can break the row or hide part of the name.
QString pathDisplayText(const std::string& path);
// The path shown from "~" when it lies inside `home` (no trailing "/").
QString homeRelativeText(const std::string& path, const std::string& home);
// Any name or text from the disk, its control characters escaped likewise.
QString visibleText(const QString& text);

// A byte count in the platform's units and this locale's digits.
QString dataSizeText(std::uint64_t bytes);

class PathRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The text a row of `rowWidth` shows for `text`, with `reserved` points
  // kept free at its end: shortened in the middle.
  static QString shownText(const QString& text, int rowWidth, int reserved = 0);
  // Where a row's marker (the page symbol) takes clicks.
  static QRect markerRect(const QRect& rowRect);
  // The lines under `path` that `reason` takes in a row of `rowWidth`:
  // none when it fits beside the path. Wrapped between words, anywhere in a
  // word longer than a line (Chinese between any characters); past
  // kMaxReasonLines the last line gives up its middle.
  static QStringList reasonLines(const QString& path, const QString& reason, int rowWidth);
  static constexpr int kMaxReasonLines = 3;

private:
  static constexpr int kRowGap = 4;
  mutable QPixmap symbol_[3];  // selected, left out, lock
  mutable QColor symbolColor_;
};

// The list itself. A click on a row's marker or Space on the current row asks
// to toggle that row; a double-click elsewhere on a row, or Return, asks to
// show the entry in the file manager.
class PathListView : public QListView {
  Q_OBJECT
public:
  using QListView::QListView;
  // Whether the current row is marked: only once the user brought the
  // keyboard or the mouse here, so a list shown with the focus looks as any other.
  bool showsCurrentRow() const { return showsCurrent_ && hasFocus(); }
signals:
  void toggleRequested(int row);
  void revealRequested(int row);

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  bool showsCurrent_ = false;
  int markerRowAt(const QPoint& position) const;  // -1 unless on a marker
  int pressedMarker_ = -1;
};

}  // namespace quillmere::ui
