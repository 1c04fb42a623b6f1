// The window's pictures and the application icon, drawn by the program itself.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <string_view>

namespace gaintool::ui {

// A picture of the layout by its name: "logo" (66 x 64) or "wordmark" (103 x 21). The colour of
// its lower-left pixel is transparent, so the window's face shows through. A null pixmap for an
// unknown name.
QPixmap LayoutPicture(std::string_view name);

// `image` with every pixel of its lower-left pixel's colour made fully transparent.
QImage WithLowerLeftTransparent(const QImage& image);

// The application icon, in the sizes a window manager asks for.
QIcon ApplicationIcon();

}  // namespace gaintool::ui
