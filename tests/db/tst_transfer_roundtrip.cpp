#include "tst_transfer_fixture.h"

#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QTest>
#include <clocale>

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
    // Every PostgreSQL column type to IBM DB2 and back, one table per type.
    void postgresTypesThereAndBack_data();
    void postgresTypesThereAndBack();
    // Every column type of the DB2 side to PostgreSQL.
    void db2TypesToPostgres_data();
    void db2TypesToPostgres();
    // The same with the DB2 driver registered as IBM's libdb2.so behaves under a
    // 64-bit driver manager: lengths and indicators written in their low 32 bits.
    void db2TypesToPostgresThrough32BitLengths_data() { db2TypesToPostgres_data(); }
    void db2TypesToPostgresThrough32BitLengths();
    void thousandRowsWithNullsThrough32BitLengths();
    // Values and names that would end a literal or a name early, both ways.
    void unsafeTextChangesNoStatement_data();
    void unsafeTextChangesNoStatement();
};

// moc reads only the class above (its preprocessor trips over the long
// literal tables below).
#ifndef Q_MOC_RUN
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
    // The values below are meant to travel under a comma-decimal locale, where a
    // driver that follows the locale writes 2,5 for 2.5.
    QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
}

namespace {

// How a value is expected on the other side: "=" the text the source server
// holds, "!" refused by the target (its INSERT reported, the row missing), or the
// expected text itself.
const QString Same = QStringLiteral("=");
const QString Refused = QStringLiteral("!");

QString repeated(const QString& piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// A text whose 4,096th character, where the first read of a long value ends, is
// the second half of a surrogate pair, followed by a U+FEFF.
QString chunkEdgeText()
{
    return QString(4094, QLatin1Char('a')) + QStringLiteral("\U0001F600\uFEFFz");
}

QString pgTextLiteral(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// Rows of the expectation column without the refused ones.
QStringList arriving(const QStringList& expected, const QStringList& sourceTexts)
{
    QStringList values;
    for (int i = 0; i < expected.size(); ++i) {
        if (expected[i] == Refused)
            continue;
        values << (expected[i] == Same ? sourceTexts[i] : expected[i]);
    }
    return values;
}

int refusedCount(const QStringList& expected)
{
    return static_cast<int>(expected.count(Refused));
}

} // namespace

void TestTransferRoundTrip::postgresTypesThereAndBack_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("literals");
    QTest::addColumn<QStringList>("expected");

    const QString hundredDigits = QStringLiteral("-") + repeated(QStringLiteral("1234567890"), 11) +
                                  QStringLiteral(".0987654321");
    const QString none;
    QTest::newRow("smallint") << none << "smallint" << QStringList{"-32768", "32767", "0", "NULL"}
                              << QStringList{Same, Same, Same, "<NULL>"};
    QTest::newRow("integer") << none << "integer" << QStringList{"-2147483648", "2147483647"}
                             << QStringList{Same, Same};
    QTest::newRow("bigint") << none << "bigint"
                            << QStringList{"-9223372036854775808", "9223372036854775807"}
                            << QStringList{Same, Same};
    QTest::newRow("numeric")
        << none << "numeric"
        << QStringList{"1234567890.1234", "-0.0001", "'NaN'", pgTextLiteral(hundredDigits), "0.10",
                       "-1e-20"}
        << QStringList{"1234567890.1234", "-0.0001", "NaN",
                       hundredDigits,     "0.10",    "-0.00000000000000000001"};
    QTest::newRow("real") << none << "real"
                          << QStringList{"-2.5", "'3.4028235e+38'", "'NaN'", "'-Infinity'",
                                         "'-0'", "'1.1754944e-38'"}
                          << QStringList{"-2.5", "3.4028235e+38", "NaN", "-Infinity",
                                         "-0",   "1.1754944e-38"};
    QTest::newRow("double precision") << none << "double precision"
                                      << QStringList{"3.141592653589793",
                                                     "'NaN'",
                                                     "'Infinity'",
                                                     "'-Infinity'",
                                                     "'-0'",
                                                     "1e-300",
                                                     "0.1",
                                                     "1.0000000000000002",
                                                     "'-1.7976931348623157e+308'"}
                                      << QStringList{"3.141592653589793",
                                                     "NaN",
                                                     "Infinity",
                                                     "-Infinity",
                                                     "-0",
                                                     "1e-300",
                                                     "0.1",
                                                     "1.0000000000000002",
                                                     "-1.7976931348623157e+308"};
    QTest::newRow("money") << none << "money" << QStringList{"1234.56", "-0.01"}
                           << QStringList{Same, Same};
    QTest::newRow("char(n)") << none << "char(6)" << QStringList{"'ab'", "'  x'", "''"}
                             << QStringList{"ab    ", "  x   ", "      "};
    QTest::newRow("varchar") << none << "varchar(20)" << QStringList{"'it''s'", "''"}
                             << QStringList{"it's", ""};
    QTest::newRow("text") << none << "text"
                          << QStringList{pgTextLiteral(QStringLiteral("\uFEFFstarts with a BOM")),
                                         pgTextLiteral(chunkEdgeText()),
                                         pgTextLiteral(
                                             QStringLiteral("\U0001F600 \u00e9\r\n\ttab"))}
                          << QStringList{Same, Same, Same};
    QTest::newRow("bytea") << none << "bytea" << QStringList{"'\\x00ff10'", "'\\x'"}
                           << QStringList{"00FF10", ""};
    QTest::newRow("boolean") << none << "boolean" << QStringList{"true", "false"}
                             << QStringList{"1", "0"};
    // DB2's DATE holds neither the years before Christ nor infinity.
    QTest::newRow("date") << none << "date"
                          << QStringList{"'2024-02-29'",    "'0001-01-01'", "'9999-12-31'",
                                         "'0044-03-15 BC'", "'infinity'",   "'-infinity'"}
                          << QStringList{Same, Same, Same, Refused, Refused, Refused};
    QTest::newRow("time") << none << "time"
                          << QStringList{"'23:59:59.999999'", "'00:00:00'", "'24:00:00'"}
                          << QStringList{Same, Same, Same};
    QTest::newRow("timetz") << none << "timetz"
                            << QStringList{"'10:00:00+05:30'", "'23:59:59.5-11'"}
                            << QStringList{Same, Same};
    QTest::newRow("timestamp") << none << "timestamp"
                               << QStringList{"'2024-02-29 23:59:59.123456'",
                                              "'0044-03-15 10:00:00 BC'", "'infinity'",
                                              "'-infinity'"}
                               << QStringList{"2024-02-29 23:59:59.123456",
                                              "0044-03-15 10:00:00 BC", "infinity", "-infinity"};
    // Shown in the server's time zone, with its offset.
    QTest::newRow("timestamptz") << none << "timestamptz"
                                 << QStringList{"'2024-06-01 12:00:00+00'",
                                                "'2024-06-01 12:00:00.25+05:30'",
                                                "'0044-03-15 10:00:00+00 BC'", "'infinity'",
                                                "'-infinity'"}
                                 << QStringList{"2024-06-01 17:30:00+05:30",
                                                "2024-06-01 12:00:00.25+05:30", Same, "infinity",
                                                "-infinity"};
    QTest::newRow("interval") << none << "interval"
                              << QStringList{"'1 year 2 mons 3 days 04:05:06.789'", "'-1 day'"}
                              << QStringList{Same, Same};
    // psqlODBC writes a uuid in upper case.
    QTest::newRow("uuid") << none << "uuid" << QStringList{"'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'"}
                          << QStringList{"A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11"};
    QTest::newRow("json") << none << "json" << QStringList{"'{\"a\": [1, 2.5, \"x\"]}'"}
                          << QStringList{Same};
    QTest::newRow("jsonb") << none << "jsonb" << QStringList{"'{\"b\": 1.50, \"a\": null}'"}
                           << QStringList{Same};
    QTest::newRow("xml") << none << "xml" << QStringList{"'<a x=\"1\">t &amp; u</a>'"}
                         << QStringList{Same};
    QTest::newRow("inet") << none << "inet" << QStringList{"'192.168.0.1/24'", "'::1'"}
                          << QStringList{"192.168.0.1/24", "::1"};
    QTest::newRow("cidr") << none << "cidr" << QStringList{"'10.0.0.0/8'"} << QStringList{Same};
    QTest::newRow("macaddr") << none << "macaddr" << QStringList{"'08:00:2b:01:02:03'"}
                             << QStringList{Same};
    QTest::newRow("bit") << none << "bit(4)" << QStringList{"B'1010'"} << QStringList{"1010"};
    QTest::newRow("varbit") << none << "varbit" << QStringList{"B'101'", "B''"}
                            << QStringList{"101", ""};
    QTest::newRow("array") << none << "numeric[]" << QStringList{"'{1.5,NULL,-2}'"}
                           << QStringList{Same};
    QTest::newRow("enum") << "CREATE TYPE mood AS ENUM ('sad', 'happy')"
                          << "mood" << QStringList{"'happy'"} << QStringList{Same};
    QTest::newRow("domain") << "CREATE DOMAIN price AS numeric(10,2) CHECK (VALUE >= 0)"
                            << "price" << QStringList{"12.5"} << QStringList{"12.50"};
    QTest::newRow("composite") << "CREATE TYPE pair AS (n integer, s text)"
                               << "pair" << QStringList{"ROW(1, 'x y')"} << QStringList{Same};
    QTest::newRow("range") << none << "numrange" << QStringList{"'[1.5,2.5)'"} << QStringList{Same};
}

void TestTransferRoundTrip::postgresTypesThereAndBack()
{
    QFETCH(QString, setup);
    QFETCH(QString, type);
    QFETCH(QStringList, literals);
    QFETCH(QStringList, expected);

    static int tables = 0;
    Window w(QStringLiteral("VP%1").arg(++tables, 2, 10, QLatin1Char('0')));
    QStringList statements;
    if (!setup.isEmpty())
        statements << setup;
    statements << QStringLiteral("CREATE TABLE \"v\" (id integer, v %1)").arg(type);
    for (int i = 0; i < literals.size(); ++i)
        statements << QStringLiteral("INSERT INTO \"v\" VALUES (%1, %2)").arg(i).arg(literals[i]);
    w.exec(Side::PostgreSQL, statements);
    const QString serverText = QStringLiteral("SELECT v::text FROM \"v\" ORDER BY id");
    const QStringList sourceTexts = w.query(Side::PostgreSQL, serverText);
    const QStringList arrived = arriving(expected, sourceTexts);
    w.reloadLists();

    Window::select(w.postgresList, {QStringLiteral("v")});
    w.send(Side::IbmDb2);
    // Refused rows are reported with their own INSERT; the others arrive.
    const QVector<int> refusedSteps(refusedCount(expected), 256);
    QCOMPARE(sendSteps(w.dialogs, Side::IbmDb2), refusedSteps);
    QCOMPARE(w.columnValues(Side::IbmDb2, QStringLiteral("v"), QStringLiteral("v")), arrived);

    w.dialogs.clear();
    w.dialogs.queueAnswer(Dialogs::Yes);
    Window::select(w.db2List, {QStringLiteral("v")});
    w.send(Side::PostgreSQL);
    QCOMPARE(w.dialogs.errorReports(), QStringList());
    QCOMPARE(
        w.query(Side::PostgreSQL, QStringLiteral("SELECT v::text FROM \"v\" ORDER BY id::integer")),
        arrived);
}

void TestTransferRoundTrip::db2TypesToPostgres_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("literals");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("CHAR") << "CHAR(6)" << QStringList{"'ab'", "''"}
                          << QStringList{"ab    ", "      "};
    QTest::newRow("VARCHAR") << "VARCHAR(20)" << QStringList{"'it''s'", "''"}
                             << QStringList{"it's", ""};
    QTest::newRow("LONG VARCHAR") << "LONG VARCHAR"
                                  << QStringList{pgTextLiteral(chunkEdgeText()),
                                                 "'a' || X'00' || 'b'"}
                                  << QStringList{Same, Refused};
    QTest::newRow("CLOB") << "CLOB(1M)" << QStringList{pgTextLiteral(QStringLiteral("\uFEFFx"))}
                          << QStringList{Same};
    QTest::newRow("GRAPHIC") << "GRAPHIC(3)" << QStringList{"'\u65e5'"} << QStringList{"\u65e5  "};
    QTest::newRow("VARGRAPHIC") << "VARGRAPHIC(10)" << QStringList{"'\u65e5\u672c'"}
                                << QStringList{Same};
    QTest::newRow("DBCLOB") << "DBCLOB(1K)" << QStringList{"'\U0001F600'"} << QStringList{Same};
    QTest::newRow("SMALLINT") << "SMALLINT" << QStringList{"-32768"} << QStringList{Same};
    QTest::newRow("INTEGER") << "INTEGER" << QStringList{"2147483647"} << QStringList{Same};
    QTest::newRow("BIGINT") << "BIGINT" << QStringList{"-9223372036854775808"} << QStringList{Same};
    QTest::newRow("DECIMAL") << "DECIMAL(31,4)"
                             << QStringList{"123456789012345678901234567.8912", "-0.5", "0"}
                             << QStringList{Same, Same, Same};
    QTest::newRow("DECFLOAT(16)") << "DECFLOAT(16)"
                                  << QStringList{"1.5", "DECFLOAT('NaN')", "DECFLOAT('Infinity')",
                                                 "DECFLOAT('-0')"}
                                  << QStringList{Same, "NaN", "Infinity", "-0"};
    QTest::newRow("DECFLOAT(34)") << "DECFLOAT(34)"
                                  << QStringList{"1234567890123456789012345678.901234",
                                                 "DECFLOAT('-Infinity')"}
                                  << QStringList{Same, "-Infinity"};
    QTest::newRow("REAL") << "REAL" << QStringList{"-2.5"} << QStringList{Same};
    QTest::newRow("DOUBLE") << "DOUBLE" << QStringList{"3.141592653589793", "1e-300"}
                            << QStringList{"3.141592653589793", "1E-300"};
    QTest::newRow("DATE") << "DATE" << QStringList{"'2024-02-29'", "'0001-01-01'"}
                          << QStringList{Same, Same};
    QTest::newRow("TIME") << "TIME" << QStringList{"'23:59:59'"} << QStringList{Same};
    QTest::newRow("TIMESTAMP") << "TIMESTAMP" << QStringList{"'2024-02-29 23:59:59.123456'"}
                               << QStringList{Same};
    QTest::newRow("BLOB") << "BLOB(1K)" << QStringList{"BLOB(X'00FF10')"} << QStringList{"00FF10"};
    // A BOOLEAN becomes a PostgreSQL boolean.
    QTest::newRow("BOOLEAN") << "BOOLEAN" << QStringList{"TRUE", "FALSE"}
                             << QStringList{"true", "false"};
    QTest::newRow("XML") << "XML" << QStringList{"'<a>t</a>'"} << QStringList{Same};
}

