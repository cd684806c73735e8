#include "core/Main.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("skin");
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Main::setProgramFolderForTesting(QString()); }

    void appTitle_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("no blank keeps the name") << "Dovetab"
                                                 << "Dovetab";
        QTest::newRow("last word always goes") << "Harrowick Dovetab"
                                               << "Harrowick";
        QTest::newRow("only the last blank") << "Harrowick Table Mover"
                                             << "Harrowick Table";
        QTest::newRow("cut until 40")
            << "Harrowick Dovetab for PostgreSQL and IBM DB2 Databases Edition"
            << "Harrowick Dovetab for PostgreSQL and IBM";
        QTest::newRow("runs out of blanks")
            << QStringLiteral("%1 tail").arg(QString(45, QLatin1Char('x')))
            << QString(40, QLatin1Char('x'));
        QTest::newRow("blank at the start") << " Dovetab"
                                            << "";
    }
    void appTitle()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QCOMPARE(Main::appTitleFor(name), title);
    }

    void setAppTitleUsesTheProductName()
    {
        Main::SetAppTitle();
        QCOMPARE(Main::AppTitle(), QStringLiteral("Dovetab"));
    }

    void fileExists()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("HAND-M.CUR"));
        QVERIFY(!Main::FileExists(file));
        QVERIFY(!Main::FileExists(QString()));
        QVERIFY(!Main::FileExists(dir.filePath(QStringLiteral("no/such/folder/file"))));
        touch(file);
        QVERIFY(Main::FileExists(file));
    }

    void programFolderSeam()
    {
        QCOMPARE(Main::ProgramFolder(), QCoreApplication::applicationDirPath());
        Main::setProgramFolderForTesting(QStringLiteral("/opt/somewhere"));
        QCOMPARE(Main::HandCursorPath(), QStringLiteral("/opt/somewhere/HAND-M.CUR"));
        QCOMPARE(Main::SkinPath(), QStringLiteral("/opt/somewhere/x/o.cjs"));
    }
};

QTEST_GUILESS_MAIN(TestMain)
#include "tst_core_main.moc"
