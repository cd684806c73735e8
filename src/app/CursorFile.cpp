#include "app/CursorFile.h"

#include "core/AppError.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace {

[[noreturn]] void invalidPicture()
{
    throw AppError(QStringLiteral("Invalid picture"));
}

quint16 word(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

} // namespace

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        invalidPicture();
    const QByteArray bytes = file.readAll();

    // ICONDIR (reserved 0, type 1 icon or 2 cursor, count) and the first entry,
    // whose planes and bit count fields hold a cursor's hot spot.
    constexpr int headerSize = 6, entrySize = 16;
    if (bytes.size() < headerSize + entrySize || word(bytes, 0) != 0)
        invalidPicture();
    const quint16 type = word(bytes, 2);
    if ((type != 1 && type != 2) || word(bytes, 4) == 0)
        invalidPicture();

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, type == 2 ? "cur" : "ico");
    QImage image;
    if (!reader.read(&image) || image.isNull())
        invalidPicture();

    int hotX = 0, hotY = 0;
    if (type == 2) {
        hotX = qBound(0, int(word(bytes, headerSize + 4)), image.width() - 1);
        hotY = qBound(0, int(word(bytes, headerSize + 6)), image.height() - 1);
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
