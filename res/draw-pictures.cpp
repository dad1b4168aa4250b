// Draws every picture of the window program into PNG files named after their resource number.
// Run by the build; change a picture here and rebuild. Shapes only, no text, so the result does
// not depend on the fonts of the build machine.
//
//   draw-pictures OUTPUT_DIR

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

const QColor kTransparent(0, 255, 255); // the colour key of every button picture
// Edge pixels are blended with the usual button face, so the rounded corners look smooth
// on the face the buttons fill in.
const QColor kFaceForEdges(240, 240, 240);
const QColor kGreyFrame(158, 164, 172);
const QColor kBlueFrame(38, 122, 224);

constexpr int kTileWidth = 140;
constexpr int kTileHeight = 134;
constexpr qreal kTileRadius = 14;

enum class Tone { Colour, Grey, BlueTint };

QRectF TileRect() { return QRectF(0.5, 0.5, kTileWidth - 1, kTileHeight - 1); }

QPainterPath RoundedPath(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// Coverage of `shape` on an image of `size`: 0 outside, 255 inside, in between on the edge.
QImage Coverage(QSize size, const std::function<void(QPainter&)>& shape)
{
    QImage mask(size, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    shape(painter);
    return mask;
}

// Flattens an ARGB drawing to the 24-bit form of a keyed bitmap: fully outside pixels become
// the key colour, edge pixels are blended with the button face, and no inner pixel may
// happen to equal the key.
QImage Keyed(const QImage& drawing, const QImage& coverage)
{
    QImage out(drawing.size(), QImage::Format_RGB888);
    for (int y = 0; y < drawing.height(); ++y) {
        for (int x = 0; x < drawing.width(); ++x) {
            const int cover = qAlpha(coverage.pixel(x, y));
            if (cover == 0) {
                out.setPixelColor(x, y, kTransparent);
                continue;
            }
            const QColor c = QColor::fromRgba(drawing.pixel(x, y));
            const qreal a = cover / 255.0;
            QColor mixed(qRound(c.red() * a + kFaceForEdges.red() * (1 - a)),
                         qRound(c.green() * a + kFaceForEdges.green() * (1 - a)),
                         qRound(c.blue() * a + kFaceForEdges.blue() * (1 - a)));
            if (mixed == kTransparent)
                mixed.setRed(1);
            out.setPixelColor(x, y, mixed);
        }
    }
    return out;
}

QColor Toned(QColor c, Tone tone)
{
    if (tone == Tone::Colour)
        return c;
    const int luma = qGray(c.rgb());
    if (tone == Tone::Grey) {
        // Washed out a little: the grey pictures stand for "not available".
        const int g = qBound(0, 60 + luma * 3 / 4, 255);
        return QColor(g, g, g, c.alpha());
    }
    // Dark parts become navy, white becomes a pale sky blue.
    return QColor(30 + luma * 66 / 100, 60 + luma * 64 / 100, 120 + luma * 53 / 100, c.alpha());
}

void ApplyTone(QImage& image, Tone tone)
{
    if (tone == Tone::Colour)
        return;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, Toned(image.pixelColor(x, y), tone));
}

// --- the pieces of the two button pictures ------------------------------------------------

void DrawLaptop(QPainter& p)
{
    // Lid with a dark bezel and a blue screen.
    const QRectF lid(30, 74, 80, 44);
    QLinearGradient bezel(lid.topLeft(), lid.bottomLeft());
    bezel.setColorAt(0, QColor(86, 94, 108));
    bezel.setColorAt(1, QColor(52, 58, 70));
    p.setPen(QPen(QColor(40, 44, 54), 1));
    p.setBrush(bezel);
    p.drawRoundedRect(lid, 4, 4);

    const QRectF screen = lid.adjusted(5, 5, -5, -5);
    QLinearGradient glass(screen.topLeft(), screen.bottomRight());
    glass.setColorAt(0, QColor(126, 196, 255));
    glass.setColorAt(1, QColor(30, 104, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawRect(screen);
    // A soft reflection across the screen.
    QPainterPath shine;
    shine.moveTo(screen.topLeft());
    shine.lineTo(screen.left() + screen.width() * 0.55, screen.top());
    shine.lineTo(screen.left() + screen.width() * 0.25, screen.bottom());
    shine.lineTo(screen.bottomLeft());
    shine.closeSubpath();
    p.setBrush(QColor(255, 255, 255, 48));
    p.drawPath(shine);

    // Base seen from the front.
    QPainterPath base;
    base.moveTo(24, 118);
    base.lineTo(116, 118);
    base.lineTo(122, 125);
    base.quadTo(122, 127, 119, 127);
    base.lineTo(21, 127);
    base.quadTo(18, 127, 18, 125);
    base.closeSubpath();
    QLinearGradient metal(0, 118, 0, 127);
    metal.setColorAt(0, QColor(222, 226, 232));
    metal.setColorAt(1, QColor(150, 156, 166));
    p.setPen(QPen(QColor(110, 116, 126), 1));
    p.setBrush(metal);
    p.drawPath(base);
    p.setPen(QPen(QColor(120, 126, 136), 1));
    p.drawLine(QPointF(60, 121.5), QPointF(80, 121.5));
}

void DrawArrow(QPainter& p, qreal centreX, qreal fromY, qreal toY, QColor light, QColor dark)
{
    // A broad arrow from fromY to its tip at toY (up or down).
    const qreal dir = toY > fromY ? 1 : -1;
    const qreal shaft = 9, head = 19, headLength = 17;
    const qreal neck = toY - dir * headLength;
    QPainterPath arrow;
    arrow.moveTo(centreX - shaft, fromY);
    arrow.lineTo(centreX + shaft, fromY);
    arrow.lineTo(centreX + shaft, neck);
    arrow.lineTo(centreX + head, neck);
    arrow.lineTo(centreX, toY);
    arrow.lineTo(centreX - head, neck);
    arrow.lineTo(centreX - shaft, neck);
    arrow.closeSubpath();
    QLinearGradient fill(centreX - head, 0, centreX + head, 0);
    fill.setColorAt(0, light);
    fill.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(150), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(arrow);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.5));
    p.drawLine(QPointF(centreX - shaft + 2.5, fromY + dir * 2), QPointF(centreX - shaft + 2.5, neck - dir * 1));
}

void DrawPaper(QPainter& p, const QRectF& sheet, bool foldedCorner)
{
    const qreal fold = foldedCorner ? 11 : 0;
    QPainterPath outline;
    outline.moveTo(sheet.topLeft());
    outline.lineTo(sheet.right() - fold, sheet.top());
    outline.lineTo(sheet.right(), sheet.top() + fold);
    outline.lineTo(sheet.bottomRight());
    outline.lineTo(sheet.bottomLeft());
    outline.closeSubpath();
    // Shadow first, a little offset.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(outline.translated(2, 2));
    p.setPen(QPen(QColor(120, 128, 140), 1));
    p.setBrush(Qt::white);
    p.drawPath(outline);
    if (foldedCorner) {
        QPainterPath ear;
        ear.moveTo(sheet.right() - fold, sheet.top());
        ear.lineTo(sheet.right() - fold, sheet.top() + fold);
        ear.lineTo(sheet.right(), sheet.top() + fold);
        ear.closeSubpath();
        p.setBrush(QColor(214, 220, 228));
        p.drawPath(ear);
    }
}

void DrawScoreSheet(QPainter& p)
{
    const QRectF sheet(36, 8, 68, 52);
    DrawPaper(p, sheet, false);
    // Header band with a little flag.
    const QRectF header(sheet.left() + 1, sheet.top() + 1, sheet.width() - 1, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(46, 150, 70));
    p.drawRect(header);
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(header.left() + 5.5, header.top() + 1.5), QPointF(header.left() + 5.5, header.bottom() - 1));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 70, 56));
    QPolygonF flag;
    flag << QPointF(header.left() + 6, header.top() + 1.5) << QPointF(header.left() + 11, header.top() + 3.5)
         << QPointF(header.left() + 6, header.top() + 5.5);
    p.drawPolygon(flag);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(QRectF(header.left() + 16, header.top() + 3.5, 26, 2.5));

    // A grid of holes and strokes: light rows, a darker first column, marks for the scores.
    const qreal top = header.bottom() + 3, left = sheet.left() + 4, right = sheet.right() - 4;
    const int rows = 5, columns = 6;
    const qreal rowHeight = 7, columnWidth = (right - left) / columns;
    for (int r = 0; r < rows; ++r) {
        const qreal y = top + r * rowHeight;
        if (r % 2 == 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(232, 242, 234));
            p.drawRect(QRectF(left, y, right - left, rowHeight));
        }
        for (int c = 0; c < columns; ++c) {
            const qreal x = left + c * columnWidth;
            p.setPen(Qt::NoPen);
            p.setBrush(c == 0 ? QColor(60, 70, 84) : QColor(96, 106, 120));
            const qreal markWidth = c == 0 ? columnWidth - 3 : 3 + ((r * 7 + c * 3) % 3);
            p.drawRect(QRectF(x + 1.5, y + 2, markWidth, 3));
        }
    }
    p.setPen(QPen(QColor(190, 200, 206), 0.8));
    p.setBrush(Qt::NoBrush);
    for (int c = 1; c < columns; ++c)
        p.drawLine(QPointF(left + c * columnWidth, top), QPointF(left + c * columnWidth, top + rows * rowHeight));
    // One circled score, as a player marks a birdie.
    p.setPen(QPen(QColor(220, 60, 50), 1.2));
    p.drawEllipse(QPointF(left + 3.5 * columnWidth + 2, top + 1.5 * rowHeight), 4.2, 3.6);
}

