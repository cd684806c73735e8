// Reading results from the real PostgreSQL server through psqlODBC: type codes,
// value texts, long values, row counts and the lifetime of recordsets.
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"

#include <QtTest>

namespace {

const QString Database = QStringLiteral("tst_pg_recordset");
const QString NullMark = QStringLiteral("<NULL>");

QString shown(const Value& value)
{
    return value ? *value : NullMark;
}

} // namespace

class TestPgRecordset : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { m_connections.clear(); }
    void typeCodesAndTexts_data();
    void typeCodesAndTexts();
    void longAndNonAsciiValuesComeBackWhole_data();
    void longAndNonAsciiValuesComeBackWhole();
    void recordCountAndWalk_data();
    void recordCountAndWalk();
    void fieldLookup();
    void openRules();
    void recordsetOutlivesItsConnection();
    void tableCatalog();

private:
    Connection& open(int cursorLocation = Connection::ClientSide,
                     const QString& extraAttributes = QString());
    ConnectionProfile m_profile;
    std::vector<std::unique_ptr<Connection>> m_connections;
};

Connection& TestPgRecordset::open(int cursorLocation, const QString& extraAttributes)
{
    auto connection = std::make_unique<Connection>();
    connection->setCursorLocation(cursorLocation);
    connection->open(PostgreSQL::ConnectionString(m_profile) + extraAttributes);
    m_connections.push_back(std::move(connection));
    return *m_connections.back();
}

void TestPgRecordset::initTestCase()
{
    m_profile = TestEnv::createPgDatabase(Database);
    TestEnv::pgExec(
        {QStringLiteral(
             "CREATE TABLE types (id int, c_int2 int2, c_int4 int4, c_int8 int8, "
             "c_numeric numeric(10,2), c_real real, c_double double precision, c_text text, "
             "c_varchar varchar(20), c_char char(5), c_bool bool, c_date date, c_time time, "
             "c_timestamp timestamp, c_timestamptz timestamptz, c_bytea bytea, c_uuid uuid, "
             "c_json json)"),
         QStringLiteral(
             "INSERT INTO types VALUES (1, -32768, 2147483647, -9223372036854775808, "
             "-12345678.91, 1.5, 1234567.125, 'héllo €', 'vc', 'ab', true, '2024-02-29', "
             "'13:14:15.123456', '2024-02-29 13:14:15.5', '2024-02-29 13:14:15+02', "
             "'\\x00ff10', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"a\": [1, 2]}')"),
         // Only the text columns hold empty values; every other value is NULL.
         QStringLiteral("INSERT INTO types VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, '', "
                        "'', NULL, false, NULL, NULL, NULL, NULL, '', NULL, NULL)"),
         QStringLiteral("CREATE TABLE big (id int, t text, b bytea)"),
         QStringLiteral("INSERT INTO big VALUES (1, repeat('0123456789abcdef', 65536), NULL)"),
         QStringLiteral("INSERT INTO big VALUES (2, repeat('é€😀', 100000), NULL)"),
         // The emoji's two UTF-16 halves straddle the end of a first read.
         QStringLiteral("INSERT INTO big VALUES (3, repeat('a', 4094) || '😀z', NULL)"),
         QStringLiteral(
             "INSERT INTO big VALUES (4, NULL, decode(repeat('00ff7f80', 100000), 'hex'))"),
         QStringLiteral("CREATE TABLE numbers AS SELECT generate_series(1, 10000) AS n")},
        Database);
}

void TestPgRecordset::typeCodesAndTexts_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("adoType");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    // psqlODBC reports text as SQL_WLONGVARCHAR, bool as SQL_VARCHAR (BoolsAsChar),
    // float8 as SQL_FLOAT, bytea as SQL_LONGVARBINARY, uuid as SQL_GUID and json as
    // SQL_WVARCHAR.
    QTest::newRow("int2") << "c_int2" << 2 << "-32768" << NullMark;
    QTest::newRow("int4") << "c_int4" << 3 << "2147483647" << NullMark;
    QTest::newRow("int8") << "c_int8" << 20 << "-9223372036854775808" << NullMark;
    QTest::newRow("numeric") << "c_numeric" << 131 << "-12345678.91" << NullMark;
    QTest::newRow("real") << "c_real" << 4 << "1.5" << NullMark;
    QTest::newRow("double") << "c_double" << 5 << "1234567.125" << NullMark;
    QTest::newRow("text") << "c_text" << 203 << "héllo €"
                          << "";
    QTest::newRow("varchar") << "c_varchar" << 202 << "vc"
                             << "";
    QTest::newRow("char") << "c_char" << 130 << "ab   " << NullMark;
    QTest::newRow("bool") << "c_bool" << 200 << "1"
                          << "0";
    QTest::newRow("date") << "c_date" << 133 << "2024-02-29" << NullMark;
    QTest::newRow("time") << "c_time" << 134 << "13:14:15.123456" << NullMark;
    QTest::newRow("timestamp") << "c_timestamp" << 135 << "2024-02-29 13:14:15.5" << NullMark;
    // As the server shows it in its own time zone (Asia/Kolkata here), offset included.
    QTest::newRow("timestamptz") << "c_timestamptz" << 135 << "2024-02-29 16:44:15+05:30"
                                 << NullMark;
    QTest::newRow("bytea") << "c_bytea" << 205 << "00FF10"
                           << "";
    QTest::newRow("uuid") << "c_uuid" << 72 << "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11" << NullMark;
    QTest::newRow("json") << "c_json" << 202 << "{\"a\": [1, 2]}" << NullMark;
}

