#pragma once
// The drop zone: the whole content area, beneath every screen, accepting drags
// that carry file URLs. It reports the hover (for isTargeted) and hands every
// drop over as DroppedItems, in the order the drag lists them.

#include <QWidget>
#include <vector>

#include "session/drop_intake.h"

class QMimeData;

namespace quillmere::ui {

class DropZone : public QWidget {
  Q_OBJECT
public:
  explicit DropZone(QWidget* parent = nullptr);

  // Whether a drag with this data is one the zone takes: at least one of its
  // URLs is a file URL.
  static bool carriesFileUrls(const QMimeData* data);
  // One item per URL of the drag: a file URL as its encoded bytes (paths are
  // bytes, so never through a QString path), anything else as no file URL.
  static std::vector<DroppedItem> droppedItems(const QMimeData* data);

signals:
  void targetedChanged(bool targeted);
  void dropped(const std::vector<quillmere::DroppedItem>& items);

protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void setHovering(bool hovering);  // reports changes only
  bool hovering_ = false;
};

}  // namespace quillmere::ui