void DrawDocument(QPainter& p)
{
    const QRectF sheet(44, 6, 52, 58);
    DrawPaper(p, sheet, true);
    // Text lines, and a small chip mark that says "program".
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 122, 224));
    p.drawRoundedRect(QRectF(sheet.left() + 6, sheet.top() + 7, 12, 10), 1.5, 1.5);
    p.setPen(QPen(QColor(38, 122, 224), 1));
    for (int i = 0; i < 3; ++i) {
        const qreal x = sheet.left() + 8.5 + i * 3.5;
        p.drawLine(QPointF(x, sheet.top() + 5), QPointF(x, sheet.top() + 7));
        p.drawLine(QPointF(x, sheet.top() + 17), QPointF(x, sheet.top() + 19));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 130, 146));
    const qreal widths[] = {20, 32, 40, 28, 38, 24};
    for (int i = 0; i < 6; ++i) {
        const qreal y = sheet.top() + (i < 2 ? 9 + i * 5 : 23 + (i - 2) * 6.5);
        const qreal x = sheet.left() + (i < 2 ? 21 : 6);
        p.drawRect(QRectF(x, y, i < 2 ? widths[i] * 0.6 : widths[i], 2.6));
    }
}

void DrawTileBackground(QPainter& p)
{
    QLinearGradient fill(0, 0, 0, kTileHeight);
    fill.setColorAt(0, QColor(255, 255, 255));
    fill.setColorAt(1, QColor(226, 234, 244));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(RoundedPath(TileRect(), kTileRadius));
}

