// The DB2 statements the program sends and DB2's answers to them: creating,
// filling, reading, renaming and dropping tables, name folding and DB2's
// errors for names and syntax.
#include "TestEnv.h"
#include "core/DriverWaitLoop.h"
#include "db/BlockingCall.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QtTest>

#include <functional>

namespace {

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

QStringList column(Recordset& rows, int index)
{
    QStringList values;
    while (!rows.eof()) {
        values << rows.fields().item(index).value().value_or(QStringLiteral("<NULL>"));
        rows.moveNext();
    }
    return values;
}

} // namespace

class TestDb2Statements : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void createInsertAndReadAsTheProgramDoes();
    void exactRecordCountWhileReading();
    void renameWithAndWithoutTableKeyword();
    void renameFailures_data();
    void renameFailures();
    void dropTable();
    void unquotedNamesFoldToUpperCase();
    void schemasQualifyNames();
    void errorsForNamesAndSyntax_data();
    void errorsForNamesAndSyntax();
    void tableWidthLimits_data();
    void tableWidthLimits();
    void viewsTakeSimpleInserts();
    void unansweredStatementWaitsUntilSwitchedOff();

private:
    QStringList tables();
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

QStringList TestDb2Statements::tables()
{
    QStringList names = TestEnv::db2Query(
        QStringLiteral("SELECT TABNAME FROM SYSCAT.TABLES WHERE TYPE = 'T' ORDER BY TABNAME"),
        m_profile.database);
    return names;
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
    rows.open(QStringLiteral("SELECT * FROM \"t\""), c, 3, 3);
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

void TestDb2Statements::renameWithAndWithoutTableKeyword()
{
    Connection& c = *m_connection;
    c.execute(QStringLiteral("CREATE TABLE \"orders\"(\"a\" LONG VARCHAR)"));
    c.execute(QStringLiteral("INSERT INTO \"orders\" VALUES('kept')"));
    c.execute(QStringLiteral("RENAME \"orders\" TO \"clients\""));
    QCOMPARE(tables(), QStringList{QStringLiteral("clients")});
    c.execute(QStringLiteral("RENAME TABLE \"clients\" TO \"New Name\""));
    QCOMPARE(tables(), QStringList{QStringLiteral("New Name")});
    c.execute(QStringLiteral("RENAME TABLE \"New Name\" TO plain"));
    QCOMPARE(tables(), QStringList{QStringLiteral("PLAIN")});
    QCOMPARE(TestEnv::db2Query(QStringLiteral("SELECT * FROM plain"), m_profile.database),
             QStringList{QStringLiteral("kept")});
}

void TestDb2Statements::renameFailures_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<QString>("description");
    const QString prefix = QStringLiteral("[IBM][CLI Driver][DB2/LINUXX8664] ");
    QTest::newRow("to its own name")
        << "RENAME \"A\" TO \"A\""
        << "42710"
        << prefix + "SQL0601N  The name of the object to be created is identical to the "
                    "existing name \"DB2INST1.A\" of type \"TABLE\".  SQLSTATE=42710";
    QTest::newRow("to a view's name")
        << "RENAME TABLE A TO V"
        << "42710"
        << prefix + "SQL0601N  The name of the object to be created is identical to the "
                    "existing name \"DB2INST1.V\" of type \"VIEW\".  SQLSTATE=42710";
    QTest::newRow("missing table")
        << "RENAME \"missing\" TO \"B\""
        << "42704"
        << prefix + "SQL0204N  \"DB2INST1.missing\" is an undefined name.  SQLSTATE=42704";
    QTest::newRow("a view") << "RENAME V TO W"
                            << "42809"
                            << prefix + "SQL0156N  The name used for this operation is not a "
                                        "table.  SQLSTATE=42809";
    QTest::newRow("a name with a schema")
        << "RENAME \"A\" TO OTHER.B"
        << "42601"
        << prefix + "SQL0108N  The name \"OTHER.B\" has the wrong number of qualifiers.  "
                    "SQLSTATE=42601";
    QTest::newRow("with a semicolon") << "RENAME \"A\" TO \"B\";"
                                      << "42601"
                                      << prefix + "SQL0104N  An unexpected token \";\" was found "
                                                  "following \"RENAME \"A\" TO \"B\"\".  Expected "
                                                  "tokens "
                                                  "may include:  \"END-OF-STATEMENT\".  "
                                                  "SQLSTATE=42601";
}

void TestDb2Statements::renameFailures()
{
    QFETCH(QString, statement);
    QFETCH(QString, sqlState);
    QFETCH(QString, description);
    QCOMPARE(m_profile.user.toUpper(), QStringLiteral("DB2INST1")); // the texts above name it
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE A (X INTEGER)"),
                      QStringLiteral("CREATE TABLE T2 (X INTEGER)"),
                      QStringLiteral("CREATE VIEW V AS SELECT * FROM T2")},
                     m_profile.database);
    const DbError error = thrownBy([&] { m_connection->execute(statement); });
    QCOMPARE(error.description(), description);
    QCOMPARE(error.sqlState(), sqlState);
    QCOMPARE(tables(), (QStringList{QStringLiteral("A"), QStringLiteral("T2")}));
}

