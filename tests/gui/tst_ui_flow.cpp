// Start-up and the flow between the windows against the PostgreSQL server and
// the DB2 stand-in.

#include "tst_ui_support.h"

#include "TestEnv.h"
#include "db/NameList.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

QStringList texts(const NameList& list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.text(i);
    return names;
}

bool isSorted(const QStringList& names)
{
    return std::is_sorted(names.begin(), names.end(), tableNameLess);
}

// Sessions the PostgreSQL server logged for a database (log_connections is on).
int sessionsLogged(const QString& database)
{
    QFile log(TestEnv::requireEnv("DOVETAB_PG_LOG"));
    if (!log.open(QIODevice::ReadOnly))
        qFatal("cannot read the server log %s", qPrintable(log.fileName()));
    const QByteArray needle =
        "connection authorized: user=" + TestEnv::requireEnv("DOVETAB_PG_USER").toUtf8() +
        " database=" + database.toUtf8();
    int count = 0;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const int at = line.indexOf(needle);
        const int end = at + needle.size();
        count += at >= 0 && (end == line.size() || line.at(end) == ' ');
    }
    return count;
}

const QString Success = QStringLiteral("Connection successful.");

} // namespace

class TestWindowFlow : public QObject
{
    Q_OBJECT

private slots:
    // Stored values that reach both servers: the tables window comes first, both
    // lists filled and sorted; "< Back" shows the stored values; an edit made
    // there is what the next "Next >" lists with. A second click on "Next >"
    // while the first one lists does nothing.
    void bothServersReachedAtStartUp()
    {
        const ConnectionProfile pg = TestEnv::createPgDatabase(QStringLiteral("dovetab_ui_flow_a"));
        TestEnv::pgExec({"CREATE TABLE \"Zebra\" (id int)", "CREATE TABLE alpha (id int)",
                         "CREATE TABLE \"Beta\" (id int)", "CREATE SCHEMA other",
                         "CREATE TABLE other.alpha (id int)"},
                        pg.database);
        const ConnectionProfile second =
            TestEnv::createPgDatabase(QStringLiteral("dovetab_ui_flow_b"));
        TestEnv::pgExec({"CREATE TABLE only_in_b (id int)"}, second.database);
        const ConnectionProfile db2 = TestEnv::createDb2Database(QStringLiteral("UIFLOW"));
        TestEnv::db2Exec({"CREATE TABLE \"ORDERS\" (ID INTEGER)",
                          "CREATE TABLE \"customers\" (ID INTEGER)",
                          "CREATE TABLE \"Items\" (ID INTEGER)"},
                         db2.database);

        ProgramRun run;
        run.storeProfile(Side::IbmDb2, db2);
        run.storeProfile(Side::PostgreSQL, pg);
        Form1& login = run.start();
        QVERIFY(run.dialogs.shown().isEmpty());
        QVERIFY(login.hasTablesWindow());
        Form2& tables = login.tablesWindow();
        QVERIFY(tables.isVisible());
        QVERIFY(!login.isVisible());

        const QStringList list1 = texts(tables.list1());
        QVERIFY(isSorted(list1));
        for (const char* name : {"Zebra", "alpha", "Beta", "pg_class"})
            QVERIFY2(list1.contains(QLatin1String(name)), name);
        QCOMPARE(list1.count(QStringLiteral("alpha")), 2); // one per schema
        const QStringList list2 = texts(tables.list2());
        QVERIFY(isSorted(list2));
        for (const char* name : {"ORDERS", "customers", "Items"})
            QVERIFY2(list2.contains(QLatin1String(name)), name);

        QTest::mouseClick(run.tables("PushButton2"), Qt::LeftButton);
        QVERIFY(login.isVisible());
        QVERIFY(!tables.isVisible());
        QCOMPARE(run.login<QLineEdit>("Text10")->text(), pg.database);
        QCOMPARE(run.login<QLineEdit>("Text5")->text(), db2.database);
        QCOMPARE(run.login<QLineEdit>("Text9")->text(), pg.password);

        run.login<QLineEdit>("Text10")->setText(second.database);
        const int sessionsBefore = sessionsLogged(second.database);
        // Fires at the listing's first yield, which lets the click through.
        bool clickedDuringListing = false;
        QTimer::singleShot(0, this, [&] {
            clickedDuringListing = login.isVisible() && login.pointerState() == 11;
            QTest::mouseClick(run.login("PushButton2"), Qt::LeftButton);
        });
        QTest::mouseClick(run.login("PushButton2"), Qt::LeftButton);
        QVERIFY(clickedDuringListing);
        // One connection test and one listing: the second click ran nothing.
        QTRY_COMPARE(sessionsLogged(second.database), sessionsBefore + 2);
        QVERIFY(run.dialogs.shown().isEmpty());
        QVERIFY(tables.isVisible());
        QVERIFY(!login.isVisible());
        QCOMPARE(login.pointerState(), 0);
        const QStringList reloaded = texts(tables.list1());
        QCOMPARE(reloaded.count(QStringLiteral("only_in_b")), 1);
        QVERIFY(!reloaded.contains(QStringLiteral("Zebra")));
        QCOMPARE(texts(tables.list2()), list2); // read again, not added twice
        QCOMPARE(run.stored().value(loginKey(10)), second.database);
    }

