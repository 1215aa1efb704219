// A window that drags one file, as a file manager does: a press on it starts
// a drag of the path given, offered as a file URL. For walks of the app
// under a real X server, where xdotool moves the mouse but has no file to drag.
//   quillmere_drag_source PATH

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

class DragSource : public QLabel {
public:
  explicit DragSource(const QString& path) : QLabel(QFileInfo(path).fileName()), path_(path) {
    setWindowTitle(QStringLiteral("Drag source"));
    setAlignment(Qt::AlignCenter);
    setMinimumSize(220, 60);
  }

protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    auto* offered = new QMimeData;
    offered->setUrls({QUrl::fromLocalFile(path_)});
    auto* drag = new QDrag(this);
    drag->setMimeData(offered);
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
  }

private:
  QString path_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  DragSource source(QString::fromLocal8Bit(argv[1]));
  source.show();
  return app.exec();
}
