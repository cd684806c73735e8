// Opening connections to IBM DB2 through the driver registered as
// "IBM DB2 ODBC DRIVER": DB2's messages and SQLSTATEs for each way an open
// fails, the connection test, and a server that stops answering.
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(ConnectionProfile)

namespace {

// Runs the action and returns the DbError it throws; fails the test when it throws none.
DbError thrownBy(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbError& error) {
        return error;
    }
    QTest::qFail("no DbError was thrown", __FILE__, __LINE__);
    throw std::runtime_error("no DbError was thrown");
}

DbError openFails(const ConnectionProfile& profile)
{
    return thrownBy([&] {
        Connection connection;
        connection.open(IBMDB2::ConnectionString(profile));
    });
}

} // namespace

class TestDb2Connect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensWithTheProfileString();
    void failedOpenGivesDb2sMessage_data();
    void failedOpenGivesDb2sMessage();
    void unreachablePortIsACommunicationError();
    void canConnect_data();
    void canConnect();
    void keywordsInAnyCaseAndBracesAsTyped();
    void passwordsLogInAsTyped_data();
    void passwordsLogInAsTyped();
    void hangingServerGivesUpAtTheLoginTimeout();
    void databaseGoneAwayFailsTheNextStatement();
    void databaseGoneAwayFailsAReadInProgress();

private:
    ConnectionProfile m_profile;
};

void TestDb2Connect::initTestCase()
{
    m_profile = TestEnv::createDb2Database(QStringLiteral("TSTCONN"));
}

void TestDb2Connect::opensWithTheProfileString()
{
    Connection connection;
    connection.open(IBMDB2::ConnectionString(m_profile));
    QCOMPARE(connection.state(), 1);
    std::unique_ptr<Recordset> rows =
        connection.execute(QStringLiteral("SELECT CURRENT SCHEMA, CURRENT SERVER FROM "
                                          "SYSIBM.SYSDUMMY1"));
    QVERIFY(rows);
    // The login's name in upper case is the default schema.
    QCOMPARE(rows->fields().item(0).value(), Value(m_profile.user.toUpper()));
    QCOMPARE(rows->fields().item(1).value(), Value(QStringLiteral("TSTCONN")));
}

void TestDb2Connect::failedOpenGivesDb2sMessage_data()
{
    QTest::addColumn<ConnectionProfile>("profile");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<int>("nativeCode");
    QTest::addColumn<QString>("description");

    const ConnectionProfile good = TestEnv::createDb2Database(QStringLiteral("TSTCONN"));
    ConnectionProfile p = good;
    p.server = QStringLiteral("nowhere.localtest");
    QTest::newRow("unknown host")
        << p << "08001" << -1336
        << "[IBM][CLI Driver] SQL1336N  The remote host \"nowhere.localtest\" was not found.  "
           "SQLSTATE=08001";
    p = good;
    p.database = QStringLiteral("nosuchdb");
    QTest::newRow("unknown database")
        << p << "08004" << -30061
        << "[IBM][CLI Driver] SQL30061N  The database alias or database name \"NOSUCHDB        "
           "  \" was not found at the remote node.  SQLSTATE=08004";
    p = good;
    p.database = QStringLiteral("TOOLONGDB");
    QTest::newRow("database name over 8 characters")
        << p << "2E000" << -1001
        << "[IBM][CLI Driver] SQL1001N  \"TOOLONGDB\" is not a valid database name.  "
           "SQLSTATE=2E000";
    p = good;
    p.database.clear();
    QTest::newRow("empty database")
        << p << "42705" << -1013
        << "[IBM][CLI Driver] SQL1013N  The database alias name or database name \"\" could not "
           "be found.  SQLSTATE=42705";
    const QString invalidLogin =
        "[IBM][CLI Driver] SQL30082N  Security processing failed with reason \"24\" "
        "(\"USERNAME AND/OR PASSWORD INVALID\").  SQLSTATE=08001";
    p = good;
    p.password = QStringLiteral("wrong");
    QTest::newRow("wrong password") << p << "08001" << -30082 << invalidLogin;
    p = good;
    p.user = QStringLiteral("nobody");
    QTest::newRow("unknown user") << p << "08001" << -30082 << invalidLogin;
    p = good;
    p.password.clear();
    QTest::newRow("no password")
        << p << "08001" << -30082
        << "[IBM][CLI Driver] SQL30082N  Security processing failed with reason \"3\" "
           "(\"PASSWORD MISSING\").  SQLSTATE=08001";
}

