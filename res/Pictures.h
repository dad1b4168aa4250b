#pragma once
// The pictures of the window program, addressed by their resource number.
//
// Numbers in use: 137-142 and 148-153 (the big buttons of the operation pages), 145 (the logo),
// 154 and 156 (the progress bar), 128 (the icon). 143, 144, 146, 147 and 155 are not used.

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The picture with this number, or a null pixmap for a number that has none.
QPixmap Picture(int number);
// The same picture as an image, as the bitmap button takes it.
QImage PictureImage(int number);
// The application icon (128) in all of its sizes.
QIcon ApplicationIcon();
