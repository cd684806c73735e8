// Connecting to the stand-in: the IBM keywords of the connection string, the
// checks DB2 makes when a connection opens (each with DB2's message, SQLSTATE
// and native code), passwords as IBM's driver sends them, and a database that
// goes away under an open connection.
#include "StandinTest.h"
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/Recordset.h"

#include <QFile>
#include <QSaveFile>
#include <QtTest>

using StandinTest::connectionString;

class TestStandinConnect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keywordsInAnyLetterCase();
    void failedOpenGivesDb2sMessage_data();
    void failedOpenGivesDb2sMessage();
    void passwordsLogInAsTyped_data();
    void passwordsLogInAsTyped();
    void databaseGoneAwayFailsTheNextStatement();

private:
    ConnectionProfile m_profile;
};

void TestStandinConnect::initTestCase()
{
    m_profile = TestEnv::createDb2Database(QStringLiteral("SICONN"));
}

void TestStandinConnect::keywordsInAnyLetterCase()
{
    Connection connection;
    connection.open(QStringLiteral("DRIVER={IBM DB2 ODBC DRIVER};database=%1;HOSTNAME=%2;"
                                   "port=%3;PROTOCOL=tcpip;uid=%4;PWD=%5")
                        .arg(m_profile.database, m_profile.server, m_profile.port, m_profile.user,
                             m_profile.password));
    QCOMPARE(connection.state(), 1);
    std::unique_ptr<Recordset> rows = connection.execute(
        QStringLiteral("SELECT CURRENT SCHEMA, CURRENT SERVER FROM SYSIBM.SYSDUMMY1"));
    QVERIFY(rows);
    // The login's name in upper case is the default schema.
    QCOMPARE(rows->fields().item(0).value(), Value(m_profile.user.toUpper()));
    QCOMPARE(rows->fields().item(1).value(), Value(QStringLiteral("SICONN")));
}

// `parts` holds the whole message, or its beginning, what it must contain and its end.
void TestStandinConnect::failedOpenGivesDb2sMessage_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<int>("nativeCode");
    QTest::addColumn<QStringList>("parts");

    const ConnectionProfile good = TestEnv::createDb2Database(QStringLiteral("SICONN"));
    ConnectionProfile p = good;
    p.server = QStringLiteral("nowhere.localtest");
    QTest::newRow("unknown host")
        << connectionString(p) << "08001" << -1336
        << QStringList{"[IBM][CLI Driver] SQL1336N  The remote host \"nowhere.localtest\" was not "
                       "found.  SQLSTATE=08001"};
    p = good;
    p.database = QStringLiteral("nosuchdb");
    QTest::newRow("unknown database")
        << connectionString(p) << "08004" << -30061
        << QStringList{"[IBM][CLI Driver] SQL30061N  The database alias or database name "
                       "\"NOSUCHDB          \" was not found at the remote node.  SQLSTATE=08004"};
    p = good;
    p.database = QStringLiteral("TOOLONGDB");
    QTest::newRow("database name over 8 characters")
        << connectionString(p) << "2E000" << -1001
        << QStringList{"[IBM][CLI Driver] SQL1001N  \"TOOLONGDB\" is not a valid database name.  "
                       "SQLSTATE=2E000"};
    p = good;
    p.database.clear();
    QTest::newRow("empty database")
        << connectionString(p) << "42705" << -1013
        << QStringList{"[IBM][CLI Driver] SQL1013N  The database alias name or database name \"\" "
                       "could not be found.  SQLSTATE=42705"};
    const QString invalidLogin =
        "[IBM][CLI Driver] SQL30082N  Security processing failed with reason \"24\" "
        "(\"USERNAME AND/OR PASSWORD INVALID\").  SQLSTATE=08001";
    p = good;
    p.password = QStringLiteral("wrong");
    QTest::newRow("wrong password")
        << connectionString(p) << "08001" << -30082 << QStringList{invalidLogin};
    p = good;
    p.user = QStringLiteral("nobody");
    QTest::newRow("unknown user") << connectionString(p) << "08001" << -30082
                                  << QStringList{invalidLogin};
    p = good;
    p.password.clear();
    QTest::newRow("no password")
        << connectionString(p) << "08001" << -30082
        << QStringList{"[IBM][CLI Driver] SQL30082N  Security processing failed with reason \"3\" "
                       "(\"PASSWORD MISSING\").  SQLSTATE=08001"};
    const QStringList notListening{
        "[IBM][CLI Driver] SQL30081N  A communication error has been detected.", "\"connect\"",
        "SQLSTATE=08001"};
    for (const char* port : {"50001", "not-a-port"}) {
        p = good;
        p.port = QLatin1String(port);
        QTest::addRow("port %s", port) << connectionString(p) << "08001" << -30081 << notListening;
    }
    // IBM's driver has no quoting: braces are part of the value, and a ';' ends it.
    p = good;
    p.database = QStringLiteral("{%1;x}").arg(good.database);
    QTest::newRow("braces are no quotes")
        << connectionString(p) << "08004" << -30061
        << QStringList{QStringLiteral("[IBM][CLI Driver] SQL30061N  The database alias or "
                                      "database name \"{%1%2\" was not found at the remote node.  "
                                      "SQLSTATE=08004")
                           .arg(good.database, QString(17 - good.database.size(), ' '))};
    QTest::newRow("protocol other than TCPIP")
        << connectionString(good).replace(QStringLiteral("Protocol=TCPIP"),
                                          QStringLiteral("Protocol=IPX"))
        << "HY009" << -99999
        << QStringList{"[IBM][CLI Driver] CLI0124E  Invalid argument value.", "SQLSTATE=HY009"};
}