void TestTransferRoundTrip::db2TypesToPostgres()
{
    QFETCH(QString, type);
    QFETCH(QStringList, literals);
    QFETCH(QStringList, expected);

    static int tables = 0;
    Window w(QStringLiteral("VD%1").arg(++tables, 2, 10, QLatin1Char('0')));
    QStringList statements{
        QStringLiteral("CREATE TABLE \"v\" (\"id\" INTEGER, \"v\" %1)").arg(type)};
    for (int i = 0; i < literals.size(); ++i)
        statements << QStringLiteral("INSERT INTO \"v\" VALUES (%1, %2)").arg(i).arg(literals[i]);
    w.exec(Side::IbmDb2, statements);
    const QStringList sourceTexts =
        w.columnValues(Side::IbmDb2, QStringLiteral("v"), QStringLiteral("v"));
    w.reloadLists();

    Window::select(w.db2List, {QStringLiteral("v")});
    w.send(Side::PostgreSQL);
    const QStringList reports = w.dialogs.errorReports();
    const QVector<int> refusedSteps(refusedCount(expected), 230);
    QCOMPARE(sendSteps(w.dialogs, Side::PostgreSQL), refusedSteps);
    for (const QString& report : reports)
        QVERIFY2(report.contains(QStringLiteral("U+0000")), qPrintable(report));
    QCOMPARE(
        w.query(Side::PostgreSQL, QStringLiteral("SELECT v::text FROM \"v\" ORDER BY id::integer")),
        arriving(expected, sourceTexts));
}