void TestPgRecordset::typeCodesAndTexts()
{
    QFETCH(QString, column);
    QFETCH(int, adoType);
    QFETCH(QString, first);
    QFETCH(QString, second);

    Recordset rows;
    rows.open(QStringLiteral("SELECT %1 FROM types ORDER BY id").arg(column), open(),
              Recordset::StaticCursor, Recordset::OptimisticLock);
    QCOMPARE(rows.recordCount(), 2);
    QCOMPARE(rows.fields().count(), 1);
    const Field& field = rows.fields()[0];
    QCOMPARE(field.name(), column);
    QCOMPARE(field.type(), adoType);
    QCOMPARE(shown(field.value()), first);
    rows.moveNext();
    const Value value = field.value();
    QCOMPARE(shown(value), second);
    // An empty value is a text, never NULL.
    if (second.isEmpty()) {
        QVERIFY(value.has_value());
        QVERIFY(!value->isNull());
    }
    rows.moveNext();
    QVERIFY(rows.eof());
}

void TestPgRecordset::longAndNonAsciiValuesComeBackWhole_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1 MiB of text")
        << 1 << "t" << QStringLiteral("0123456789abcdef").repeated(65536);
    QTest::newRow("long non-ASCII text")
        << 2 << "t" << QStringLiteral("é€\U0001F600").repeated(100000);
    QTest::newRow("surrogate pair across reads")
        << 3 << "t" << QString(4094, QLatin1Char('a')) + QStringLiteral("\U0001F600z");
    QTest::newRow("400 kB of bytea as hex")
        << 4 << "b" << QStringLiteral("00FF7F80").repeated(100000);
}

void TestPgRecordset::longAndNonAsciiValuesComeBackWhole()
{
    QFETCH(int, id);
    QFETCH(QString, column);
    QFETCH(QString, expected);

    // Server side too: the value is read the same way whatever the cursor.
    for (int location : {Connection::ClientSide, Connection::ServerSide}) {
        std::unique_ptr<Recordset> rows = open(location).execute(
            QStringLiteral("SELECT %1 FROM big WHERE id = %2").arg(column).arg(id));
        QVERIFY(rows);
        const Value value = rows->fields().item(column).value();
        QVERIFY(value.has_value());
        QCOMPARE(value->size(), expected.size());
        QVERIFY(*value == expected);
    }
}

void TestPgRecordset::recordCountAndWalk_data()
{
    QTest::addColumn<int>("cursorLocation");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("tail");

    for (int rows : {0, 1, 10000}) {
        QTest::addRow("client side, %d rows", rows) << 3 << QString() << rows << QString();
        // With UseDeclareFetch psqlODBC gives no row count for a SELECT: the count
        // is then had by a query of its own, before the first row is read.
        QTest::addRow("client side, declare/fetch, %d rows", rows)
            << 3 << QStringLiteral(";UseDeclareFetch=1;Fetch=100") << rows
            << QStringLiteral(" ;; \n");
        QTest::addRow("server side, %d rows", rows) << 2 << QString() << rows << QString();
    }
}

void TestPgRecordset::recordCountAndWalk()
{
    QFETCH(int, cursorLocation);
    QFETCH(QString, attributes);
    QFETCH(int, rows);
    QFETCH(QString, tail);

    Connection& connection = open(cursorLocation, attributes);
    std::unique_ptr<Recordset> result = connection.execute(
        QStringLiteral("SELECT n FROM numbers WHERE n <= %1 ORDER BY n").arg(rows) + tail);
    QVERIFY(result);
    QCOMPARE(result->recordCount(), cursorLocation == 3 ? rows : -1);

    int seen = 0;
    while (!result->eof()) {
        ++seen;
        // Every row once, in order: nothing skipped or repeated by the count.
        QCOMPARE(result->fields()[0].value(), Value(QString::number(seen)));
        result->moveNext();
    }
    QCOMPARE(seen, rows);
    QVERIFY_THROWS_EXCEPTION(DbError, result->fields()[0].value());
    QVERIFY_THROWS_EXCEPTION(DbError, result->moveNext());
    result->close();
    QCOMPARE(result->state(), ObjectState::Closed);
}

