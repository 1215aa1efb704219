#include "ui/theme.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>

namespace quillmere::ui {

QFont font(TextStyle style, bool bold) {
  QFont f = QApplication::font();
  int size = 13;
  switch (style) {
    case TextStyle::Title2: size = 17; break;
    case TextStyle::Headline: size = 13; bold = true; break;
    case TextStyle::Subheadline: size = 11; break;
    case TextStyle::Body: size = 13; break;
    case TextStyle::Caption: size = 10; break;
  }
  f.setPixelSize(size);
  f.setBold(bold);
  return f;
}

QFont systemFont(qreal pointSize) {
  QFont f = QApplication::font();
  f.setPixelSize(qRound(pointSize));
  f.setBold(false);
  return f;
}

bool isDarkAppearance() {
  return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

namespace {

// Listens to the application itself, which hears of every new application
// palette: a widget only does when its own resolved palette changes, and not
// at all below a parent that sets the colours it would have changed.
class AppearanceFollower : public QObject {
public:
  AppearanceFollower(QWidget* widget, std::function<void()> apply)
      : QObject(widget), apply_(std::move(apply)), dark_(isDarkAppearance()) {
    qApp->installEventFilter(this);  // removed again when this object goes
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && isDarkAppearance() != dark_) {
      dark_ = !dark_;
      apply_();
    }
    return false;
  }

private:
  std::function<void()> apply_;
  bool dark_;
};

}  // namespace

void followAppearance(QWidget* widget, std::function<void()> apply) {
  apply();
  new AppearanceFollower(widget, std::move(apply));
}

void followPaletteColor(QWidget* widget, QPalette::ColorRole role, NamedColor name) {
  followAppearance(widget, [widget, role, name] {
    QPalette palette = widget->palette();
    palette.setColor(role, color(name));
    widget->setPalette(palette);
  });
}

QColor color(NamedColor name) {
  const bool dark = isDarkAppearance();
  switch (name) {
    case NamedColor::Blue: return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
    case NamedColor::Gray: return dark ? QColor(152, 152, 157) : QColor(142, 142, 147);
    case NamedColor::Red: return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case NamedColor::Green: return dark ? QColor(48, 209, 88) : QColor(52, 199, 89);
    case NamedColor::White: return QColor(255, 255, 255);
    case NamedColor::Primary: return dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
    case NamedColor::Secondary: return dark ? QColor(235, 235, 245, 140) : QColor(60, 60, 67, 153);
    case NamedColor::WindowBackground: return dark ? QColor(50, 50, 50) : QColor(236, 236, 236);
    case NamedColor::ControlBackground: return dark ? QColor(30, 30, 30) : QColor(255, 255, 255);
  }
  return {};
}

}  // namespace quillmere::ui
