#include "tst_transfer_fixture.h"

#include <QRegularExpression>
#include <QTest>

using namespace TransferFixture;

// Both send buttons against the PostgreSQL server and the DB2 stand-in: which
// tables go in which order, the overwrite question, the progress bar, the
// pointer, the column types and what the error reports carry.
class TestTransferSend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void noCurrentEntryShowsMessageOnly_data() { addDirectionRows(); }
    void noCurrentEntryShowsMessageOnly();
    void nothingSelectedOpensAndClosesBoth_data() { addDirectionRows(); }
    void nothingSelectedOpensAndClosesBoth();
    void sendsSelectedFromLastToFirst_data() { addDirectionRows(); }
    void sendsSelectedFromLastToFirst();
    void overwriteQuestionUsesTargetSpelling_data();
    void overwriteQuestionUsesTargetSpelling();
    void emptyTableIsCreatedWithoutRows_data() { addDirectionRows(); }
    void emptyTableIsCreatedWithoutRows();
    void progressForThreeRows_data() { addDirectionRows(); }
    void progressForThreeRows();
    void blockFetchedSourceKeepsExactCount();
    void columnTypesTowardIbmDb2();
    void columnTypesTowardPostgreSQL();
    void reportsCarryTheStatementHeld_data() { addDirectionRows(); }
    void reportsCarryTheStatementHeld();
    void missingSourceTableIsReportedAndSkipped_data() { addDirectionRows(); }
    void missingSourceTableIsReportedAndSkipped();
    void failedDropKeepsEntryAndListsNameOnce_data() { addDirectionRows(); }
    void failedDropKeepsEntryAndListsNameOnce();

private:
    static QString table(const QString& name)
    {
        return QStringLiteral(R"(CREATE TABLE %1 ("ID" INTEGER, "NAME" VARCHAR(40)))")
            .arg(quoted(name));
    }
    static QStringList tableWithRows(const QString& name, int rows)
    {
        QStringList statements{table(name)};
        for (int r = 1; r <= rows; ++r)
            statements
                << QStringLiteral("INSERT INTO %1 VALUES (%2, 'row %2')").arg(quoted(name)).arg(r);
        return statements;
    }
};

void TestTransferSend::initTestCase()
{
    Main::SetAppTitle();
    QVERIFY(!Main::AppTitle().isEmpty());
}

void TestTransferSend::noCurrentEntryShowsMessageOnly()
{
    QFETCH(Direction, direction);
    Window w(QStringLiteral("xfer_nocurrent"));
    w.sourceExec(direction, tableWithRows("a", 1));
    w.reloadLists();
    Window::select(w.sourceList(direction), {"a"});
    w.sourceList(direction).setCurrentIndex(-1); // selected, but no entry holds the focus

    // Logins that cannot work: an open would show a report.
    w.postgresProfile.password += QStringLiteral("-wrong");
    w.db2Profile.password += QStringLiteral("-wrong");
    w.send(direction);

    QCOMPARE(w.dialogs.shown().size(), 1);
    const ScriptedDialogs::Shown& box = w.dialogs.shown().first();
    QCOMPARE(box.text, direction == Direction::ToIbmDb2
                           ? QStringLiteral("Please select a table")
                           : QStringLiteral("Please select a table to send."));
    QCOMPARE(box.caption, Main::AppTitle());
    QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(box.icon, Dialogs::Icon::None);
    QVERIFY(w.pointerChanges.isEmpty());
    QVERIFY(w.progress.values.isEmpty());
    QVERIFY(w.targetList(direction).added.isEmpty());
}