void TestDb2Connect::failedOpenGivesDb2sMessage()
{
    QFETCH(ConnectionProfile, profile);
    QFETCH(QString, sqlState);
    QFETCH(int, nativeCode);
    QFETCH(QString, description);
    const DbError error = openFails(profile);
    QCOMPARE(error.description(), description);
    QCOMPARE(error.sqlState(), sqlState);
    QCOMPARE(error.nativeCode(), nativeCode);
}

void TestDb2Connect::unreachablePortIsACommunicationError()
{
    ConnectionProfile p = m_profile;
    for (const QString& port : {QStringLiteral("50001"), QStringLiteral("not-a-port")}) {
        p.port = port;
        const DbError error = openFails(p);
        QVERIFY2(error.description().startsWith(
                     "[IBM][CLI Driver] SQL30081N  A communication error has been detected."),
                 qPrintable(error.description()));
        QVERIFY(error.description().contains("\"connect\""));
        QVERIFY(error.description().endsWith("SQLSTATE=08001"));
        QCOMPARE(error.sqlState(), QStringLiteral("08001"));
    }
}

void TestDb2Connect::canConnect_data()
{
    QTest::addColumn<ConnectionProfile>("profile");
    QTest::addColumn<bool>("expected");
    const ConnectionProfile good = TestEnv::createDb2Database(QStringLiteral("TSTCONN"));
    QTest::newRow("correct") << good << true;
    ConnectionProfile p = good;
    p.database = good.database.toLower();
    QTest::newRow("database name in lower case") << p << true;
    p = good;
    p.server = good.server.toUpper();
    QTest::newRow("host name in upper case") << p << true;
    p = good;
    p.password += QLatin1Char('x');
    QTest::newRow("wrong password") << p << false;
    p = good;
    p.port = QStringLiteral("1");
    QTest::newRow("wrong port") << p << false;
    QTest::newRow("empty profile") << ConnectionProfile() << false;
}

void TestDb2Connect::canConnect()
{
    QFETCH(ConnectionProfile, profile);
    QFETCH(bool, expected);
    QCOMPARE(IBMDB2::CanConnect(profile), expected);
}

void TestDb2Connect::keywordsInAnyCaseAndBracesAsTyped()
{
    Connection connection;
    connection.open(QStringLiteral("DRIVER={IBM DB2 ODBC DRIVER};database=%1;HOSTNAME=%2;"
                                   "port=%3;PROTOCOL=tcpip;uid=%4;PWD=%5")
                        .arg(m_profile.database, m_profile.server, m_profile.port, m_profile.user,
                             m_profile.password));
    QCOMPARE(connection.state(), 1);

    // IBM's driver has no quoting: braces are part of the value, and a ';' ends it.
    const DbError braced = thrownBy([&] {
        Connection again;
        again.open(QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database={%1;x};Hostname=%2;"
                                  "Port=%3;Protocol=TCPIP;Uid=%4;Pwd=%5;")
                       .arg(m_profile.database, m_profile.server, m_profile.port, m_profile.user,
                            m_profile.password));
    });
    QCOMPARE(braced.description(),
             QStringLiteral("[IBM][CLI Driver] SQL30061N  The database alias or database name "
                            "\"{%1%2\" was not found at the remote node.  SQLSTATE=08004")
                 .arg(m_profile.database, QString(17 - m_profile.database.size(), ' ')));

    ConnectionProfile other = m_profile;
    const DbError error = thrownBy([&] {
        Connection again;
        again.open(IBMDB2::ConnectionString(other).replace(QStringLiteral("Protocol=TCPIP"),
                                                           QStringLiteral("Protocol=IPX")));
    });
    QVERIFY2(error.description().startsWith(QStringLiteral("[IBM][CLI Driver] ")),
             qPrintable(error.description()));
}

void TestDb2Connect::passwordsLogInAsTyped_data()
{
    QTest::addColumn<QString>("serverPassword");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("logsIn");

    // Braces mean nothing to IBM's driver, so they go as typed and log in.
    QTest::newRow("braces inside") << "b}c{d"
                                   << "b}c{d" << true;
    QTest::newRow("braced whole") << "{abc}"
                                  << "{abc}" << true;
    QTest::newRow("doubled closing brace") << "x}}y"
                                           << "x}}y" << true;
    QTest::newRow("one closing brace") << "}"
                                       << "}" << true;
    QTest::newRow("brace is no quote") << "{abc}"
                                       << "abc" << false;
    QTest::newRow("one character short") << "b}c{d"
                                         << "b}c{" << false;
    // The driver sends a password without its outer blanks.
    QTest::newRow("outer blanks stripped") << "in side"
                                           << "  in side " << true;
    QTest::newRow("outer blanks cannot log in") << " in side "
                                                << " in side " << false;
    // A ';' cannot be sent to IBM's driver at all.
    QTest::newRow("semicolon") << "a;Database=OTHER"
                               << "a;Database=OTHER" << false;
}

