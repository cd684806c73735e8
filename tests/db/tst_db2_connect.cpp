// Opening connections to IBM DB2 through the driver registered as
// "IBM DB2 ODBC DRIVER": the profile's connection string, the connection test,
// a server that stops answering and a database that goes away during a read.
#include "ErrorReports.h"
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(ConnectionProfile)

namespace {

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
    void canConnect_data();
    void canConnect();
    void hangingServerGivesUpAtTheLoginTimeout();
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
    QCOMPARE(connection.state(), ObjectState::Open);
    std::unique_ptr<Recordset> rows =
        connection.execute(QStringLiteral("SELECT CURRENT SCHEMA, CURRENT SERVER FROM "
                                          "SYSIBM.SYSDUMMY1"));
    QVERIFY(rows);
    // The login's name in upper case is the default schema.
    QCOMPARE(rows->fields().item(0).value(), Value(m_profile.user.toUpper()));
    QCOMPARE(rows->fields().item(1).value(), Value(QStringLiteral("TSTCONN")));
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
    struct BackUp
    {
        QString database;
        ~BackUp()
        {
            TestEnv::db2Admin({QStringLiteral("up"), QStringLiteral("--database"), database});
        }
    } backUp{profile.database};
    TestEnv::db2Admin({QStringLiteral("down"), QStringLiteral("--database"), profile.database});
    const DbError error = thrownBy([&] {
        rows.moveNext();
        rows.moveNext();
    });
    QCOMPARE(error.sqlState(), QStringLiteral("08001"));
}

QTEST_GUILESS_MAIN(TestDb2Connect)
#include "tst_db2_connect.moc"