void TestTransferSend::nothingSelectedOpensAndClosesBoth()
{
    QFETCH(Direction, direction);
    const bool toDb2 = direction == Direction::ToIbmDb2;
    Window w(QStringLiteral("xfer_noselection"));
    w.sourceExec(direction, tableWithRows("a", 1));
    w.sourceExec(direction, tableWithRows("b", 1));
    w.reloadLists();
    w.sourceList(direction).setCurrentIndex(1);

    w.send(direction);
    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    QCOMPARE(w.pointerChanges, QVector<int>({11, 0}));
    QVERIFY(w.progress.values.isEmpty());
    QVERIFY(w.targetList(direction).added.isEmpty());
    QVERIFY(w.userNames(w.targetList(direction)).isEmpty());

    // Both connections are opened and closed: a login that fails shows up at its
    // open and again at its close, and nowhere else.
    const QString good = w.targetProfile(direction).password;
    w.targetProfile(direction).password += QStringLiteral("-wrong");
    w.pointerChanges.clear();
    w.send(direction);
    QCOMPARE(reportSteps(w.dialogs), toDb2 ? QVector<int>({112, 278}) : QVector<int>({118, 274}));
    QCOMPARE(w.pointerChanges, QVector<int>({11, 0}));

    w.targetProfile(direction).password = good;
    w.sourceProfile(direction).password += QStringLiteral("-wrong");
    w.dialogs.clear();
    w.send(direction);
    QCOMPARE(reportSteps(w.dialogs), toDb2 ? QVector<int>({116, 276}) : QVector<int>({114, 272}));
    // Nothing was built yet: the reports end with an empty statement.
    for (const QString& report : w.dialogs.errorReports())
        QCOMPARE(reportSql(report), QString(""));
}

void TestTransferSend::sendsSelectedFromLastToFirst()
{
    QFETCH(Direction, direction);
    Window w(QStringLiteral("xfer_order"));
    for (const char* name : {"e0", "e1", "e2", "e3", "e4"})
        w.sourceExec(direction, tableWithRows(name, 1));
    w.reloadLists();
    Window::select(w.sourceList(direction), {"e1", "e4"});

    w.send(direction);
    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    QCOMPARE(w.targetList(direction).added, QStringList({"e4", "e1"}));
    QCOMPARE(w.userNames(w.targetList(direction)), QStringList({"e1", "e4"}));
    QCOMPARE(w.targetQuery(direction, R"(SELECT "NAME" FROM "e4")"), QStringList({"row 1"}));
    // The pointer goes back to the default after each table and at the end.
    QCOMPARE(w.pointerChanges, QVector<int>({11, 0, 0, 0}));
    // The source list is left as it was.
    QCOMPARE(w.userNames(w.sourceList(direction)).size(), 5);
    QVERIFY(w.sourceList(direction).added.isEmpty());
}

void TestTransferSend::overwriteQuestionUsesTargetSpelling_data()
{
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("targetName");
    QTest::addColumn<int>("answer");

    QTest::newRow("Orders over ORDERS, Yes") << Direction::ToIbmDb2 << "Orders"
                                             << "ORDERS" << int(Dialogs::Yes);
    QTest::newRow("Orders over ORDERS, No") << Direction::ToIbmDb2 << "Orders"
                                            << "ORDERS" << int(Dialogs::No);
    QTest::newRow("ORDERS over orders, Yes") << Direction::ToPostgreSQL << "ORDERS"
                                             << "orders" << int(Dialogs::Yes);
    QTest::newRow("ORDERS over orders, No") << Direction::ToPostgreSQL << "ORDERS"
                                            << "orders" << int(Dialogs::No);
}

