#include "app/CursorFile.h"
#include "app/QtDialogs.h"
#include "core/AppError.h"

#include <QBitmap>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString loadFailure(const QString& path)
{
    try {
        loadCursorFile(path);
    } catch (const AppError& e) {
        return e.description();
    }
    return QStringLiteral("<loaded>");
}

} // namespace

class TestCursorFile : public QObject
{
    Q_OBJECT

private slots:
    // The hand cursor the build puts beside the program.
    void handCursorBesideTheProgram()
    {
        const QString build = qEnvironmentVariable("DOVETAB_BUILD_DIR");
        QVERIFY2(!build.isEmpty(), "DOVETAB_BUILD_DIR is not set: run the tests through ctest");
        const QCursor cursor = loadCursorFile(build + QStringLiteral("/HAND-M.CUR"));
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
        QCOMPARE(cursor.hotSpot(), QPoint(12, 2));
        // The fingertip under the hot spot is drawn; the corner is transparent.
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(qAlpha(image.pixel(12, 2)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 31)), 0);
    }

    void iconFilesLoadToo()
    {
        QTemporaryDir dir;
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = dir.filePath(QStringLiteral("red.ico"));
        QImageWriter writer(path, "ico");
        QVERIFY(writer.write(image));
        const QCursor cursor = loadCursorFile(path);
        QCOMPARE(cursor.pixmap().size(), QSize(16, 16));
        QCOMPARE(cursor.hotSpot(), QPoint(0, 0));
    }

    void whatIsNoPictureFails_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("this is not an image\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only") << QByteArray("\0\0\2\0\1\0", 6);
        QByteArray badImage("\0\0\2\0\1\0", 6);
        badImage += QByteArray("\x20\x20\0\0\x05\0\x05\0\x10\0\0\0\x16\0\0\0", 16);
        badImage += QByteArray(16, 'z');
        QTest::newRow("cursor header, no bitmap") << badImage;
        QTest::newRow("wrong type") << QByteArray("\0\0\3\0\1\0", 6) + QByteArray(32, '\0');
    }
    void whatIsNoPictureFails()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QCOMPARE(loadFailure(writeFile(dir, QStringLiteral("HAND-M.CUR"), bytes)),
                 QStringLiteral("Invalid picture"));
    }

    void missingFileFails()
    {
        QTemporaryDir dir;
        QCOMPARE(loadFailure(dir.filePath(QStringLiteral("none.cur"))),
                 QStringLiteral("Invalid picture"));
    }

    // The dialogs show each CR LF, CR or LF as one line break.
    void dialogLineBreaks()
    {
        QCOMPARE(QtDialogs::displayText(QStringLiteral("a\r\nb\r\rc\nd")),
                 QStringLiteral("a\nb\n\nc\nd"));
    }
};

QTEST_MAIN(TestCursorFile)
#include "tst_app_cursor.moc"
