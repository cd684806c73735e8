// The two connection strings, byte for byte, and the bracing of awkward values.
#include "db/DbError.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"

#include <QtTest>

Q_DECLARE_METATYPE(ConnectionProfile)

namespace {

ConnectionProfile profile(const QString& server, const QString& port, const QString& user,
                          const QString& password, const QString& database)
{
    return ConnectionProfile{server, port, user, password, database};
}

} // namespace

class TestDbConnectionStrings : public QObject
{
    Q_OBJECT

private slots:
    void attributeValue_data();
    void attributeValue();
    void postgreSql_data();
    void postgreSql();
    void postgreSqlSource_data();
    void postgreSqlSource();
    void ibmDb2_data();
    void ibmDb2();
    void ibmDb2Semicolon_data();
    void ibmDb2Semicolon();
};

void TestDbConnectionStrings::attributeValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "dovetab-secret"
                           << "dovetab-secret";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("inner blank and equals sign") << "a b=c"
                                                 << "a b=c";
    QTest::newRow("non-ASCII") << "pässwörd€"
                               << "pässwörd€";
    QTest::newRow("semicolon") << "a;Database=other"
                               << "{a;Database=other}";
    QTest::newRow("opening brace") << "{abc"
                                   << "{{abc}";
    QTest::newRow("closing brace doubled") << "a}b"
                                           << "{a}}b}";
    QTest::newRow("only closing braces") << "}}"
                                         << "{}}}}}";
    QTest::newRow("braced already") << "{x}"
                                    << "{{x}}}";
    QTest::newRow("leading blank") << " x"
                                   << "{ x}";
    QTest::newRow("trailing blank") << "x "
                                    << "{x }";
    QTest::newRow("only a blank") << " "
                                  << "{ }";
}

void TestDbConnectionStrings::attributeValue()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(odbcAttributeValue(value), expected);
}

void TestDbConnectionStrings::postgreSql_data()
{
    QTest::addColumn<ConnectionProfile>("profile");
    QTest::addColumn<QString>("expected");

    QTest::newRow("example") << profile("localhost", "5432", "u", "", "d")
                             << "Driver={PostgreSQL Unicode};Server=localhost;Port=5432;Uid=u;Pwd=;"
                                "Database=d";
    QTest::newRow("empty profile")
        << profile("", "", "", "", "")
        << "Driver={PostgreSQL Unicode};Server=;Port=;Uid=;Pwd=;Database=";
    // Nothing checks the port: any text goes in as typed.
    QTest::newRow("port not a number")
        << profile("db.example", "five", "Admin", "Secret", "Sales")
        << "Driver={PostgreSQL Unicode};Server=db.example;Port=five;Uid=Admin;Pwd=Secret;"
           "Database=Sales";
    QTest::newRow("password with separators")
        << profile("h", "1", "u", "p;Uid=root}", "d")
        << "Driver={PostgreSQL Unicode};Server=h;Port=1;Uid=u;Pwd={p;Uid=root}}};Database=d";
    QTest::newRow("database with trailing blank")
        << profile("h", "1", "u", "p", "d ")
        << "Driver={PostgreSQL Unicode};Server=h;Port=1;Uid=u;Pwd=p;Database={d }";
}

void TestDbConnectionStrings::postgreSql()
{
    QFETCH(ConnectionProfile, profile);
    QFETCH(QString, expected);
    QCOMPARE(PostgreSQL::ConnectionString(profile), expected);
    // Connections that run statements add libpq's keep-alive settings after the
    // database, whatever it holds.
    QCOMPARE(PostgreSQL::SessionConnectionString(profile),
             expected + QStringLiteral(";pqopt={keepalives=1 keepalives_idle=30 "
                                       "keepalives_interval=10 keepalives_count=9 "
                                       "tcp_user_timeout=120000}"));
}

// The connection that reads a source table fetches in blocks; nothing a user types can
// switch that off or change the block size.
void TestDbConnectionStrings::postgreSqlSource_data()
{
    QTest::addColumn<ConnectionProfile>("profile");
    QTest::addColumn<QString>("expected");

    QTest::newRow("example")
        << profile("localhost", "5432", "u", "", "d")
        << "Driver={PostgreSQL Unicode};Server=localhost;Port=5432;Uid=u;Pwd=;Database=d;"
           "pqopt={keepalives=1 keepalives_idle=30 keepalives_interval=10 keepalives_count=9 "
           "tcp_user_timeout=120000};UseDeclareFetch=1;Fetch=1000";
    QTest::newRow("empty profile")
        << profile("", "", "", "", "")
        << "Driver={PostgreSQL Unicode};Server=;Port=;Uid=;Pwd=;Database=;"
           "pqopt={keepalives=1 keepalives_idle=30 keepalives_interval=10 keepalives_count=9 "
           "tcp_user_timeout=120000};UseDeclareFetch=1;Fetch=1000";
    QTest::newRow("database that tries to switch it off")
        << profile("h", "1", "u", "p", "d;UseDeclareFetch=0")
        << "Driver={PostgreSQL Unicode};Server=h;Port=1;Uid=u;Pwd=p;"
           "Database={d;UseDeclareFetch=0};"
           "pqopt={keepalives=1 keepalives_idle=30 keepalives_interval=10 keepalives_count=9 "
           "tcp_user_timeout=120000};UseDeclareFetch=1;Fetch=1000";
    QTest::newRow("database ending in an open brace")
        << profile("h", "1", "u", "p", "d{")
        << "Driver={PostgreSQL Unicode};Server=h;Port=1;Uid=u;Pwd=p;Database={d{};"
           "pqopt={keepalives=1 keepalives_idle=30 keepalives_interval=10 keepalives_count=9 "
           "tcp_user_timeout=120000};UseDeclareFetch=1;Fetch=1000";
}

