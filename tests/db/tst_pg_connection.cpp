// Opening, failing to open and testing connections against the real PostgreSQL
// server through psqlODBC.
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"

#include <QtTest>

namespace {

// Sessions of a role still known to the server; a backend may take a moment to
// go after its client has disconnected, so the callers poll.
int sessionsOf(const QString& role)
{
    return TestEnv::pgQuery(
               QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE usename = '%1'")
                   .arg(role),
               QString())
        .value(0)
        .toInt();
}

QString firstValue(Connection& connection, const QString& sql)
{
    std::unique_ptr<Recordset> rows = connection.execute(sql);
    if (!rows)
        throw DbError(QStringLiteral("no result"));
    return rows->fields().item(0).value().value_or(QStringLiteral("<NULL>"));
}

} // namespace

class TestPgConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensWithTheProfileString();
    void failedOpenCarriesTheDriversText_data();
    void failedOpenCarriesTheDriversText();
    void passwordWithSeparatorsLogsIn();
    void canConnectLeavesNoSession_data();
    void canConnectLeavesNoSession();
    void executeReturnsNullForStatements();
    void closeRules();

private:
    ConnectionProfile m_profile;
};

void TestPgConnection::initTestCase()
{
    m_profile = TestEnv::createPgDatabase(QStringLiteral("tst_pg_connection"));
    // A login of our own, so that counting its sessions sees no other test's.
    TestEnv::pgExec({QStringLiteral("DROP ROLE IF EXISTS tst_conn_role"),
                     QStringLiteral("DROP ROLE IF EXISTS tst_conn_braced"),
                     QStringLiteral("CREATE ROLE tst_conn_role LOGIN PASSWORD 'plain-secret'"),
                     // ';' and '}' would end the value early or add attributes unbraced.
                     QStringLiteral("CREATE ROLE tst_conn_braced LOGIN PASSWORD "
                                    "'a;Database=postgres;b}c{d '"),
                     QStringLiteral("GRANT CONNECT ON DATABASE tst_pg_connection TO "
                                    "tst_conn_role, tst_conn_braced")});
}

void TestPgConnection::opensWithTheProfileString()
{
    Connection connection;
    QCOMPARE(connection.state(), ObjectState::Closed);
    connection.open(PostgreSQL::ConnectionString(m_profile));
    QCOMPARE(connection.state(), ObjectState::Open);
    QCOMPARE(firstValue(connection, QStringLiteral("SELECT current_database()")),
             QStringLiteral("tst_pg_connection"));
    QCOMPARE(firstValue(connection, QStringLiteral("SELECT current_user")), m_profile.user);
}

void TestPgConnection::failedOpenCarriesTheDriversText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("wrong password") << "password"
                                    << "not-the-password"
                                    << "password authentication failed";
    // Port 1 on the loopback: nothing listens there.
    QTest::newRow("closed port") << "port"
                                 << "1"
                                 << "Connection refused";
    QTest::newRow("unknown database") << "database"
                                      << "tst_pg_no_such_database"
                                      << "database \"tst_pg_no_such_database\" does not exist";
}

void TestPgConnection::failedOpenCarriesTheDriversText()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    ConnectionProfile profile = m_profile;
    if (field == QLatin1String("password"))
        profile.password = value;
    else if (field == QLatin1String("port"))
        profile.port = value;
    else
        profile.database = value;

    Connection connection;
    try {
        connection.open(PostgreSQL::ConnectionString(profile));
        QFAIL("the open succeeded");
    } catch (const DbError& error) {
        QVERIFY2(error.description().contains(expected), qPrintable(error.description()));
        QVERIFY(!error.sqlState().isEmpty());
        QCOMPARE(QString::fromStdString(error.what()), error.description());
    }
    QCOMPARE(connection.state(), ObjectState::Closed);
    // A failed open leaves the object usable for another attempt.
    connection.open(PostgreSQL::ConnectionString(m_profile));
    QCOMPARE(connection.state(), ObjectState::Open);
}

void TestPgConnection::passwordWithSeparatorsLogsIn()
{
    ConnectionProfile profile = m_profile;
    profile.user = QStringLiteral("tst_conn_braced");
    profile.password = QStringLiteral("a;Database=postgres;b}c{d ");
    Connection connection;
    connection.open(PostgreSQL::ConnectionString(profile));
    QCOMPARE(firstValue(connection, QStringLiteral("SELECT current_user")),
             QStringLiteral("tst_conn_braced"));
    // The text after ';' stayed part of the password: no attribute was injected.
    QCOMPARE(firstValue(connection, QStringLiteral("SELECT current_database()")),
             QStringLiteral("tst_pg_connection"));
}

void TestPgConnection::canConnectLeavesNoSession_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::addColumn<bool>("expected");

    QTest::newRow("good values") << "plain-secret"
                                 << "tst_pg_connection" << true;
    QTest::newRow("wrong password") << "wrong"
                                    << "tst_pg_connection" << false;
    QTest::newRow("unknown database") << "plain-secret"
                                      << "tst_pg_no_such_database" << false;
}