void TestPgRecordset::fieldLookup()
{
    std::unique_ptr<Recordset> rows =
        open().execute(QStringLiteral("SELECT 1 AS alpha, 'x' AS \"MiXed\", NULL::text AS gone"));
    const Fields& fields = rows->fields();
    QCOMPARE(fields.count(), 3);
    QCOMPARE(fields.item(QStringLiteral("ALPHA")).value(), Value(QStringLiteral("1")));
    QCOMPARE(fields.item(QStringLiteral("mixed")).name(), QStringLiteral("MiXed"));
    QCOMPARE(fields.item(QStringLiteral("Gone")).value(), Value());
    QVERIFY_THROWS_EXCEPTION(DbError, fields.item(QStringLiteral("nope")));
    QVERIFY_THROWS_EXCEPTION(DbError, fields.item(3));
    QVERIFY_THROWS_EXCEPTION(DbError, fields.item(-1));
}

void TestPgRecordset::openRules()
{
    Connection& connection = open(Connection::ServerSide);
    Recordset rows;
    QCOMPARE(rows.state(), ObjectState::Closed);
    QVERIFY_THROWS_EXCEPTION(DbError, rows.fields());
    QVERIFY_THROWS_EXCEPTION(DbError, rows.eof());
    QVERIFY_THROWS_EXCEPTION(DbError, rows.close());

    try {
        rows.open(QStringLiteral("SELECT * FROM \"no such table\""), connection,
                  Recordset::StaticCursor, Recordset::OptimisticLock);
        QFAIL("a bad query was accepted");
    } catch (const DbError& error) {
        QVERIFY2(error.description().contains(
                     QLatin1String("relation \"no such table\" does not exist")),
                 qPrintable(error.description()));
        QCOMPARE(error.sqlState(), QStringLiteral("42P01"));
    }
    QCOMPARE(rows.state(), ObjectState::Closed);

    rows.open(QStringLiteral("SELECT id FROM types ORDER BY id"), connection,
              Recordset::StaticCursor, Recordset::OptimisticLock);
    QCOMPARE(rows.state(), ObjectState::Open);
    QCOMPARE(rows.fields()[0].value(), Value(QStringLiteral("1")));
    QVERIFY_THROWS_EXCEPTION(DbError, rows.open(QStringLiteral("SELECT 1"), connection));
    rows.close();
    // Closed, it opens again.
    rows.open(QStringLiteral("SELECT id FROM types ORDER BY id DESC"), connection);
    QCOMPARE(rows.fields()[0].value(), Value(QStringLiteral("2")));
    rows.close();

    // A statement without a result leaves the recordset closed.
    rows.open(QStringLiteral("CREATE TEMPORARY TABLE scratch (a int)"), connection);
    QCOMPARE(rows.state(), ObjectState::Closed);

    Connection closed;
    QVERIFY_THROWS_EXCEPTION(DbError, rows.open(QStringLiteral("SELECT 1"), closed));
}

void TestPgRecordset::recordsetOutlivesItsConnection()
{
    auto connection = std::make_unique<Connection>();
    connection->setCursorLocation(Connection::ClientSide);
    connection->open(PostgreSQL::ConnectionString(m_profile));
    std::unique_ptr<Recordset> pid = connection->execute(QStringLiteral("SELECT pg_backend_pid()"));
    const QString backend = pid->fields()[0].value().value_or(QString());
    Recordset opened;
    opened.open(QStringLiteral("SELECT n FROM numbers"), *connection);
    std::unique_ptr<Recordset> executed =
        connection->execute(QStringLiteral("SELECT n FROM numbers"));

    connection.reset();
    // The recordsets ended with their connection and are still safe to use.
    QCOMPARE(opened.state(), ObjectState::Closed);
    QCOMPARE(executed->state(), ObjectState::Closed);
    QVERIFY_THROWS_EXCEPTION(DbError, executed->eof());
    executed.reset();
    QTRY_COMPARE_WITH_TIMEOUT(
        TestEnv::pgQuery(
            QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(backend),
            QString())
            .value(0),
        QStringLiteral("0"), 10000);
}

void TestPgRecordset::tableCatalog()
{
    for (int location : {Connection::ClientSide, Connection::ServerSide}) {
        std::unique_ptr<Recordset> tables = open(location).openSchema(Connection::SchemaTables);
        QVERIFY(tables);
        QStringList names;
        while (!tables->eof()) {
            QCOMPARE(tables->fields().item(QStringLiteral("TABLE_TYPE")).value(),
                     Value(QStringLiteral("TABLE")));
            names << tables->fields().item(QStringLiteral("TABLE_NAME")).value().value_or(NullMark);
            tables->moveNext();
        }
        names.sort();
        QCOMPARE(names, QStringList({"big", "numbers", "types"}));
        QCOMPARE(tables->recordCount(), location == 3 ? 3 : -1);
    }
}

QTEST_GUILESS_MAIN(TestPgRecordset)
#include "tst_pg_recordset.moc"