void TestTransferSend::overwriteQuestionUsesTargetSpelling()
{
    QFETCH(Direction, direction);
    QFETCH(QString, sourceName);
    QFETCH(QString, targetName);
    QFETCH(int, answer);
    const bool toPostgres = direction == Direction::ToPostgreSQL;

    Window w(QStringLiteral("xfer_overwrite"));
    w.sourceExec(direction, tableWithRows(sourceName, 2));
    w.sourceExec(direction, tableWithRows("aa_next", 1));
    w.targetExec(direction,
                 {table(targetName),
                  QStringLiteral("INSERT INTO %1 VALUES (9, 'old')").arg(quoted(targetName))});
    w.reloadLists();
    QCOMPARE(w.userNames(w.targetList(direction)), QStringList({targetName}));
    Window::select(w.sourceList(direction), {sourceName, "aa_next"});

    QVector<int> pointerAtQuestion;
    w.dialogs.onShow = [&](const ScriptedDialogs::Shown&) { pointerAtQuestion << w.pointer; };
    w.dialogs.queueAnswer(answer);
    w.send(direction);

    QCOMPARE(w.dialogs.shown().size(), 1);
    const ScriptedDialogs::Shown& question = w.dialogs.shown().first();
    QCOMPARE(question.text, QStringLiteral("Would you like to overwrite %1?").arg(targetName));
    QCOMPARE(question.caption, QStringLiteral("Overwrite?"));
    QCOMPARE(question.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(question.icon, Dialogs::Icon::None);
    QCOMPARE(pointerAtQuestion, QVector<int>({11}));

    // The next entry goes in either case.
    QCOMPARE(w.targetList(direction).added.last(), QStringLiteral("aa_next"));
    QCOMPARE(w.targetQuery(direction, R"(SELECT "NAME" FROM "aa_next")"), QStringList({"row 1"}));

    if (answer == Dialogs::Yes) {
        // Dropped under the target's spelling, created under the source's.
        QCOMPARE(w.userNames(w.targetList(direction)), QStringList({"aa_next", sourceName}));
        QCOMPARE(w.targetQuery(direction,
                               QStringLiteral("SELECT \"ID\" FROM %1").arg(quoted(sourceName))),
                 QStringList({"1", "2"}));
        if (toPostgres) {
            QCOMPARE(
                w.pgQuery(
                    QStringLiteral("SELECT to_regclass('%1') IS NULL").arg(quoted(targetName))),
                QStringList({"1"}));
        }
    } else {
        QCOMPARE(w.userNames(w.targetList(direction)), QStringList({"aa_next", targetName}));
        QCOMPARE(w.targetQuery(direction,
                               QStringLiteral("SELECT \"NAME\" FROM %1").arg(quoted(targetName))),
                 QStringList({"old"}));
        if (toPostgres) {
            QCOMPARE(
                w.pgQuery(
                    QStringLiteral("SELECT to_regclass('%1') IS NULL").arg(quoted(sourceName))),
                QStringList({"1"}));
        }
        QCOMPARE(w.targetList(direction).added, QStringList({"aa_next"}));
    }
    QVERIFY(w.dialogs.errorReports().isEmpty());
}

void TestTransferSend::emptyTableIsCreatedWithoutRows()
{
    QFETCH(Direction, direction);
    Window w(QStringLiteral("xfer_empty"));
    w.sourceExec(direction, tableWithRows("nothing here", 0));
    w.reloadLists();
    Window::select(w.sourceList(direction), {"nothing here"});

    w.send(direction);
    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    QCOMPARE(w.targetList(direction).added, QStringList({"nothing here"}));
    QCOMPARE(w.rowCount(direction == Direction::ToPostgreSQL, "nothing here"), 0);
    // Only the reset after the table.
    QCOMPARE(w.progress.values, QVector<double>({0}));
    QCOMPARE(w.progress.texts, QStringList({"Progress Bar"}));
}

void TestTransferSend::progressForThreeRows()
{
    QFETCH(Direction, direction);
    Window w(QStringLiteral("xfer_progress"));
    w.sourceExec(direction, tableWithRows("three", 3));
    w.reloadLists();
    Window::select(w.sourceList(direction), {"three"});

    // Each value is set before its row's INSERT: at the k-th value k - 1 rows are in.
    QVector<int> rowsAtValue;
    w.progress.onValue = [&](double value) {
        if (value != 0)
            rowsAtValue << w.rowCount(direction == Direction::ToPostgreSQL, "three");
    };
    w.send(direction);

    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    const QVector<double> expected = {1.0 / 3.0 * 100.0, 2.0 / 3.0 * 100.0, 100.0, 0.0};
    QCOMPARE(w.progress.values.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(w.progress.values[i] == expected[i],
                 qPrintable(QString::number(w.progress.values[i], 'g', 17)));
    QVERIFY(qAbs(w.progress.values[0] - 33.333333333333336) < 1e-12);
    QCOMPARE(w.progress.texts, QStringList({"Progress Bar"}));
    QCOMPARE(w.progress.text(), QStringLiteral("Progress Bar"));
    QCOMPARE(rowsAtValue, QVector<int>({0, 1, 2}));
    QCOMPARE(w.rowCount(direction == Direction::ToPostgreSQL, "three"), 3);
    // Yielded per row and per value at least (the window's yield is rate-limited).
    QVERIFY(w.yields >= 3 * 3);
}

// A PostgreSQL source table is read through a cursor, 1,000 rows a block: every row
// arrives once, and the count the progress bar goes by is still exact.
void TestTransferSend::blockFetchedSourceKeepsExactCount()
{
    constexpr int Rows = 2345;
    Window w(QStringLiteral("xfer_blocks"));
    w.pgExec({table("blocks"), QStringLiteral("INSERT INTO \"blocks\" SELECT g, 'row ' || g "
                                              "FROM generate_series(1, %1) AS g")
                                   .arg(Rows)});
    w.reloadLists();
    Window::select(w.postgresList, {"blocks"});

    // Midway, the source session's last statement is a block fetch of 1,000 rows.
    QStringList sourceStatements;
    w.progress.onValue = [&](double value) {
        if (sourceStatements.isEmpty() && value > 50.0)
            sourceStatements = w.pgQuery(QStringLiteral(
                "SELECT query FROM pg_stat_activity WHERE datname = current_database() "
                "AND pid <> pg_backend_pid()"));
    };
    w.send(Direction::ToIbmDb2);

    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    QVERIFY2(sourceStatements
                     .filter(QRegularExpression(QStringLiteral("\\bfetch 1000 in "),
                                                QRegularExpression::CaseInsensitiveOption))
                     .size() == 1,
             qPrintable(sourceStatements.join("\n")));
    // One value per row and the reset; the first is 1 / count.
    QCOMPARE(w.progress.values.size(), Rows + 1);
    QVERIFY(w.progress.values[0] == 1.0 / Rows * 100.0);
    QVERIFY(w.progress.values[Rows - 2] < 100.0);
    QVERIFY(w.progress.values[Rows - 1] == 100.0);
    QCOMPARE(w.rowCount(false, "blocks"), Rows);
    QCOMPARE(w.db2Query(QStringLiteral("SELECT COUNT(DISTINCT \"ID\") FROM \"blocks\"")),
             QStringList({QString::number(Rows)}));
    QCOMPARE(w.db2Query(QStringLiteral("SELECT SUM(\"ID\") FROM \"blocks\"")),
             QStringList({QString::number(Rows * (Rows + 1) / 2)}));
}

void TestTransferSend::columnTypesTowardIbmDb2()
{
    Window w(QStringLiteral("xfer_types_db2"));
    // One PostgreSQL column per type code psqlODBC gives; only dates become DATE.
    const struct
    {
        const char* column;
        const char* pgType;
        int adoCode;
        int db2Code;
    } columns[] = {
        {"c_integer", "integer", 3, 201},
        {"c_smallint", "smallint", 2, 201},
        {"c_bigint", "bigint", 20, 201},
        {"c_real", "real", 4, 201},
        {"c_double", "double precision", 5, 201},
        {"c_numeric", "numeric(12,2)", 131, 201},
        {"c_text", "text", 203, 201},
        {"c_varchar", "varchar(20)", 202, 201},
        {"c_char", "char(3)", 130, 201},
        {"c_bool", "boolean", 200, 201},
        {"c_date", "date", 133, 133},
        {"c_time", "time", 134, 201},
        {"c_timestamp", "timestamp", 135, 201},
        {"c_bytea", "bytea", 205, 201},
        {"c_uuid", "uuid", 72, 201},
    };
    QStringList clauses;
    QVector<int> sourceCodes, targetCodes;
    for (const auto& c : columns) {
        clauses << QStringLiteral("%1 %2").arg(c.column, c.pgType);
        sourceCodes << c.adoCode;
        targetCodes << c.db2Code;
    }
    w.pgExec({QStringLiteral("CREATE TABLE types (%1)").arg(clauses.join(", "))});
    QCOMPARE(w.columnTypes(true, "types"), sourceCodes);
    w.reloadLists();
    Window::select(w.postgresList, {"types"});

    w.send(Direction::ToIbmDb2);
    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    // LONG VARCHAR comes back as 201 (adLongVarChar), DATE as 133.
    QCOMPARE(w.columnTypes(false, "types"), targetCodes);
}

void TestTransferSend::columnTypesTowardPostgreSQL()
{
    Window w(QStringLiteral("xfer_types_pg"));
    const struct
    {
        const char* column;
        const char* db2Type;
        int adoCode;
        const char* pgType;
    } columns[] = {
        {"C_INTEGER", "INTEGER", 3, "numeric"},
        {"C_SMALLINT", "SMALLINT", 2, "numeric"},
        {"C_BIGINT", "BIGINT", 20, "numeric"},
        {"C_DOUBLE", "DOUBLE", 5, "text"},
        {"C_REAL", "REAL", 4, "text"},
        {"C_DECIMAL", "DECIMAL(12,2)", 131, "text"},
        {"C_VARCHAR", "VARCHAR(20)", 200, "text"},
        {"C_CHAR", "CHAR(3)", 129, "text"},
        {"C_LONG", "LONG VARCHAR", 201, "text"},
        {"C_CLOB", "CLOB(1M)", 201, "text"},
        {"C_DATE", "DATE", 133, "date"},
        {"C_TIME", "TIME", 134, "text"},
        {"C_TIMESTAMP", "TIMESTAMP", 135, "text"},
        {"C_BOOLEAN", "BOOLEAN", 11, "boolean"},
        {"C_BLOB", "BLOB(1M)", 205, "text"},
    };
    QStringList clauses, pgTypes;
    QVector<int> sourceCodes;
    for (const auto& c : columns) {
        clauses << QStringLiteral("%1 %2").arg(c.column, c.db2Type);
        sourceCodes << c.adoCode;
        pgTypes << c.pgType;
    }
    w.db2Exec({QStringLiteral("CREATE TABLE TYPES (%1)").arg(clauses.join(", "))});
    QCOMPARE(w.columnTypes(false, "TYPES"), sourceCodes);
    w.reloadLists();
    Window::select(w.db2List, {"TYPES"});

    w.send(Direction::ToPostgreSQL);
    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join("\n")));
    QCOMPARE(w.pgColumnTypes("TYPES"), pgTypes);
}

