#include "ui/drop_zone.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace quillmere::ui {

namespace {
// A drop of files is a copy: a move could lead the drag source to delete them.
void acceptAsCopy(QDropEvent* event) {
  if (event->possibleActions() & Qt::CopyAction) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->acceptProposedAction();
  }
}
}  // namespace

DropZone::DropZone(QWidget* parent) : QWidget(parent) { setAcceptDrops(true); }

bool DropZone::carriesFileUrls(const QMimeData* data) {
  // A browser's link is a uri-list too; only a drag that holds a file may
  // light the box and replace the screen under review.
  if (!data || !data->hasUrls()) return false;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

std::vector<DroppedItem> DropZone::droppedItems(const QMimeData* data) {
  std::vector<DroppedItem> items;
  if (!carriesFileUrls(data)) return items;
  for (const QUrl& url : data->urls()) {
    DroppedItem item;
    if (url.isLocalFile()) item.fileUrl = url.toEncoded().toStdString();
    items.push_back(std::move(item));
  }
  return items;
}

void DropZone::setHovering(bool hovering) {
  if (hovering == hovering_) return;
  hovering_ = hovering;
  emit targetedChanged(hovering);
}

void DropZone::dragEnterEvent(QDragEnterEvent* event) {
  // Anything else is left unaccepted and does not light the box.
  if (!carriesFileUrls(event->mimeData())) return event->ignore();
  acceptAsCopy(event);
  setHovering(true);
}

void DropZone::dragMoveEvent(QDragMoveEvent* event) {
  if (!carriesFileUrls(event->mimeData())) return event->ignore();
  acceptAsCopy(event);
}

void DropZone::dragLeaveEvent(QDragLeaveEvent* event) {
  event->accept();
  setHovering(false);
}

void DropZone::dropEvent(QDropEvent* event) {
  if (!carriesFileUrls(event->mimeData())) return event->ignore();
  setHovering(false);
  // What the drop turns into is the intake's business; the drop itself is
  // always taken, on every screen.
  acceptAsCopy(event);
  emit dropped(droppedItems(event->mimeData()));
}

}  // namespace quillmere::ui
