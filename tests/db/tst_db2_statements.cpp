// The DB2 statements the program sends, through the data access layer: creating,
// filling and reading a table, an exact count while reading, and a statement the
// server does not answer, waited for in the windows' wait loop.
#include "Db2Text.h"
#include "TestEnv.h"
#include "core/DriverWaitLoop.h"
#include "db/BlockingCall.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QtTest>

class TestDb2Statements : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void createInsertAndReadAsTheProgramDoes();
    void exactRecordCountWhileReading();
    void unansweredStatementWaitsUntilSwitchedOff();

private:
    ConnectionProfile m_profile;
    std::unique_ptr<Connection> m_connection;
};

void TestDb2Statements::init()
{
    m_profile = TestEnv::createDb2Database(QStringLiteral("TSTSTMT"));
    m_connection = std::make_unique<Connection>();
    m_connection->open(IBMDB2::ConnectionString(m_profile));
}

void TestDb2Statements::cleanup()
{
    m_connection.reset();
}

void TestDb2Statements::createInsertAndReadAsTheProgramDoes()
{
    Connection& c = *m_connection;
    QVERIFY(!c.execute(QStringLiteral("CREATE TABLE \"t\"(\"a\" LONG VARCHAR,\"b\" DATE)")));
    c.execute(QStringLiteral("INSERT INTO \"t\" VALUES('7', NULL)"));
    // One INSERT that fails spoils neither the next nor, after a close, a new session.
    QVERIFY_THROWS_EXCEPTION(DbError,
                             c.execute(QStringLiteral("INSERT INTO \"t\" VALUES('8', 'no date')")));
    c.execute(QStringLiteral("INSERT INTO \"t\" VALUES(NULL, '2024-02-29')"));
    c.close();
    c.open(IBMDB2::ConnectionString(m_profile));
    c.execute(QStringLiteral("INSERT INTO \"t\" VALUES('O''Brien', '2024-03-01')"));
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"t\""), c, Recordset::StaticCursor,
              Recordset::OptimisticLock);
    QCOMPARE(rows.fields().item(0).name(), QStringLiteral("a"));
    QCOMPARE(rows.fields().item(1).name(), QStringLiteral("b"));
    QCOMPARE(rows.fields().item(0).type(), 201);
    QCOMPARE(rows.fields().item(1).type(), 133);
    QStringList seen;
    while (!rows.eof()) {
        seen << rows.fields().item(0).value().value_or("<NULL>") + "|" +
                    rows.fields().item(1).value().value_or("<NULL>");
        rows.moveNext();
    }
    QCOMPARE(seen, (QStringList{"7|<NULL>", "<NULL>|2024-02-29", "O'Brien|2024-03-01"}));
}

void TestDb2Statements::exactRecordCountWhileReading()
{
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE \"n\"(\"v\" INTEGER)"),
                      QStringLiteral("INSERT INTO \"n\" VALUES (3), (1), (2)")},
                     m_profile.database);
    Connection client;
    client.setCursorLocation(Connection::ClientSide);
    client.open(IBMDB2::ConnectionString(m_profile));
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"n\" ORDER BY \"v\""), client);
    QCOMPARE(rows.recordCount(), 3LL);
    QCOMPARE(column(rows, 0), (QStringList{"1", "2", "3"}));
}

// The stand-in's test-only switch: statements that begin with the text are not
// answered (others are) until it is switched off; a waiting statement holds no
// lock. Run through the windows' wait loop, which handles events meanwhile.
void TestDb2Statements::unansweredStatementWaitsUntilSwitchedOff()
{
    Connection& c = *m_connection;
    c.execute(QStringLiteral("CREATE TABLE \"h\"(\"v\" INTEGER)"));
    c.execute(QStringLiteral("INSERT INTO \"h\" VALUES (1)"));
    const QStringList hang{QStringLiteral("hang-statement"), QStringLiteral("--database"),
                           m_profile.database, QStringLiteral("--match"),
                           QStringLiteral(" insert ")};
    TestEnv::db2Admin(hang);
    std::unique_ptr<Recordset> rows = c.execute(QStringLiteral("SELECT COUNT(*) FROM \"h\""));
    QVERIFY(rows);
    QCOMPARE(rows->fields().item(0).value(), Value(QStringLiteral("1")));
    rows.reset();

    DriverWaitLoop loop([] { return false; });
    BlockingCall::setWaiter(&loop);
    QStringList seenWhileWaiting;
    QTimer::singleShot(100, this, [&] {
        seenWhileWaiting =
            TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM \"h\""), m_profile.database);
        TestEnv::db2Admin({QStringLiteral("hang-statement"), QStringLiteral("--database"),
                           m_profile.database, QStringLiteral("--off")});
    });
    try {
        c.execute(QStringLiteral("INSERT INTO \"h\" VALUES (2)"));
    } catch (...) {
        BlockingCall::setWaiter(nullptr);
        throw;
    }
    BlockingCall::setWaiter(nullptr);
    QCOMPARE(loop.loopedCalls(), 1);
    QCOMPARE(seenWhileWaiting, QStringList{QStringLiteral("1")});
    QCOMPARE(TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM \"h\""), m_profile.database),
             QStringList{QStringLiteral("2")});
}

QTEST_GUILESS_MAIN(TestDb2Statements)
#include "tst_db2_statements.moc"
