// Draws Dovetab's artwork: the application icon (icons/dovetab-256/128/48/32.png)
// and the hand cursor HAND-M.CUR, written into the resources folder given as the
// only argument. The outputs are checked in; run this only to change them.

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <cstdio>

namespace {

// One table card: a header band and a grid of rows, in a 100 x 100 design space.
void drawTable(QPainter& p, const QRectF& card, const QColor& header)
{
    QPainterPath outline;
    outline.addRoundedRect(card, 4, 4);
    p.fillPath(outline, QColor(0xFA, 0xFB, 0xFC));
    p.save();
    p.setClipPath(outline);
    p.fillRect(QRectF(card.left(), card.top(), card.width(), card.height() * 0.24), header);
    p.restore();
    p.setPen(QPen(QColor(0x9A, 0xA7, 0xB4), 1.6));
    const qreal top = card.top() + card.height() * 0.24;
    const qreal rowHeight = (card.bottom() - top) / 3.0;
    for (int i = 1; i < 3; ++i)
        p.drawLine(QPointF(card.left() + 3, top + i * rowHeight),
                   QPointF(card.right() - 3, top + i * rowHeight));
    p.drawLine(QPointF(card.center().x(), top + 3), QPointF(card.center().x(), card.bottom() - 3));
    p.setPen(QPen(QColor(0x2B, 0x3A, 0x4A), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
}

// An arrow from one point to another, with a solid head.
void drawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 6, Qt::SolidLine, Qt::RoundCap));
    const qreal direction = to.x() > from.x() ? 1 : -1;
    const QPointF shaftEnd(to.x() - direction * 8, to.y());
    p.drawLine(from, shaftEnd);
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to.x() - direction * 12, to.y() - 8);
    head.lineTo(to.x() - direction * 12, to.y() + 8);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.fillPath(head, colour);
}

QImage drawIcon(int size, bool opaque)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);

    QLinearGradient background(0, 0, 0, 100);
    background.setColorAt(0, QColor(0x1F, 0x5F, 0x8B));
    background.setColorAt(1, QColor(0x12, 0x3A, 0x57));
    QPainterPath plate;
    if (opaque)
        plate.addRect(0, 0, 100, 100);
    else
        plate.addRoundedRect(4, 4, 92, 92, 18, 18);
    p.fillPath(plate, background);

    drawTable(p, QRectF(9, 22, 26, 56), QColor(0x4F, 0x8F, 0xD0));
    drawTable(p, QRectF(65, 22, 26, 56), QColor(0x3F, 0xA8, 0x6B));
    drawArrow(p, QPointF(40, 39), QPointF(61, 39), QColor(0xF5, 0xB0, 0x31));
    drawArrow(p, QPointF(60, 61), QPointF(39, 61), QColor(0xF5, 0xB0, 0x31));
    p.end();
    if (opaque)
        return image.convertToFormat(QImage::Format_RGB888);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The hand, pointing up: '#' outline, 'o' fill, '.' transparent.
const char* const Hand[] = {
    "......##..........", ".....#oo#.........", ".....#oo#.........", ".....#oo#.........",
    ".....#oo#.........", ".....#oo###.......", ".....#oo#oo###....", ".....#oo#oo#oo##..",
    "..##.#oo#oo#oo#o#.", ".#oo##oo#oo#oo#oo#", ".#ooo#ooooooooooo#", "..#oo#ooooooooooo#",
    "..#oooooooooooooo#", "...#ooooooooooooo#", "...#oooooooooooo#.", "....#ooooooooooo#.",
    "....#ooooooooooo#.", ".....#ooooooooo#..", ".....#ooooooooo#..", ".....###########..",
};
constexpr int HandLeft = 6, HandTop = 2;
constexpr int HotX = HandLeft + 6, HotY = HandTop + 0;

QImage drawHand()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int row = 0; row < int(sizeof Hand / sizeof Hand[0]); ++row) {
        const QByteArray line(Hand[row]);
        for (int col = 0; col < line.size(); ++col) {
            const char c = line.at(col);
            if (c == '#')
                image.setPixel(HandLeft + col, HandTop + row, qRgba(0, 0, 0, 255));
            else if (c == 'o')
                image.setPixel(HandLeft + col, HandTop + row, qRgba(255, 255, 255, 255));
        }
    }
    return image;
}

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// A .cur file with one 32 x 32 image: 32-bit BGRA colour rows and a 1-bit AND
// mask, both bottom-up, as a Windows icon resource stores them.
QByteArray cursorFile(const QImage& image, int hotX, int hotY)
{
    const int w = image.width(), h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray bitmap;
    put32(bitmap, 40);             // BITMAPINFOHEADER size
    put32(bitmap, quint32(w));     // width
    put32(bitmap, quint32(2 * h)); // height of colour and mask together
    put16(bitmap, 1);              // planes
    put16(bitmap, 32);             // bits per pixel
    put32(bitmap, 0);              // BI_RGB
    put32(bitmap, quint32(w * h * 4 + maskStride * h));
    put32(bitmap, 0);
    put32(bitmap, 0);
    put32(bitmap, 0);
    put32(bitmap, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const QRgb px = image.pixel(x, y);
            bitmap.append(char(qBlue(px)));
            bitmap.append(char(qGreen(px)));
            bitmap.append(char(qRed(px)));
            bitmap.append(char(qAlpha(px)));
        }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        bitmap.append(row);
    }

    QByteArray file;
    put16(file, 0);             // reserved
    put16(file, 2);             // type: cursor
    put16(file, 1);             // one image
    file.append(char(w));       // width
    file.append(char(h));       // height
    file.append('\0');          // colour count
    file.append('\0');          // reserved
    put16(file, quint16(hotX)); // hot spot x
    put16(file, quint16(hotY)); // hot spot y
    put32(file, quint32(bitmap.size()));
    put32(file, 6 + 16); // offset of the image
    file.append(bitmap);
    return file;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : {256, 128, 48, 32}) {
        const QString path = QStringLiteral("%1/icons/dovetab-%2.png").arg(folder).arg(size);
        if (!drawIcon(size, size == 32).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString cursor = folder + QStringLiteral("/HAND-M.CUR");
    if (!writeFile(cursor, cursorFile(drawHand(), HotX, HotY))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(cursor));
        return 1;
    }
    return 0;
}