void TestTransferSend::reportsCarryTheStatementHeld()
{
    QFETCH(Direction, direction);
    const bool toDb2 = direction == Direction::ToIbmDb2;
    Window w(QStringLiteral("xfer_sqltail"));
    w.sourceExec(direction, tableWithRows("t1", 1));
    w.reloadLists();
    Window::select(w.sourceList(direction), {"t1"});
    w.targetProfile(direction).password += QStringLiteral("-wrong");

    w.send(direction);
    // The open fails before any statement was built; the CREATE TABLE fails on the
    // closed connection and shows its own text, which the close still holds.
    const QString create =
        toDb2 ? QStringLiteral(R"(CREATE TABLE "t1"("ID" LONG VARCHAR,"NAME" LONG VARCHAR))")
              : QStringLiteral(R"(CREATE TABLE "t1"("ID" NUMERIC,"NAME" TEXT);)");
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reportSteps(w.dialogs),
             toDb2 ? QVector<int>({112, 214, 278}) : QVector<int>({118, 208, 274}));
    QVERIFY(reports[0].endsWith(QStringLiteral("\r\rsql: ")));
    QCOMPARE(reportSql(reports[1]), create);
    QCOMPARE(reportSql(reports[2]), create);
    for (const QString& report : reports) {
        QVERIFY2(
            report.contains(
                QStringLiteral("\r\nin Velmora2021/08/31.%1 at line ").arg(handlerName(direction))),
            qPrintable(report));
    }
    // A table that was not created is not listed.
    QVERIFY(w.userNames(w.targetList(direction)).isEmpty());
    QCOMPARE(w.pointerChanges, QVector<int>({11, 0, 0}));
}

