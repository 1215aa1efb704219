#pragma once
// The application's own icon, drawn from desktop/quillmere.svg (compiled into
// the program): the window icon, and the PNG sizes installed into the icon theme.

#include <QIcon>
#include <QImage>

namespace quillmere::app {

// The icon drawn into a transparent square of `pixels` × `pixels`.
QImage renderAppIcon(int pixels);

// The window icon: every size a window manager or task bar asks for.
QIcon appIcon();

}  // namespace quillmere::app
