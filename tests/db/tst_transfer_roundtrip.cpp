#include "tst_transfer_fixture.h"

#include <QTest>

using namespace TransferFixture;

// One PostgreSQL table of hard values sent to IBM DB2 and back again. Every value
// arrives as the column types allow; the expectations below say which ones
// change form on the way and how.
class TestTransferRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hardValuesThereAndBack();
};

namespace {

const QString TableName = QStringLiteral(R"(it's "hard")");
const QString TextColumn = QStringLiteral(R"(t'x"t)");

// Every value goes to DB2 as a character constant, and DB2 takes at most 32,672
// bytes in one: 16,336 two-byte characters.
QString longestText()
{
    return QString(16336, QChar(0x00e9));
}

// Binary values go as hexadecimal text, two characters a byte: 16,336 bytes fill
// a constant. The PostgreSQL expression for that many bytes of 0xAB.
const int LongestBinary = 16336;
QString pgBytes(int count)
{
    return QStringLiteral("decode(repeat('ab', %1), 'hex')").arg(count);
}

struct Row
{
    QString id;
    QString text; // SQL literal on the PostgreSQL side
    QString num;
    QString date;
    QString stamp;
    QString flag;
    QString bytes;
    QString real;
};

// The PostgreSQL literal of a text value (E'' is not needed: the server runs with
// standard_conforming_strings on, so backslashes are plain characters).
QString pgLiteral(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

} // namespace

void TestTransferRoundTrip::initTestCase()
{
    Main::SetAppTitle();
}

void TestTransferRoundTrip::hardValuesThereAndBack()
{
    Window w(QStringLiteral("xfer_roundtrip"));

    const QString null = QStringLiteral("NULL");
    const QString quotes = QStringLiteral("it's 'quoted' ''twice''");
    const QString doubleQuotes = QStringLiteral(R"(say "hi" "")");
    const QString backslashes = QStringLiteral(R"(C:\new\table \\ end\)");
    const QString nonAscii = QStringLiteral("Gr\u00fc\u00dfe \u65e5\u672c\u8a9e \U0001F600 \u00f1");
    const QString blanks = QStringLiteral("  lead and trail  ");
    const QString odbcLike = QStringLiteral("{fn now()} ? {d '2020-01-01'} -- /* x */ ;");
    const QString tooLong = longestText() + QLatin1Char('x');

    const QVector<Row> rows = {
        {"1", pgLiteral(quotes), "-12345678901234567890.123456789", "'2024-02-29'",
         "'2024-02-29 23:59:59.123456'", "true", R"('\x00ff10')", "-1.25"},
        {"2", pgLiteral(doubleQuotes), "0", "'0001-01-01'", "'0001-01-01 00:00:00'", "false",
         R"('\x')", "1e-300"},
        {"3", pgLiteral(backslashes), "99999999999999999999999999999999", "'9999-12-31'",
         "'9999-12-31 23:59:59.999999'", null, null, null},
        {"4", pgLiteral(nonAscii), "-0.000001", null, null, null, null, null},
        {"5", "''", null, null, null, null, null, null},
        {"6", null, null, null, null, null, null, null},
        {"7", pgLiteral(blanks), null, null, null, null, null, null},
        {"8", pgLiteral(odbcLike), null, null, null, null, null, null},
        {"9", pgLiteral(longestText()), null, null, null, null, pgBytes(LongestBinary), null},
        {"10", pgLiteral(tooLong), null, null, null, null, null, null},
        {"11", null, null, null, null, null, pgBytes(LongestBinary + 1), null},
    };
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (id integer, %2 text, num numeric, d date, "
                       "ts timestamp, b boolean, by bytea, f double precision)")
            .arg(quoted(TableName), quoted(TextColumn))};
    for (const Row& r : rows) {
        statements << QStringLiteral("INSERT INTO %1 VALUES (%2, %3, %4, %5, %6, %7, %8, %9)")
                          .arg(quoted(TableName), r.id, r.text, r.num, r.date, r.stamp, r.flag,
                               r.bytes, r.real);
    }
    w.pgExec(statements);
    QCOMPARE(
        w.pgQuery(QStringLiteral("SELECT octet_length(%1) FROM %2 WHERE id IN (9, 10) ORDER BY id")
                      .arg(quoted(TextColumn), quoted(TableName))),
        QStringList({"32672", "32673"}));
    w.reloadLists();

    // PostgreSQL to IBM DB2.
    Window::select(w.postgresList, {TableName});
    w.send(Direction::ToIbmDb2);