void DrawFrame(QPainter& p, QColor colour)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 3));
    p.drawPath(RoundedPath(TileRect().adjusted(1.5, 1.5, -1.5, -1.5), kTileRadius - 1.5));
    p.setPen(QPen(colour.lighter(130), 1));
    p.drawPath(RoundedPath(TileRect().adjusted(3.5, 3.5, -3.5, -3.5), kTileRadius - 3.5));
}

enum class Subject { PlayData, Upload };

QImage ButtonPicture(Subject subject, Tone tone, QColor frame)
{
    QImage art(kTileWidth, kTileHeight, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        DrawTileBackground(p);
        if (subject == Subject::PlayData) {
            DrawScoreSheet(p);
            DrawLaptop(p);
            DrawArrow(p, 70, 44, 100, QColor(120, 214, 96), QColor(34, 140, 52));
        } else {
            DrawDocument(p);
            DrawLaptop(p);
            DrawArrow(p, 70, 100, 44, QColor(255, 190, 80), QColor(226, 112, 20));
        }
    }
    ApplyTone(art, tone);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        DrawFrame(p, frame);
    }
    const QImage cover = Coverage(art.size(), [](QPainter& p) { p.drawPath(RoundedPath(TileRect(), kTileRadius)); });
    return Keyed(art, cover);
}

// --- the logo ---------------------------------------------------------------------------

QImage Logo()
{
    const QSize size(100, 100);
    const QPointF centre(50, 50);
    QImage art(size, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        QRadialGradient disc(QPointF(38, 32), 66);
        disc.setColorAt(0, QColor(92, 196, 96));
        disc.setColorAt(1, QColor(10, 96, 48));
        p.setPen(Qt::NoPen);
        p.setBrush(disc);
        p.drawEllipse(centre, 48.5, 48.5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 210), 2.5));
        p.drawEllipse(centre, 43, 43);

        // The putting green, the hole and the pin with its flag.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(196, 236, 150));
        p.drawEllipse(QPointF(50, 72), 30, 9);
        p.setBrush(QColor(20, 60, 30));
        p.drawEllipse(QPointF(46, 71), 4, 1.6);
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(46, 70.5), QPointF(46, 20));
        QPainterPath flag;
        flag.moveTo(47, 20);
        flag.cubicTo(58, 17, 62, 27, 74, 24);
        flag.lineTo(74, 39);
        flag.cubicTo(62, 42, 58, 32, 47, 36);
        flag.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(236, 64, 48));
        p.drawPath(flag);

        // The ball, with a highlight and a few dimples.
        QRadialGradient ball(QPointF(62, 63), 8);
        ball.setColorAt(0, Qt::white);
        ball.setColorAt(1, QColor(206, 212, 218));
        p.setBrush(ball);
        p.setPen(QPen(QColor(140, 150, 160), 0.8));
        p.drawEllipse(QPointF(64, 66), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(170, 178, 188));
        for (const QPointF d : {QPointF(62, 65), QPointF(66, 64), QPointF(64, 68.5), QPointF(67.5, 68)})
            p.drawEllipse(d, 0.8, 0.8);
    }
    const QImage cover = Coverage(size, [&](QPainter& p) { p.drawEllipse(centre, 48.5, 48.5); });
    return Keyed(art, cover);
}

