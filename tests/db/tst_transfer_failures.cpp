#include "tst_transfer_fixture.h"

#include "core/ErrorTrap.h"
#include "core/PointerState.h"

#include <QTest>

using namespace TransferFixture;

// What a transfer does when the target refuses a table or goes away in the middle
// of one, and when the window is closed while it runs.
class TestTransferFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void viewOfThatNameGetsNoRows_data() { addTargetRows(); }
    void viewOfThatNameGetsNoRows();
    void tableTooWideForDb2GetsNoRows();
    void targetGoesAwayMidTable_data() { addTargetRows(); }
    void targetGoesAwayMidTable();
    void unreadableValueFailsItsRowOnly();
    void overwriteWithUnreadableSourceKeepsTarget_data() { addTargetRows(); }
    void overwriteWithUnreadableSourceKeepsTarget();
    void sourceChangedWhileReadIsNotSent();
    void closingTheWindowEndsTheTransfer_data() { addTargetRows(); }
    void closingTheWindowEndsTheTransfer();

private:
    static QString insertText(const QString& table, int r)
    {
        return QStringLiteral("INSERT INTO %1 VALUES('%2', 'row %2')").arg(quoted(table)).arg(r);
    }
    static void setDb2DatabaseUp(const QString& database, bool up);
    // Ends every session on a PostgreSQL database but the caller's own.
    static void terminatePgSessions(const QString& database)
    {
        TestEnv::pgQuery(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                        "WHERE datname = '%1' AND pid <> pg_backend_pid()")
                             .arg(database),
                         QString());
    }
};

void TestTransferFailures::initTestCase()
{
    Main::SetAppTitle();
}

void TestTransferFailures::setDb2DatabaseUp(const QString& database, bool up)
{
    // Only this test's database goes away (open connections to it included), so
    // tests running beside this one are not disturbed.
    TestEnv::db2Admin({up ? QStringLiteral("up") : QStringLiteral("down"),
                       QStringLiteral("--database"), database});
}

void TestTransferFailures::viewOfThatNameGetsNoRows()
{
    QFETCH(Side, target);
    const bool toDb2 = target == Side::IbmDb2;
    Window w(QStringLiteral("xfer_view"));
    w.exec(sourceOf(target), tableWithRows("v1", 2));
    w.exec(sourceOf(target), tableWithRows("a0", 1));
    // A view the target list does not show, over a table the user did not pick.
    w.exec(target, tableWithRows("base", 1));
    w.exec(target, {R"(CREATE VIEW "v1" AS SELECT * FROM "base")"});
    w.reloadLists();
    QCOMPARE(w.userNames(target), QStringList({"base"}));
    Window::select(w.list(sourceOf(target)), {"a0", "v1"});

    w.send(target);
    // One report, for the CREATE TABLE, with its text; no INSERT was tried.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(sendStep(reports[0], target), toDb2 ? 214 : 208);
    QVERIFY2(reportSql(reports[0]).startsWith(QStringLiteral(R"(CREATE TABLE "v1"("ID" )")),
             qPrintable(reports[0]));
    // Nothing went through the view into its table, v1 is not listed, and the
    // next table still went.
    QCOMPARE(w.rowCount(target, "base"), 1);
    QCOMPARE(w.userNames(target), QStringList({"a0", "base"}));
    QCOMPARE(w.rowCount(target, "a0"), 1);
    // v1 moved no progress; a0's single row did.
    QCOMPARE(w.progress.values, QVector<double>({0, 100, 0}));
    QCOMPARE(w.pointerChanges, QVector<int>({PointerState::Hourglass, PointerState::Default,
                                             PointerState::Default, PointerState::Default}));
}

// Every column becomes a nullable LONG VARCHAR on DB2, 25 bytes of a row that a
// 4 KB page holds 4,005 of: 161 columns are more than DB2 creates.
void TestTransferFailures::tableTooWideForDb2GetsNoRows()
{
    Window w(QStringLiteral("xfer_wide"));
    QStringList columns;
    for (int i = 1; i <= 161; ++i)
        columns << QStringLiteral("c%1 text").arg(i);
    w.exec(Side::PostgreSQL,
           {QStringLiteral("CREATE TABLE wide (%1)").arg(columns.join(QStringLiteral(", "))),
            QStringLiteral("INSERT INTO wide (c1) SELECT 'row ' || n FROM "
                           "generate_series(1, 3) AS n")});
    w.exec(Side::PostgreSQL, tableWithRows("narrow", 2));
    w.reloadLists();
    Window::select(w.postgresList, {"narrow", "wide"});

    w.send(Side::IbmDb2);
    // One report, DB2's refusal of the CREATE TABLE; none of its rows was tried.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(sendStep(reports[0], Side::IbmDb2), 214);
    QVERIFY2(reports[0].contains(QStringLiteral("SQL0670N")), qPrintable(reports[0].left(400)));
    QVERIFY(reportSql(reports[0]).startsWith(QStringLiteral(R"(CREATE TABLE "wide"("c1" )")));
    // The wide table is not listed; the narrow one went whole.
    QCOMPARE(w.userNames(Side::IbmDb2), QStringList({"narrow"}));
    QCOMPARE(w.rowCount(Side::IbmDb2, "narrow"), 2);
}

