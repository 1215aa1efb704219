// Writes the application icon as PNGs into an icon-theme tree, for installing:
// quillmere_render_icon OUTPUT_DIR NAME SIZE...
// gives OUTPUT_DIR/SIZExSIZE/apps/NAME.png for each size.

#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "app/app_icon.h"

int main(int argc, char** argv) {
  // No QGuiApplication: it runs during the build, where there may be no
  // display, and drawing into an image needs none.
  if (argc < 4) {
    std::fprintf(stderr, "usage: quillmere_render_icon OUTPUT_DIR NAME SIZE...\n");
    return 2;
  }
  const QDir output(QString::fromLocal8Bit(argv[1]));
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int pixels = std::atoi(argv[i]);
    const QString folder = QStringLiteral("%1x%1/apps").arg(pixels);
    const QString file = output.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    const QImage image = quillmere::app::renderAppIcon(pixels);
    if (image.isNull() || !output.mkpath(folder) || !image.save(file)) {
      std::fprintf(stderr, "quillmere_render_icon: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