// --- the progress bar ---------------------------------------------------------------------

QImage GlossyBar(QColor top, QColor upper, QColor lower, QColor bottom, QColor edge)
{
    QImage bar(510, 25, QImage::Format_RGB888);
    QPainter p(&bar);
    QLinearGradient fill(0, 0, 0, bar.height());
    fill.setColorAt(0, top);
    fill.setColorAt(0.48, upper);
    fill.setColorAt(0.52, lower);
    fill.setColorAt(1, bottom);
    p.fillRect(bar.rect(), fill);
    p.setPen(edge);
    p.drawLine(0, 0, bar.width() - 1, 0);
    p.drawLine(0, bar.height() - 1, bar.width() - 1, bar.height() - 1);
    p.setPen(QColor(255, 255, 255, 120));
    p.drawLine(0, 1, bar.width() - 1, 1);
    return bar;
}

// --- the application icon -----------------------------------------------------------------

QImage Icon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient fill(0, 0, 0, 64);
    fill.setColorAt(0, QColor(76, 182, 84));
    fill.setColorAt(1, QColor(14, 104, 52));
    p.setPen(QPen(QColor(8, 70, 36), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2.5, 2.5, 59, 59), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 236, 150));
    p.drawEllipse(QPointF(32, 50), 20, 6);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(28, 50), QPointF(28, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 64, 48));
    QPolygonF flag;
    flag << QPointF(29.5, 11) << QPointF(48, 18.5) << QPointF(29.5, 26);
    p.drawPolygon(flag);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(40, 46), 4.5, 4.5);
    return icon;
}

bool Save(const QImage& image, const QString& directory, const QString& name)
{
    const QString path = directory + "/" + name + ".png";
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "draw-pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-pictures OUTPUT_DIR\n");
        return 2;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "draw-pictures: cannot create %s\n", argv[1]);
        return 1;
    }

    struct Button {
        int number;
        Subject subject;
        Tone tone;
        QColor frame;
    };
    const Button buttons[] = {
        {137, Subject::PlayData, Tone::Colour, kGreyFrame},   // connected, rest
        {138, Subject::PlayData, Tone::Colour, kBlueFrame},   // connected, hover
        {139, Subject::PlayData, Tone::Colour, kBlueFrame},   // working
        {150, Subject::PlayData, Tone::Grey, kGreyFrame},     // disconnected, rest
        {151, Subject::PlayData, Tone::BlueTint, kBlueFrame}, // disconnected, hover
        {152, Subject::PlayData, Tone::Grey, kBlueFrame},     // clicked while not connected
        {140, Subject::Upload, Tone::Colour, kGreyFrame},
        {141, Subject::Upload, Tone::Colour, kBlueFrame},
        {142, Subject::Upload, Tone::Colour, kBlueFrame},
        {153, Subject::Upload, Tone::Grey, kGreyFrame},
        {148, Subject::Upload, Tone::BlueTint, kBlueFrame},
        {149, Subject::Upload, Tone::Grey, kBlueFrame},
    };
    bool ok = true;
    for (const Button& b : buttons)
        ok &= Save(ButtonPicture(b.subject, b.tone, b.frame), directory, QString("bitmap-%1").arg(b.number));
    ok &= Save(Logo(), directory, "bitmap-145");
    ok &= Save(GlossyBar(QColor(196, 244, 170), QColor(112, 206, 84), QColor(66, 176, 46), QColor(120, 214, 92),
                         QColor(44, 128, 34)),
               directory, "bitmap-154");
    ok &= Save(GlossyBar(QColor(250, 250, 250), QColor(232, 232, 232), QColor(216, 216, 216), QColor(236, 236, 236),
                         QColor(168, 168, 168)),
               directory, "bitmap-156");
    for (int size : {16, 24, 32, 48, 64, 256})
        ok &= Save(Icon(size), directory, QString("icon-128-%1").arg(size));
    return ok ? 0 : 1;
}