    // Wrong IBM DB2 values: PostgreSQL is never contacted, neither at start-up nor
    // on "Next >", and "Next >" fails without a message.
    void wrongDb2ValuesNeverContactPostgreSQL()
    {
        const ConnectionProfile pg =
            TestEnv::createPgDatabase(QStringLiteral("dovetab_ui_nocontact"));
        const int before = sessionsLogged(pg.database);

        ProgramRun run;
        run.storeProfile(Side::PostgreSQL, pg);
        run.store(loginKey(1), QStringLiteral("nohost.invalid"));
        Form1& login = run.start();
        QVERIFY(login.isVisible());
        QVERIFY(!login.hasTablesWindow());
        QList<int> pointerDuring;
        run.dialogs.onShow = [&](const ScriptedDialogs::Shown&) {
            pointerDuring << login.pointerState();
        };
        QTest::mouseClick(run.login("PushButton2"), Qt::LeftButton);
        QVERIFY(run.dialogs.shown().isEmpty());
        QCOMPARE(login.pointerState(), 0);
        QVERIFY(login.isVisible());
        QVERIFY(!login.hasTablesWindow());
        QCOMPARE(sessionsLogged(pg.database), before);

        // The same values do reach the server through its own "Test Connection".
        QTest::mouseClick(run.login("PushButton1"), Qt::LeftButton);
        QCOMPARE(run.dialogs.messageTexts(), QStringList{Success});
        QCOMPARE(pointerDuring, QList<int>{11});
        QCOMPARE(login.pointerState(), 0);
        QCOMPARE(sessionsLogged(pg.database), before + 1);
    }

    void testConnectionSucceedsOnPostgreSQL()
    {
        const ConnectionProfile pg = TestEnv::createPgDatabase(QStringLiteral("dovetab_ui_test"));
        ProgramRun run;
        Form1& login = run.start();
        run.login<QLineEdit>("Text6")->setText(pg.server);
        run.login<QLineEdit>("Text7")->setText(pg.port);
        run.login<QLineEdit>("Text8")->setText(pg.user);
        run.login<QLineEdit>("Text9")->setText(pg.password);
        run.login<QLineEdit>("Text10")->setText(pg.database);
        QTest::mouseClick(run.login("PushButton1"), Qt::LeftButton);
        // A second click builds its connection afresh from the boxes as they are now.
        run.login<QLineEdit>("Text9")->setText(pg.password + QStringLiteral("-wrong"));
        QTest::mouseClick(run.login("PushButton1"), Qt::LeftButton);
        QCOMPARE(
            run.dialogs.messageTexts(),
            (QStringList{Success, "Could not connect. Please check with your administrator."}));
        QCOMPARE(run.dialogs.shown()[0].caption, QStringLiteral("Dovetab"));
        QCOMPARE(login.pointerState(), 0);
        // No connection of the test is left open.
        QTRY_COMPARE(TestEnv::pgQuery(QStringLiteral("SELECT count(*) FROM pg_stat_activity "
                                                     "WHERE datname = 'dovetab_ui_test'"),
                                      QString()),
                     QStringList{"0"});
    }

    void testConnectionSucceedsOnDb2()
    {
        const ConnectionProfile db2 = TestEnv::createDb2Database(QStringLiteral("UITEST"));
        ProgramRun run;
        Form1& login = run.start();
        run.login<QLineEdit>("Text1")->setText(db2.server);
        run.login<QLineEdit>("Text2")->setText(db2.port);
        run.login<QLineEdit>("Text3")->setText(db2.user);
        run.login<QLineEdit>("Text4")->setText(db2.password);
        run.login<QLineEdit>("Text5")->setText(db2.database);
        QList<int> pointerDuring;
        run.dialogs.onShow = [&](const ScriptedDialogs::Shown&) {
            pointerDuring << login.pointerState();
        };
        QTest::mouseClick(run.login("PushButton3"), Qt::LeftButton);
        QCOMPARE(run.dialogs.messageTexts(), QStringList{Success});
        QCOMPARE(pointerDuring, QList<int>{11});
        QCOMPARE(login.pointerState(), 0);
    }
};

QTEST_MAIN(TestWindowFlow)
#include "tst_ui_flow.moc"