void TestDbConnectionStrings::postgreSqlSource()
{
    QFETCH(ConnectionProfile, profile);
    QFETCH(QString, expected);
    QCOMPARE(PostgreSQL::SourceConnectionString(profile), expected);
    // The plain string, which every other connection uses, stays as it was.
    QVERIFY(expected.startsWith(PostgreSQL::ConnectionString(profile) + QLatin1Char(';')));
}

void TestDbConnectionStrings::ibmDb2_data()
{
    QTest::addColumn<ConnectionProfile>("profile");
    QTest::addColumn<QString>("expected");

    QTest::newRow("example")
        << profile("h", "50069", "u", "", "d")
        << "Driver={IBM DB2 ODBC DRIVER};Database=d;Hostname=h;Port=50069;Protocol=TCPIP;Uid=u;"
           "Pwd=;";
    QTest::newRow("empty profile")
        << profile("", "", "", "", "")
        << "Driver={IBM DB2 ODBC DRIVER};Database=;Hostname=;Port=;Protocol=TCPIP;Uid=;Pwd=;";
    // IBM's driver honours no braces: they go in as typed, as do outer blanks
    // (the driver strips a password's itself).
    QTest::newRow("password with braces")
        << profile("h", "1", "u", "{a}}b", "d")
        << "Driver={IBM DB2 ODBC DRIVER};Database=d;Hostname=h;Port=1;Protocol=TCPIP;Uid=u;"
           "Pwd={a}}b;";
    QTest::newRow("password with closing brace only")
        << profile("h", "1", "u", "x}", "d")
        << "Driver={IBM DB2 ODBC DRIVER};Database=d;Hostname=h;Port=1;Protocol=TCPIP;Uid=u;"
           "Pwd=x};";
    QTest::newRow("user with leading blank")
        << profile("h", "1", " u", " p ", "SAMPLE")
        << "Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=h;Port=1;Protocol=TCPIP;"
           "Uid= u;Pwd= p ;";
    QTest::newRow("other awkward characters")
        << profile("h", "1", "u", "a=b'\"c", "d")
        << "Driver={IBM DB2 ODBC DRIVER};Database=d;Hostname=h;Port=1;Protocol=TCPIP;Uid=u;"
           "Pwd=a=b'\"c;";
}

void TestDbConnectionStrings::ibmDb2()
{
    QFETCH(ConnectionProfile, profile);
    QFETCH(QString, expected);
    QCOMPARE(IBMDB2::ConnectionString(profile), expected);
}

void TestDbConnectionStrings::ibmDb2Semicolon_data()
{
    QTest::addColumn<ConnectionProfile>("profile");

    QTest::newRow("password") << profile("h", "1", "u", "a;Hostname=evil", "d");
    QTest::newRow("braced password") << profile("h", "1", "u", "{a;b}", "d");
    QTest::newRow("trailing semicolon") << profile("h", "1", "u", "p;", "d");
    QTest::newRow("user") << profile("h", "1", "u;Pwd=x", "p", "d");
    QTest::newRow("database") << profile("h", "1", "u", "p", "d;");
    QTest::newRow("server") << profile("h;", "1", "u", "p", "d");
    QTest::newRow("port") << profile("h", "1;", "u", "p", "d");
}

// A ';' would end the value and make the rest attributes of their own, and IBM's
// driver has no way of quoting it: no string is built at all.
void TestDbConnectionStrings::ibmDb2Semicolon()
{
    QFETCH(ConnectionProfile, profile);
    QVERIFY_THROWS_EXCEPTION(DbError, IBMDB2::ConnectionString(profile));
    // The connection test turns that into false, as any failed open.
    QVERIFY(!IBMDB2::CanConnect(profile));
}

QTEST_GUILESS_MAIN(TestDbConnectionStrings)
#include "tst_db_connection_strings.moc"