void TestStandinConnect::failedOpenGivesDb2sMessage()
{
    QFETCH(QString, connection);
    QFETCH(QString, sqlState);
    QFETCH(int, nativeCode);
    QFETCH(QStringList, parts);
    const DbError error = thrownBy([&] {
        Connection c;
        c.open(connection);
    });
    if (parts.size() == 1) {
        QCOMPARE(error.description(), parts.first());
    } else {
        QVERIFY2(error.description().startsWith(parts.first()), qPrintable(error.description()));
        for (const QString& part : parts.mid(1, parts.size() - 2))
            QVERIFY2(error.description().contains(part), qPrintable(error.description()));
        QVERIFY2(error.description().endsWith(parts.last()), qPrintable(error.description()));
    }
    QCOMPARE(error.sqlState(), sqlState);
    QCOMPARE(error.nativeCode(), nativeCode);
}

void TestStandinConnect::passwordsLogInAsTyped_data()
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
    // A ';' ends the value: the rest is another keyword, and the password is cut short.
    QTest::newRow("semicolon") << "a;Database=OTHER"
                               << "a;Database=OTHER" << false;
}

void TestStandinConnect::passwordsLogInAsTyped()
{
    QFETCH(QString, serverPassword);
    QFETCH(QString, typed);
    QFETCH(bool, logsIn);
    // The users belong to the server that every test shares: put them back.
    struct RestoreUsers
    {
        QFile file{TestEnv::requireEnv("DOVETAB_DB2_SERVER_DIR") + QStringLiteral("/users")};
        QByteArray saved;
        RestoreUsers()
        {
            if (file.open(QIODevice::ReadOnly))
                saved = file.readAll();
            file.close();
        }
        // Written aside and renamed over, as the admin tool does: the tests beside
        // this one log in meanwhile and must never read a half-written file.
        ~RestoreUsers()
        {
            QSaveFile out(file.fileName());
            if (out.open(QIODevice::WriteOnly)) {
                out.write(saved);
                out.commit();
            }
        }
    } restore;
    QVERIFY(!restore.saved.isEmpty());
    TestEnv::db2Admin({QStringLiteral("add-user"), QStringLiteral("--user"),
                       QStringLiteral("typist"), QStringLiteral("--password"), serverPassword});
    ConnectionProfile p = m_profile;
    p.user = QStringLiteral("typist");
    p.password = typed;
    QCOMPARE(Connection::canOpen(connectionString(p)), logsIn);
}

void TestStandinConnect::databaseGoneAwayFailsTheNextStatement()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("SIGONE"));
    Connection connection;
    connection.open(connectionString(profile));
    connection.execute(QStringLiteral("CREATE TABLE \"t\"(\"a\" LONG VARCHAR)"));

    struct BackUp
    {
        QString database;
        ~BackUp()
        {
            TestEnv::db2Admin({QStringLiteral("up"), QStringLiteral("--database"), database});
        }
    } backUp{profile.database};
    TestEnv::db2Admin({QStringLiteral("down"), QStringLiteral("--database"), profile.database});
    DbError error =
        thrownBy([&] { connection.execute(QStringLiteral("INSERT INTO \"t\" VALUES('1')")); });
    QCOMPARE(error.sqlState(), QStringLiteral("08001"));
    QVERIFY2(error.description().startsWith("[IBM][CLI Driver] SQL30081N"),
             qPrintable(error.description()));
    QVERIFY(!Connection::canOpen(connectionString(profile)));

    // Back again: the old connection stays broken, a new one works.
    TestEnv::db2Admin({QStringLiteral("up"), QStringLiteral("--database"), profile.database});
    error = thrownBy([&] { connection.execute(QStringLiteral("INSERT INTO \"t\" VALUES('1')")); });
    QCOMPARE(error.sqlState().left(2), QStringLiteral("08"));
    QVERIFY(Connection::canOpen(connectionString(profile)));
    QCOMPARE(TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM \"t\""), profile.database),
             QStringList{QStringLiteral("0")});
}

QTEST_GUILESS_MAIN(TestStandinConnect)
#include "tst_standin_connect.moc"
