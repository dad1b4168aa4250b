#include "Pictures.h"

#include <QHash>
#include <QString>

namespace {

QString ResourcePath(int number)
{
    if (number == 128)
        return QStringLiteral(":/pictures/icon-128-256.png");
    return QStringLiteral(":/pictures/bitmap-%1.png").arg(number);
}

} // namespace

QImage PictureImage(int number)
{
    // Keyed bitmaps must stay 24-bit: the key colour is compared exactly.
    QImage image(ResourcePath(number));
    if (image.isNull() || number == 128)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

QPixmap Picture(int number)
{
    // Loaded once: the pages swap their pictures every time the connection changes.
    static QHash<int, QPixmap> cache;
    auto it = cache.find(number);
    if (it == cache.end())
        it = cache.insert(number, QPixmap::fromImage(PictureImage(number)));
    return *it;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/pictures/icon-128-%1.png").arg(size), QSize(size, size));
    return icon;
}