void TestPgConnection::canConnectLeavesNoSession()
{
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(bool, expected);

    ConnectionProfile profile = m_profile;
    profile.user = QStringLiteral("tst_conn_role");
    profile.password = password;
    profile.database = database;
    QCOMPARE(PostgreSQL::CanConnect(profile), expected);
    QTRY_COMPARE_WITH_TIMEOUT(sessionsOf(QStringLiteral("tst_conn_role")), 0, 10000);

    ConnectionProfile closedPort = profile;
    closedPort.port = QStringLiteral("1");
    QVERIFY(!PostgreSQL::CanConnect(closedPort));
}

void TestPgConnection::executeReturnsNullForStatements()
{
    Connection connection;
    connection.open(PostgreSQL::ConnectionString(m_profile));
    QVERIFY(!connection.execute(QStringLiteral("CREATE TABLE exec_null (a int)")));
    QVERIFY(!connection.execute(QStringLiteral("INSERT INTO exec_null VALUES (1)")));
    // An UPDATE that touches no row is no failure.
    QVERIFY(!connection.execute(QStringLiteral("UPDATE exec_null SET a = 2 WHERE a = 5")));
    QVERIFY(!connection.execute(QStringLiteral("DROP TABLE exec_null")));
    try {
        connection.execute(QStringLiteral("SELEC 1"));
        QFAIL("a bad statement was accepted");
    } catch (const DbError& error) {
        QVERIFY2(error.description().contains(QLatin1String("syntax error")),
                 qPrintable(error.description()));
        QCOMPARE(error.sqlState(), QStringLiteral("42601"));
    }
    // The connection is still usable after a failed statement.
    QCOMPARE(firstValue(connection, QStringLiteral("SELECT 40 + 2")), QStringLiteral("42"));

    // Statements without a result share a handle: one that fails spoils neither the
    // next nor a result that is open meanwhile, and closing the connection ends it.
    connection.execute(QStringLiteral("CREATE TABLE exec_reuse (a int)"));
    connection.execute(QStringLiteral("INSERT INTO exec_reuse VALUES (1)"));
    QVERIFY_THROWS_EXCEPTION(
        DbError, connection.execute(QStringLiteral("INSERT INTO exec_none VALUES (1)")));
    connection.execute(QStringLiteral("INSERT INTO exec_reuse VALUES (2)"));
    std::unique_ptr<Recordset> open =
        connection.execute(QStringLiteral("SELECT a FROM exec_reuse ORDER BY a"));
    QVERIFY_THROWS_EXCEPTION(
        DbError, connection.execute(QStringLiteral("INSERT INTO exec_reuse VALUES ('x')")));
    connection.execute(QStringLiteral("INSERT INTO exec_reuse VALUES (3)"));
    QCOMPARE(open->fields()[0].value(), Value(QStringLiteral("1")));
    open->moveNext();
    QCOMPARE(open->fields()[0].value(), Value(QStringLiteral("2")));
    open->close();
    connection.close();
    connection.open(PostgreSQL::ConnectionString(m_profile));
    connection.execute(QStringLiteral("INSERT INTO exec_reuse VALUES (4)"));
    QCOMPARE(firstValue(connection, QStringLiteral("SELECT string_agg(a::text, ',' ORDER BY a) "
                                                   "FROM exec_reuse")),
             QStringLiteral("1,2,3,4"));
    connection.execute(QStringLiteral("DROP TABLE exec_reuse"));
}

void TestPgConnection::closeRules()
{
    Connection connection;
    QVERIFY_THROWS_EXCEPTION(DbError, connection.close());
    QVERIFY_THROWS_EXCEPTION(DbError, connection.execute(QStringLiteral("SELECT 1")));
    QVERIFY_THROWS_EXCEPTION(DbError, connection.setCursorLocation(1));
    QVERIFY_THROWS_EXCEPTION(DbError, connection.setLoginTimeout(-1));
    QVERIFY_THROWS_EXCEPTION(DbError, connection.openSchema(4));

    connection.open(PostgreSQL::ConnectionString(m_profile));
    std::unique_ptr<Recordset> rows =
        connection.execute(QStringLiteral("SELECT generate_series(1, 3)"));
    QCOMPARE(rows->state(), ObjectState::Open);
    connection.close();
    // Closing the connection closed its recordset first.
    QCOMPARE(connection.state(), ObjectState::Closed);
    QCOMPARE(rows->state(), ObjectState::Closed);
    QVERIFY_THROWS_EXCEPTION(DbError, rows->moveNext());
    QVERIFY_THROWS_EXCEPTION(DbError, rows->close());

    // Reopening an open connection closes the first session.
    connection.open(PostgreSQL::ConnectionString(m_profile));
    const QString firstPid = firstValue(connection, QStringLiteral("SELECT pg_backend_pid()"));
    connection.open(PostgreSQL::ConnectionString(m_profile));
    QVERIFY(firstValue(connection, QStringLiteral("SELECT pg_backend_pid()")) != firstPid);
    QTRY_COMPARE_WITH_TIMEOUT(
        TestEnv::pgQuery(
            QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(firstPid),
            QString())
            .value(0),
        QStringLiteral("0"), 10000);
}

QTEST_GUILESS_MAIN(TestPgConnection)
#include "tst_pg_connection.moc"