void TestTransferFailures::targetGoesAwayMidTable()
{
    QFETCH(Side, target);
    const bool toDb2 = target == Side::IbmDb2;
    Window w(QStringLiteral("xfer_away"));
    w.exec(sourceOf(target), tableWithRows("ten", 10));
    w.exec(sourceOf(target), tableWithRows("later", 2));
    w.reloadLists();
    Window::select(w.list(sourceOf(target)), {"ten"});

    // Before the INSERT of row 4 the target goes away: PostgreSQL ends the
    // transfer's session; the DB2 database goes down until the send is over.
    int valuesSet = 0;
    bool gone = false;
    w.progress.onValue = [&](double value) {
        if (value != 0 && ++valuesSet == 4) {
            if (toDb2)
                setDb2DatabaseUp(w.db2Database, false);
            else
                terminatePgSessions(w.postgresDatabase);
            gone = true;
        }
    };
    w.send(target);
    if (toDb2)
        setDb2DatabaseUp(w.db2Database, true);
    QVERIFY(gone);

    // Rows 4 to 10 fail, each once with its own INSERT; the close of the lost
    // connection may be reported too. Nothing else is.
    const int insertStep = toDb2 ? 256 : 250;
    const int closeStep = toDb2 ? 278 : 274;
    QStringList failedInserts;
    for (const QString& report : w.dialogs.errorReports()) {
        const int step = sendStep(report, target);
        QVERIFY2(step == insertStep || step == closeStep, qPrintable(report));
        if (step == insertStep)
            failedInserts << reportSql(report);
    }
    QStringList expected;
    for (int r = 4; r <= 10; ++r)
        expected << insertText("ten", r);
    QCOMPARE(failedInserts, expected);
    QCOMPARE(w.rowCount(target, "ten"), 3);
    // The table was created, so it is listed; the window is at rest again.
    QCOMPARE(w.userNames(target), QStringList({"ten"}));
    QCOMPARE(w.progress.value(), 0.0);
    QCOMPARE(w.progress.text(), QStringLiteral("Progress Bar"));
    QCOMPARE(w.pointer, 0);

    // The next transfer opens a connection of its own and works.
    w.progress.onValue = nullptr;
    w.dialogs.clear();
    Window::select(w.list(sourceOf(target)), {"later"});
    w.send(target);
    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    QCOMPARE(w.rowCount(target, "later"), 2);
}

void TestTransferFailures::unreadableValueFailsItsRowOnly()
{
    Window w(QStringLiteral("XUNREAD"));
    w.exec(Side::IbmDb2, tableWithRows("five", 5));
    w.reloadLists();
    Window::select(w.db2List, {"five"});
    qputenv("DB2STANDIN_UNREADABLE_VALUE", "row 2");
    w.send(Side::PostgreSQL);
    qunsetenv("DB2STANDIN_UNREADABLE_VALUE");

    // The row is reported at the value's own step and left out; the next row goes on.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(sendStep(reports[0], Side::PostgreSQL), 230);
    QVERIFY2(reports[0].contains(QStringLiteral("CLI0112E")), qPrintable(reports[0]));
    QCOMPARE(
        w.query(Side::PostgreSQL, QStringLiteral(R"(SELECT "NAME" FROM "five" ORDER BY "ID")")),
        QStringList({"row 1", "row 3", "row 4", "row 5"}));
}