void TestTransferRoundTrip::db2TypesToPostgresThrough32BitLengths()
{
    const TestEnv::Db2DriverKey lengths(QStringLiteral("LengthBits"), QStringLiteral("32"));
    db2TypesToPostgres();
}

// 1,000 rows, a third of their values NULL: the list loads (every TABLE_CAT is
// NULL), the count is right, and each NULL arrives as NULL, each value whole.
void TestTransferRoundTrip::thousandRowsWithNullsThrough32BitLengths()
{
    const TestEnv::Db2DriverKey lengths(QStringLiteral("LengthBits"), QStringLiteral("32"));
    Window w(QStringLiteral("xfer_len32"));
    const int rowCount = 1000;
    QStringList rows;
    QStringList expected;
    for (int r = 1; r <= rowCount; ++r) {
        const bool isNull = r % 3 == 0;
        rows << QStringLiteral("(%1, %2, %3)")
                    .arg(r)
                    .arg(isNull ? QStringLiteral("NULL") : QStringLiteral("'row %1'").arg(r))
                    .arg(isNull ? QStringLiteral("NULL") : QString::number(r * 7));
        expected << (isNull ? QStringLiteral("<NULL>|<NULL>")
                            : QStringLiteral("row %1|%2").arg(r).arg(r * 7));
    }
    w.exec(Side::IbmDb2,
           {QStringLiteral("CREATE TABLE \"n\" (\"id\" INTEGER, \"t\" VARCHAR(20), \"v\" BIGINT)"),
            QStringLiteral("INSERT INTO \"n\" VALUES ") + rows.join(QStringLiteral(", "))});
    w.reloadLists();
    QCOMPARE(w.userNames(Side::IbmDb2), QStringList({QStringLiteral("n")}));

    Window::select(w.db2List, {QStringLiteral("n")});
    w.send(Side::PostgreSQL);
    QCOMPARE(w.dialogs.errorReports(), QStringList());
    QCOMPARE(w.query(Side::PostgreSQL,
                     QStringLiteral("SELECT coalesce(t, '<NULL>') || '|' || coalesce(v::text, "
                                    "'<NULL>') FROM \"n\" ORDER BY id::integer")),
             expected);
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
    w.exec(Side::PostgreSQL, statements);
    QCOMPARE(
        w.query(Side::PostgreSQL,
                QStringLiteral("SELECT octet_length(%1) FROM %2 WHERE id IN (9, 10) ORDER BY id")
                    .arg(quoted(TextColumn), quoted(TableName))),
        QStringList({"32672", "32673"}));
    w.reloadLists();

    // PostgreSQL to IBM DB2.
    Window::select(w.postgresList, {TableName});
    w.send(Side::IbmDb2);

    // The rows whose value is longer than a DB2 constant are reported with their
    // own INSERT and DB2's SQL0102N; the others go on.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 2);
    for (const QString& report : reports) {
        QCOMPARE(sendStep(report, Side::IbmDb2), 256);
        QVERIFY2(report.contains(QStringLiteral("SQL0102N")), qPrintable(report.left(300)));
    }
    QVERIFY(reportSql(reports[0])
                .startsWith(QStringLiteral(R"(INSERT INTO "it's ""hard""" VALUES('10', ')")));
    QVERIFY(reportSql(reports[0])
                .endsWith(tooLong + QStringLiteral("', NULL, NULL, NULL, NULL, NULL, NULL)")));
    QVERIFY(reportSql(reports[1])
                .startsWith(QStringLiteral(R"(INSERT INTO "it's ""hard""" VALUES('11', NULL)")));
    QCOMPARE(w.userNames(Side::IbmDb2), QStringList({TableName}));
    QCOMPARE(w.columnTypes(Side::IbmDb2, TableName),
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

    // Each column holds these values on DB2, and again on PostgreSQL after the way back.
    const QList<std::pair<QString, QStringList>> columns = {
        {"id", ids},    {TextColumn, texts}, {"num", nums}, {"d", dates},
        {"ts", stamps}, {"b", flags},        {"by", bytes}, {"f", reals}};
    const auto verifyColumns = [&](Side side) {
        for (const auto& [column, expected] : columns) {
            const QStringList values = w.columnValues(side, TableName, column);
            QVERIFY2(values == expected,
                     qPrintable(QStringLiteral("column %1: %2").arg(column, values.join('|'))));
        }
    };
    verifyColumns(Side::IbmDb2);
    if (QTest::currentTestFailed())
        return;

    // And back: the PostgreSQL table of that name is replaced.
    w.dialogs.clear();
    w.dialogs.queueAnswer(Dialogs::Yes);
    Window::select(w.db2List, {TableName});
    w.send(Side::PostgreSQL);
    QCOMPARE(w.dialogs.messageTexts(),
             QStringList({QStringLiteral("Would you like to overwrite %1?").arg(TableName)}));
    QCOMPARE(w.userNames(Side::PostgreSQL), QStringList({TableName}));
    // LONG VARCHAR comes back as text and DATE as date: every other column is text now.
    QCOMPARE(w.pgColumnTypes(TableName),
             QStringList({"text", "text", "text", "date", "text", "text", "text", "text"}));

    verifyColumns(Side::PostgreSQL);
}

void TestTransferRoundTrip::unsafeTextChangesNoStatement_data()
{
    QTest::addColumn<bool>("standardConformingStrings");
    QTest::newRow("standard_conforming_strings on") << true;
    QTest::newRow("standard_conforming_strings off") << false;
}

// DB2's graphic columns hold UTF-16 without checking pairs. One table of values
// that would end a literal early goes to a PostgreSQL database whose
// standard_conforming_strings is on or off, and back: unpaired surrogates are
// refused with their row (and in a name with its table), everything else arrives
// unchanged, and nothing ran as SQL (the table "victim" would go).
void TestTransferRoundTrip::unsafeTextChangesNoStatement()
{
    QFETCH(bool, standardConformingStrings);
    Window w(standardConformingStrings ? QStringLiteral("xfer_unsafe_on")
                                       : QStringLiteral("xfer_unsafe_off"));
    const QString table = QStringLiteral(R"(o'k "\)");
    const QString injection = QStringLiteral(R"(); DROP TABLE "victim"; --)");
    const QString lone = QStringLiteral("lone ") + QChar(0xD800);
    struct Row
    {
        QString a, b;
        bool sendable;
    };
    const QVector<Row> rows = {
        {QStringLiteral(R"(ends in \)"), injection, true},
        {QStringLiteral(R"(C:\new\tab \\ x)"), QStringLiteral("it's 'quoted' ''"), true},
        {QStringLiteral(R"(\'); DROP TABLE "victim"; --)"), QStringLiteral(R"('\)"), true},
        {QStringLiteral("ACME") + QChar(0xD83D), injection, false}, // high surrogate last
        {QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), QStringLiteral("x"), false},
        {QChar(0xDC00) + QStringLiteral("z"), QStringLiteral("y"), false}, // low surrogate
        {QStringLiteral("\U0001F600 pair"), QStringLiteral("\u00e9"), true},
    };
    const auto db2Literal = [](QString text) {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) +
               QLatin1Char('\'');
    };
    QStringList statements{
        QStringLiteral(R"(CREATE TABLE %1 ("id" INTEGER, "a" VARGRAPHIC(40), "b" VARGRAPHIC(40)))")
            .arg(quoted(table)),
        QStringLiteral(R"(CREATE TABLE %1 ("id" INTEGER))").arg(quoted(lone)),
        QStringLiteral(R"(CREATE TABLE "name" (%1 INTEGER))").arg(quoted(lone))};
    for (int i = 0; i < rows.size(); ++i)
        statements << QStringLiteral("INSERT INTO %1 VALUES (%2, %3, %4)")
                          .arg(quoted(table))
                          .arg(i + 1)
                          .arg(db2Literal(rows[i].a), db2Literal(rows[i].b));
    // Through the driver as a program would; the test tool takes its statements as
    // UTF-8, which holds no unpaired surrogate.
    {
        Connection db2;
        db2.open(IBMDB2::ConnectionString(w.db2Profile));
        for (const QString& statement : statements)
            db2.execute(statement);
    }
    w.exec(Side::PostgreSQL, {QStringLiteral(R"(CREATE TABLE "victim" (x integer))")});
    if (!standardConformingStrings)
        TestEnv::pgExec({QStringLiteral("ALTER DATABASE %1 SET standard_conforming_strings = off")
                             .arg(w.postgresDatabase)});
    QCOMPARE(w.query(Side::PostgreSQL, QStringLiteral("SHOW standard_conforming_strings")),
             QStringList({standardConformingStrings ? "on" : "off"}));
    w.reloadLists();
    QCOMPARE(w.userNames(Side::IbmDb2), QStringList({lone, QStringLiteral("name"), table}));

    // To PostgreSQL: the three rows, the column and the table are refused at their
    // steps (value 230, column name 162, table name 124), each report saying why.
    Window::select(w.db2List, {table, lone, QStringLiteral("name")});
    w.send(Side::PostgreSQL);
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(sendSteps(w.dialogs, Side::PostgreSQL), QVector<int>({230, 230, 230, 162, 124}));
    for (const QString& report : reports)
        QVERIFY2(report.contains(QStringLiteral("unpaired UTF-16 surrogate")), qPrintable(report));
    QVERIFY2(reports[0].startsWith(QStringLiteral(R"(The value of column "a" holds an unpaired )"
                                                  R"(UTF-16 surrogate (U+D83D at character 5))")),
             qPrintable(reports[0]));
    QCOMPARE(w.userNames(Side::PostgreSQL), QStringList({table, QStringLiteral("victim")}));
    QStringList as, bs;
    for (const Row& row : rows) {
        if (row.sendable) {
            as << row.a;
            bs << row.b;
        }
    }
    QCOMPARE(w.columnValues(Side::PostgreSQL, table, QStringLiteral("a")), as);
    QCOMPARE(w.columnValues(Side::PostgreSQL, table, QStringLiteral("b")), bs);

    // And back over the DB2 table, where a backslash is a plain character.
    w.dialogs.clear();
    w.dialogs.queueAnswer(Dialogs::Yes);
    Window::select(w.postgresList, {table});
    w.send(Side::IbmDb2);
    QCOMPARE(w.dialogs.errorReports(), QStringList());
    QCOMPARE(w.columnValues(Side::IbmDb2, table, QStringLiteral("a")), as);
    QCOMPARE(w.columnValues(Side::IbmDb2, table, QStringLiteral("b")), bs);
    QCOMPARE(w.query(Side::PostgreSQL, QStringLiteral("SELECT to_regclass('victim') IS NOT NULL")),
             QStringList({"1"}));
}

#endif // Q_MOC_RUN

QTEST_MAIN(TestTransferRoundTrip)
#include "tst_transfer_roundtrip.moc"
