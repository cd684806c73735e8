#include "app/HomePage.h"
#include "app/MainWindows.h"
#include "app/SkinFramework.h"
#include "core/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FixedDraw : public HomePage
{
public:
    explicit FixedDraw(int number) : m_number(number) {}
    int draw() override { return m_number; }
    void open(const QUrl& address) override { opened << address; }
    QList<QUrl> opened;

private:
    int m_number;
};

QColor background(const QWidget* widget)
{
    return widget->palette().color(widget->backgroundRole());
}

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("skin");
}

} // namespace

class TestMainWindows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Main::setProgramFolderForTesting(QString()); }

    void homePageOpensOnSevenOnly()
    {
        for (int number : {1, 6, 8, 100}) {
            FixedDraw other(number);
            Main::MaybeOpenHomePage(other);
            QVERIFY(other.opened.isEmpty());
        }
        FixedDraw seven(7);
        Main::MaybeOpenHomePage(seven);
        QCOMPARE(seven.opened, QList<QUrl>{QUrl(QStringLiteral("https://www.harrowick.example/"))});
    }

    // Every second of the day is a seed: the draws stay within 1 to 100, and 7
    // comes up about once in a hundred.
    void drawRangeAndSpread()
    {
        int sevens = 0, low = 101, high = 0;
        constexpr int secondsPerDay = 86400;
        for (quint32 seed = 0; seed < secondsPerDay; ++seed) {
            const int n = DesktopHomePage::drawWithSeed(seed);
            low = qMin(low, n);
            high = qMax(high, n);
            sevens += n == 7;
        }
        QCOMPARE(low, 1);
        QCOMPARE(high, 100);
        QVERIFY2(sevens > secondsPerDay / 200 && sevens < secondsPerDay / 50,
                 qPrintable(QString::number(sevens)));
    }

    void buttonFaceColoursOnlyTheirKinds()
    {
        QWidget window;
        auto* frame = new QGroupBox(QStringLiteral("Frame1"), &window);
        auto* label = new QLabel(QStringLiteral("Server:"), frame);
        auto* check = new QCheckBox(&window);
        auto* edit = new QLineEdit(frame);
        auto* list = new QListWidget(&window);
        auto* button = new QPushButton(&window);
        QPalette white;
        white.setColor(QPalette::Window, Qt::white);
        white.setColor(QPalette::Base, Qt::white);
        white.setColor(QPalette::Button, Qt::white);
        for (QWidget* w : {&window, static_cast<QWidget*>(frame), static_cast<QWidget*>(label),
                           static_cast<QWidget*>(check), static_cast<QWidget*>(edit),
                           static_cast<QWidget*>(list), static_cast<QWidget*>(button)})
            w->setPalette(white);

        Main::SetButtonFaceColors(window);

        const QColor face = QApplication::palette().color(QPalette::Button);
        QVERIFY(face != QColor(Qt::white));
        QCOMPARE(background(&window), face);
        QCOMPARE(background(frame), face);
        QCOMPARE(background(label), face);
        QCOMPARE(background(check), face);
        QVERIFY(frame->autoFillBackground());
        QCOMPARE(edit->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(list->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
    }

    void noSkinWithoutTheFile()
    {
        QTemporaryDir dir;
        Main::setProgramFolderForTesting(dir.path());
        QWidget window;
        window.setPalette(QPalette(Qt::white));
        SkinFramework skin;
        Main::ApplySkin(window, skin);
        // A folder of the file's name is no skin file either.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("x/o.cjs")));
        Main::ApplySkin(window, skin);
        QVERIFY(skin.calls().isEmpty());
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
    }

    void skinCallsInOrder()
    {
        QTemporaryDir dir;
        Main::setProgramFolderForTesting(dir.path());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("x")));
        const QString path = dir.filePath(QStringLiteral("x/o.cjs"));
        touch(path);
        QWidget window;
        auto* label = new QLabel(&window);
        SkinFramework skin;
        Main::ApplySkin(window, skin);
        const QStringList expected = {QStringLiteral("2(%1,)").arg(path),
                                      QStringLiteral("1 -> 0"),
                                      QStringLiteral("1 = 1"),
                                      QStringLiteral("5 = true"),
                                      QStringLiteral("10 = true"),
                                      QStringLiteral("3(%1)").arg(window.winId())};
        QCOMPARE(skin.calls(), expected);
        QCOMPARE(skin.window(), static_cast<quintptr>(window.winId()));
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(background(&window), face);
        QCOMPARE(background(label), face);
    }
};

QTEST_MAIN(TestMainWindows)
#include "tst_app_main.moc"