// A table listed from a schema that the unqualified SELECT does not look in: on
// Yes the source cannot be opened, so the table it would replace stays, listed.
void TestTransferFailures::overwriteWithUnreadableSourceKeepsTarget()
{
    QFETCH(Side, target);
    const bool toDb2 = target == Side::IbmDb2;
    Window w(QStringLiteral("xfer_hidden"));
    if (toDb2)
        w.exec(Side::PostgreSQL, {QStringLiteral("CREATE SCHEMA hidden"),
                                  QStringLiteral(R"(CREATE TABLE hidden."t1" ("ID" integer))")});
    else
        TestEnv::db2Admin({QStringLiteral("catalog-row"), QStringLiteral("--database"),
                           w.db2Database, QStringLiteral("--schema"), QStringLiteral("OTHER"),
                           QStringLiteral("--name"), QStringLiteral("t1"), QStringLiteral("--type"),
                           QStringLiteral("TABLE")});
    w.exec(target, tableWithRows("t1", 2));
    w.reloadLists();
    Window::select(w.list(sourceOf(target)), {"t1"});
    w.dialogs.queueAnswer(Dialogs::Yes);

    w.send(target);
    QCOMPARE(w.dialogs.messageTexts().filter("overwrite"),
             QStringList({"Would you like to overwrite t1?"}));
    // The open is reported at its step, then what follows as for any unreadable
    // source; no DROP TABLE was tried.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(sendSteps(w.dialogs, target),
             toDb2 ? QVector<int>({152, 156, 264}) : QVector<int>({154, 158}));
    QVERIFY2(
        reports[0].contains(toDb2 ? QStringLiteral("does not exist") : QStringLiteral("SQL0204N")),
        qPrintable(reports[0]));
    QCOMPARE(w.rowCount(target, "t1"), 2);
    QCOMPARE(w.userNames(target), QStringList({"t1"}));
    QVERIFY(w.list(target).removed.isEmpty());
}

// The SELECT runs again for the row count and for the rows themselves. Here its
// first run changes what the name finds (a view whose condition moves the
// session's search_path to a table of that name whose second column is a
// number): the table is reported at the open and nothing of it is sent.
void TestTransferFailures::sourceChangedWhileReadIsNotSent()
{
    Window w(QStringLiteral("xfer_changed"));
    w.exec(Side::PostgreSQL,
           {QStringLiteral("CREATE SCHEMA other"),
            QStringLiteral(R"(CREATE TABLE other."t" ("ID" integer, "NAME" integer))"),
            QStringLiteral(R"(INSERT INTO other."t" VALUES (1, 2))"),
            QStringLiteral(R"(CREATE TABLE base ("ID" integer, "NAME" text))"),
            QStringLiteral("INSERT INTO base VALUES (1, 'row 1')"),
            QStringLiteral("CREATE FUNCTION flip() RETURNS boolean LANGUAGE plpgsql AS $$ BEGIN "
                           "PERFORM set_config('search_path', 'other, public', false); "
                           "RETURN true; END $$"),
            QStringLiteral(R"(CREATE VIEW "t" AS SELECT * FROM base WHERE flip())")});
    w.reloadLists();
    // Listed once, for the table of the other schema.
    QCOMPARE(w.userNames(Side::PostgreSQL), QStringList({"base", "t"}));
    Window::select(w.postgresList, {"t"});

    w.send(Side::IbmDb2);
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(sendSteps(w.dialogs, Side::IbmDb2), QVector<int>({152, 156, 264}));
    QVERIFY2(reports[0].contains(QStringLiteral("columns changed while it was read")),
             qPrintable(reports[0]));
    QCOMPARE(w.userCatalogNames(Side::IbmDb2), QStringList());
}

void TestTransferFailures::closingTheWindowEndsTheTransfer()
{
    QFETCH(Side, target);
    Window w(QStringLiteral("xfer_close"));
    w.exec(sourceOf(target), tableWithRows("ten", 10));
    w.exec(sourceOf(target), tableWithRows("aaa", 1));
    w.reloadLists();
    Window::select(w.list(sourceOf(target)), {"aaa", "ten"});

    // The window's yield throws once the window is closed; here at row 5.
    w.onYield = [&] {
        if (w.progress.rowValues().size() == 5)
            throw HandlerAborted{};
    };
    QVERIFY_THROWS_EXCEPTION(HandlerAborted, w.send(target));
    // Unwound without a report, and before the next table.
    QVERIFY(w.dialogs.shown().isEmpty());
    QCOMPARE(w.rowCount(target, "ten"), 4);
    QVERIFY(w.list(target).added.isEmpty());
    QCOMPARE(w.userCatalogNames(target), QStringList({"ten"}));
    // Its PostgreSQL connection (source or target) was released with it.
    QTRY_COMPARE_WITH_TIMEOUT(
        w.query(Side::PostgreSQL,
                QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = '%1' "
                               "AND pid <> pg_backend_pid()")
                    .arg(w.postgresDatabase)),
        QStringList({"0"}), 10000);
}

QTEST_MAIN(TestTransferFailures)
#include "tst_transfer_failures.moc"