void TestTransferSend::missingSourceTableIsReportedAndSkipped()
{
    QFETCH(Direction, direction);
    const bool toDb2 = direction == Direction::ToIbmDb2;
    Window w(QStringLiteral("xfer_gone"));
    w.sourceExec(direction, tableWithRows("after", 1));
    w.reloadLists();
    // Listed, but dropped by someone else since.
    w.sourceList(direction).addItem("gone");
    Window::select(w.sourceList(direction), {"gone", "after"});

    w.send(direction);
    // The SELECT fails, then the column count of the closed recordset. Toward
    // IBM DB2 the recordset is closed without a look at its state, which fails too.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reportSteps(w.dialogs),
             toDb2 ? QVector<int>({152, 156, 264}) : QVector<int>({154, 158}));
    QCOMPARE(reportSql(reports[0]), QString(""));
    QCOMPARE(reportSql(reports[1]), QStringLiteral(R"(CREATE TABLE "gone"()"));
    // Nothing was created for it, and the next table went.
    QCOMPARE(w.userNames(w.targetList(direction)), QStringList({"after"}));
    QCOMPARE(w.rowCount(!toDb2, "after"), 1);
}

void TestTransferSend::failedDropKeepsEntryAndListsNameOnce()
{
    QFETCH(Direction, direction);
    const bool toDb2 = direction == Direction::ToIbmDb2;
    Window w(QStringLiteral("xfer_faileddrop"));
    w.sourceExec(direction, tableWithRows("a1", 2));
    w.sourceExec(direction, tableWithRows("b1", 1));
    w.reloadLists();
    // The target list shows two tables that are not there (any more).
    w.targetList(direction).addItem("A1");
    w.targetList(direction).addItem("b1");
    w.targetList(direction).added.clear();
    Window::select(w.sourceList(direction), {"a1", "b1"});
    // Every box takes the next answer: question, report, question.
    w.dialogs.queueAnswer(Dialogs::Yes);
    w.dialogs.queueAnswer(Dialogs::Ok);
    w.dialogs.queueAnswer(Dialogs::Yes);

    w.send(direction);
    QCOMPARE(w.dialogs.messageTexts().filter("overwrite"),
             QStringList({"Would you like to overwrite b1?", "Would you like to overwrite A1?"}));
    // Both DROPs fail. The first comes before any statement was built; the
    // second shows b1's last INSERT, still held.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reportSteps(w.dialogs), QVector<int>({146, 146}));
    QCOMPARE(reportSql(reports[0]), QString(""));
    QCOMPARE(reportSql(reports[1]), QStringLiteral(R"(INSERT INTO "b1" VALUES('1', 'row 1'))"));
    // A failed DROP keeps its entry. The CREATE TABLEs after them worked, so the
    // tables are filled and listed: b1 once, a1 beside the stale A1.
    QCOMPARE(w.rowCount(!toDb2, "a1"), 2);
    QCOMPARE(w.rowCount(!toDb2, "b1"), 1);
    QCOMPARE(w.userNames(w.targetList(direction)), QStringList({"A1", "a1", "b1"}));
}

QTEST_MAIN(TestTransferSend)
#include "tst_transfer_send.moc"