    // The rows whose value is longer than a DB2 constant are reported with their
    // own INSERT and DB2's SQL0102N; the others go on.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 2);
    for (const QString& report : reports) {
        QCOMPARE(reportStep(report), 256);
        QVERIFY2(report.contains(QStringLiteral("SQL0102N")), qPrintable(report.left(300)));
    }
    QVERIFY(reportSql(reports[0])
                .startsWith(QStringLiteral(R"(INSERT INTO "it's ""hard""" VALUES('10', ')")));
    QVERIFY(reportSql(reports[0])
                .endsWith(tooLong + QStringLiteral("', NULL, NULL, NULL, NULL, NULL, NULL)")));
    QVERIFY(reportSql(reports[1])
                .startsWith(QStringLiteral(R"(INSERT INTO "it's ""hard""" VALUES('11', NULL)")));
    QCOMPARE(w.userNames(w.db2List), QStringList({TableName}));
    QCOMPARE(w.columnTypes(false, TableName),
             QVector<int>({201, 201, 201, 133, 201, 201, 201, 201}));

    const QString nul = QStringLiteral("<NULL>");
    // Texts arrive unchanged (quotes, backslashes, blanks, braces, non-ASCII, the
    // 32,672-byte text); the empty text stays empty and only NULL is NULL.
    const QStringList texts = {quotes, doubleQuotes, backslashes, nonAscii,     "",
                               nul,    blanks,       odbcLike,    longestText()};
    // Numbers arrive as the digits PostgreSQL wrote, in text columns.
    const QStringList nums = {"-12345678901234567890.123456789",
                              "0",
                              "99999999999999999999999999999999",
                              "-0.000001",
                              nul,
                              nul,
                              nul,
                              nul,
                              nul};
    // Dates go into a DATE column unchanged, the leap day and years 1 and 9999 too.
    const QStringList dates = {"2024-02-29", "0001-01-01", "9999-12-31", nul, nul,
                               nul,          nul,          nul,          nul};
    // Timestamps keep their microseconds, as text.
    const QStringList stamps = {"2024-02-29 23:59:59.123456",
                                "0001-01-01 00:00:00",
                                "9999-12-31 23:59:59.999999",
                                nul,
                                nul,
                                nul,
                                nul,
                                nul,
                                nul};
    // Booleans become 1 and 0 (the driver reports them as characters).
    const QStringList flags = {"1", "0", nul, nul, nul, nul, nul, nul, nul};
    // Binary values become upper-case hexadecimal text; an empty one stays empty.
    const QStringList bytes = {
        "00FF10", "", nul, nul, nul, nul, nul, nul, QStringLiteral("AB").repeated(LongestBinary)};
    // Doubles keep PostgreSQL's shortest exact form.
    const QStringList reals = {"-1.25", "1e-300", nul, nul, nul, nul, nul, nul, nul};
    const QStringList ids = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};

    const auto db2Column = [&](const QString& column) {
        return w.columnValues(false, TableName, column);
    };
    QCOMPARE(db2Column("id"), ids);
    QCOMPARE(db2Column(TextColumn), texts);
    QCOMPARE(db2Column("num"), nums);
    QCOMPARE(db2Column("d"), dates);
    QCOMPARE(db2Column("ts"), stamps);
    QCOMPARE(db2Column("b"), flags);
    QCOMPARE(db2Column("by"), bytes);
    QCOMPARE(db2Column("f"), reals);

    // And back: the PostgreSQL table of that name is replaced.
    w.dialogs.clear();
    w.dialogs.queueAnswer(Dialogs::Yes);
    Window::select(w.db2List, {TableName});
    w.send(Direction::ToPostgreSQL);
    QCOMPARE(w.dialogs.messageTexts(),
             QStringList({QStringLiteral("Would you like to overwrite %1?").arg(TableName)}));
    QCOMPARE(w.userNames(w.postgresList), QStringList({TableName}));
    // LONG VARCHAR comes back as text and DATE as date: every other column is text now.
    QCOMPARE(w.pgColumnTypes(TableName),
             QStringList({"text", "text", "text", "date", "text", "text", "text", "text"}));

    const auto pgColumn = [&](const QString& column) {
        return w.columnValues(true, TableName, column);
    };
    QCOMPARE(pgColumn("id"), ids);
    QCOMPARE(pgColumn(TextColumn), texts);
    QCOMPARE(pgColumn("num"), nums);
    QCOMPARE(pgColumn("d"), dates);
    QCOMPARE(pgColumn("ts"), stamps);
    QCOMPARE(pgColumn("b"), flags);
    QCOMPARE(pgColumn("by"), bytes);
    QCOMPARE(pgColumn("f"), reals);
}

QTEST_MAIN(TestTransferRoundTrip)
#include "tst_transfer_roundtrip.moc"