void TestDb2Statements::dropTable()
{
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE KEEP (X INTEGER)"),
                      QStringLiteral("CREATE TABLE GONE (X INTEGER)"),
                      QStringLiteral("CREATE VIEW V AS SELECT * FROM KEEP")},
                     m_profile.database);
    m_connection->execute(QStringLiteral("DROP TABLE \"GONE\""));
    QCOMPARE(tables(), QStringList{QStringLiteral("KEEP")});
    DbError error = thrownBy([&] { m_connection->execute(QStringLiteral("DROP TABLE \"GONE\"")); });
    QCOMPARE(error.sqlState(), QStringLiteral("42704"));
    error = thrownBy([&] { m_connection->execute(QStringLiteral("DROP TABLE \"V\"")); });
    QCOMPARE(error.sqlState(), QStringLiteral("42809"));
    QVERIFY2(error.description().contains(QStringLiteral(
                 "SQL0159N  The statement references \"DB2INST1.V\" which identifies a \"VIEW\" "
                 "rather than a \"TABLE\".")),
             qPrintable(error.description()));
}

void TestDb2Statements::unquotedNamesFoldToUpperCase()
{
    Connection& c = *m_connection;
    c.execute(QStringLiteral("CREATE TABLE Mixed (Col INTEGER)"));
    c.execute(QStringLiteral("INSERT INTO MIXED (COL) VALUES (1)"));
    // Quoted names keep their case, so "mixed" is another table.
    const DbError error = thrownBy([&] { c.execute(QStringLiteral("SELECT * FROM \"Mixed\"")); });
    QCOMPARE(error.sqlState(), QStringLiteral("42704"));
    c.execute(QStringLiteral("CREATE TABLE \"mixed\" (\"col\" INTEGER, COL INTEGER)"));
    c.execute(QStringLiteral("CREATE TABLE \"a\"\"b\" (x INTEGER)"));
    QCOMPARE(tables(), (QStringList{QStringLiteral("MIXED"), QStringLiteral("a\"b"),
                                    QStringLiteral("mixed")}));
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"mixed\""), c);
    QCOMPARE(rows.fields().item(0).name(), QStringLiteral("col"));
    QCOMPARE(rows.fields().item(1).name(), QStringLiteral("COL"));
    Recordset upper;
    upper.open(QStringLiteral("SELECT col FROM mixed"), c);
    QCOMPARE(column(upper, 0), QStringList{QStringLiteral("1")});
}

void TestDb2Statements::schemasQualifyNames()
{
    Connection& c = *m_connection;
    c.execute(QStringLiteral("CREATE TABLE SALES.T (X INTEGER)"));
    c.execute(QStringLiteral("INSERT INTO \"SALES\".\"T\" VALUES (5)"));
    const DbError error = thrownBy([&] { c.execute(QStringLiteral("SELECT * FROM T")); });
    QVERIFY2(error.description().contains(QStringLiteral("\"DB2INST1.T\" is an undefined name")),
             qPrintable(error.description()));
    Recordset rows;
    rows.open(QStringLiteral("SELECT X FROM sales.t"), c);
    QCOMPARE(column(rows, 0), QStringList{QStringLiteral("5")});
}

void TestDb2Statements::errorsForNamesAndSyntax_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<QString>("message");
    QTest::newRow("undefined table") << "SELECT * FROM \"none\""
                                     << "42704"
                                     << "SQL0204N  \"DB2INST1.none\" is an undefined name.";
    QTest::newRow("table exists")
        << "CREATE TABLE \"T\"(\"a\" LONG VARCHAR)"
        << "42710"
        << "SQL0601N  The name of the object to be created is identical to the existing name "
           "\"DB2INST1.T\" of type \"TABLE\".";
    QTest::newRow("view exists")
        << "CREATE TABLE \"V\"(\"a\" LONG VARCHAR)"
        << "42710"
        << "SQL0601N  The name of the object to be created is identical to the existing name "
           "\"DB2INST1.V\" of type \"VIEW\".";
    QTest::newRow("undefined column") << "SELECT \"nope\" FROM T"
                                      << "42703"
                                      << "SQL0206N  \"nope\" is not valid in the context where it "
                                         "is used.";
    QTest::newRow("unknown statement") << "TRUNCATE T IMMEDIATE NOW"
                                       << "42601"
                                       << "SQL0104N";
    QTest::newRow("unfinished") << "SELECT * FROM"
                                << "42601"
                                << "SQL0104N";
    QTest::newRow("unknown type") << "CREATE TABLE X (A TEXT)"
                                  << "42704"
                                  << "SQL0204N  \"DB2INST1.TEXT\" is an undefined name.";
    QTest::newRow("too many values") << "INSERT INTO T VALUES ('1', '2')"
                                     << "42802"
                                     << "SQL0117N";
    QTest::newRow("unterminated string") << "INSERT INTO T VALUES ('1)"
                                         << "42603"
                                         << "SQL0010N";
    QTest::newRow("no statement") << "   "
                                  << "42617"
                                  << "SQL0198N";
}