void TestDb2Connect::passwordsLogInAsTyped()
{
    QFETCH(QString, serverPassword);
    QFETCH(QString, typed);
    QFETCH(bool, logsIn);
    TestEnv::db2Admin({QStringLiteral("add-user"), QStringLiteral("--user"),
                       QStringLiteral("typist"), QStringLiteral("--password"), serverPassword});
    ConnectionProfile p = m_profile;
    p.user = QStringLiteral("typist");
    p.password = typed;
    QCOMPARE(IBMDB2::CanConnect(p), logsIn);
}

void TestDb2Connect::hangingServerGivesUpAtTheLoginTimeout()
{
    // An endpoint that accepts and never answers; the time-out the connection sets
    // is scaled down by the stand-in so that the test does not wait 30 seconds.
    TestEnv::db2Admin({QStringLiteral("hang"), QStringLiteral("--host"),
                       QStringLiteral("hang.localtest"), QStringLiteral("--port"),
                       QStringLiteral("50099")});
    TestEnv::db2Admin(
        {QStringLiteral("set"), QStringLiteral("login_timeout_scale"), QStringLiteral("0.01")});
    // The server is shared with the tests running beside this one: put it back.
    struct Restore
    {
        ~Restore()
        {
            TestEnv::db2Admin({QStringLiteral("hang"), QStringLiteral("--host"),
                               QStringLiteral("hang.localtest"), QStringLiteral("--port"),
                               QStringLiteral("50099"), QStringLiteral("--off")});
            TestEnv::db2Admin({QStringLiteral("set"), QStringLiteral("login_timeout_scale"),
                               QStringLiteral("1")});
        }
    } restore;
    ConnectionProfile p = m_profile;
    p.server = QStringLiteral("hang.localtest");
    p.port = QStringLiteral("50099");
    const DbError error = openFails(p);
    QCOMPARE(error.sqlState(), QStringLiteral("08001"));
    QVERIFY2(error.description().startsWith("[IBM][CLI Driver] SQL30081N"),
             qPrintable(error.description()));
    QVERIFY(!IBMDB2::CanConnect(p));
}

void TestDb2Connect::databaseGoneAwayFailsTheNextStatement()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTGONE"));
    Connection connection;
    connection.open(IBMDB2::ConnectionString(profile));
    connection.execute(QStringLiteral("CREATE TABLE \"t\"(\"a\" LONG VARCHAR)"));

    TestEnv::db2Admin({QStringLiteral("down"), QStringLiteral("--database"), profile.database});
    DbError error =
        thrownBy([&] { connection.execute(QStringLiteral("INSERT INTO \"t\" VALUES('1')")); });
    QCOMPARE(error.sqlState(), QStringLiteral("08001"));
    QVERIFY2(error.description().startsWith("[IBM][CLI Driver] SQL30081N"),
             qPrintable(error.description()));
    QVERIFY(!IBMDB2::CanConnect(profile));

    // Back again: the old connection stays broken, a new one works.
    TestEnv::db2Admin({QStringLiteral("up"), QStringLiteral("--database"), profile.database});
    error = thrownBy([&] { connection.execute(QStringLiteral("INSERT INTO \"t\" VALUES('1')")); });
    QCOMPARE(error.sqlState().left(2), QStringLiteral("08"));
    QVERIFY(IBMDB2::CanConnect(profile));
    QCOMPARE(TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM \"t\""), profile.database),
             QStringList{QStringLiteral("0")});
}

void TestDb2Connect::databaseGoneAwayFailsAReadInProgress()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTGONE2"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE R (N INTEGER)"),
                      QStringLiteral("INSERT INTO R VALUES (1), (2), (3)")},
                     profile.database);
    Connection connection;
    connection.open(IBMDB2::ConnectionString(profile));
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM R"), connection);
    QCOMPARE(rows.fields().item(0).value(), Value(QStringLiteral("1")));
    TestEnv::db2Admin({QStringLiteral("down"), QStringLiteral("--database"), profile.database});
    const DbError error = thrownBy([&] {
        rows.moveNext();
        rows.moveNext();
    });
    TestEnv::db2Admin({QStringLiteral("up"), QStringLiteral("--database"), profile.database});
    QCOMPARE(error.sqlState(), QStringLiteral("08001"));
}

QTEST_GUILESS_MAIN(TestDb2Connect)
#include "tst_db2_connect.moc"