void TestDb2Statements::errorsForNamesAndSyntax()
{
    QFETCH(QString, statement);
    QFETCH(QString, sqlState);
    QFETCH(QString, message);
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE T (A LONG VARCHAR)"),
                      QStringLiteral("CREATE VIEW V AS SELECT * FROM T")},
                     m_profile.database);
    const DbError error = thrownBy([&] { m_connection->execute(statement); });
    QCOMPARE(error.sqlState(), sqlState);
    QVERIFY2(error.description().startsWith("[IBM][CLI Driver][DB2/LINUXX8664] " + message),
             qPrintable(error.description()));
    QVERIFY2(error.description().endsWith("SQLSTATE=" + sqlState), qPrintable(error.description()));
}

namespace {

// CREATE TABLE "W" with `count` columns C1, C2, ... of the given type.
QString wideTable(int count, const QString& type)
{
    QStringList columns;
    for (int i = 1; i <= count; ++i)
        columns << QStringLiteral("\"C%1\" %2").arg(i).arg(type);
    return QStringLiteral("CREATE TABLE \"W\"(%1)").arg(columns.join(QStringLiteral(", ")));
}

} // namespace

// A table lands in a table space of 4 KB pages: at most 500 columns and a row of
// 4,005 bytes, in which a LONG VARCHAR takes the 24 bytes of its descriptor (and a
// nullable column a byte more). An empty message means the table is created.
void TestDb2Statements::tableWidthLimits_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<QString>("message");
    const QString rowTooLong = QStringLiteral("SQL0670N  The row length of the table exceeded a "
                                              "limit of \"4005\" bytes. (Table space "
                                              "\"USERSPACE1\".)");
    const QString tooManyColumns = QStringLiteral(
        "SQL0680N  Too many columns were specified for a table, view, or table function.");

    QTest::newRow("160 nullable LONG VARCHAR") << wideTable(160, "LONG VARCHAR") << ""
                                               << "";
    QTest::newRow("161 nullable LONG VARCHAR")
        << wideTable(161, "LONG VARCHAR") << "54010" << rowTooLong;
    QTest::newRow("166 LONG VARCHAR NOT NULL") << wideTable(166, "LONG VARCHAR NOT NULL") << ""
                                               << "";
    QTest::newRow("167 LONG VARCHAR NOT NULL")
        << wideTable(167, "LONG VARCHAR NOT NULL") << "54010" << rowTooLong;
    QTest::newRow("500 SMALLINT") << wideTable(500, "SMALLINT") << ""
                                  << "";
    QTest::newRow("501 SMALLINT") << wideTable(501, "SMALLINT") << "54011" << tooManyColumns;
    QTest::newRow("501 LONG VARCHAR")
        << wideTable(501, "LONG VARCHAR") << "54011" << tooManyColumns;
    QTest::newRow("CHAR columns over the row")
        << wideTable(16, "CHAR(254)") << "54010" << rowTooLong;
    // The extended row size lets VARCHAR data leave the row.
    QTest::newRow("VARCHAR over the row")
        << "CREATE TABLE \"W\"(\"A\" INTEGER, \"B\" VARCHAR(5000))"
        << ""
        << "";
}

void TestDb2Statements::tableWidthLimits()
{
    QFETCH(QString, statement);
    QFETCH(QString, sqlState);
    QFETCH(QString, message);
    if (message.isEmpty()) {
        m_connection->execute(statement);
        QCOMPARE(tables(), QStringList{QStringLiteral("W")});
        return;
    }
    const DbError error = thrownBy([&] { m_connection->execute(statement); });
    QCOMPARE(error.sqlState(), sqlState);
    QCOMPARE(error.description(),
             "[IBM][CLI Driver][DB2/LINUXX8664] " + message + "  SQLSTATE=" + sqlState);
    QVERIFY(tables().isEmpty());
}

// A view of plain columns of one table takes INSERT, as DB2's do; others refuse it.
void TestDb2Statements::viewsTakeSimpleInserts()
{
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE T (A INTEGER, B LONG VARCHAR)"),
                      QStringLiteral("CREATE VIEW PLAIN AS SELECT B FROM T"),
                      QStringLiteral("CREATE VIEW COUNTED AS SELECT COUNT(*) AS N FROM T")},
                     m_profile.database);
    m_connection->execute(QStringLiteral("INSERT INTO \"PLAIN\" VALUES('via view')"));
    QCOMPARE(TestEnv::db2Query(QStringLiteral("SELECT COALESCE(A, -1) || ':' || B FROM T"),
                               m_profile.database),
             QStringList{QStringLiteral("-1:via view")});
    const DbError error = thrownBy(
        [&] { m_connection->execute(QStringLiteral("INSERT INTO \"COUNTED\" VALUES('1')")); });
    QCOMPARE(error.sqlState(), QStringLiteral("42807"));
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
