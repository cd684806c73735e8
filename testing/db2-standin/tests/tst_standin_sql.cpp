// The stand-in's DB2 dialect and DB2's answers: renaming and dropping tables,
// name folding and schemas, DB2's errors for names and syntax, the limits of a
// table's width, views that take INSERT, the values DB2 refuses, and the rows
// of the table catalog.
#include "Db2Text.h"
#include "StandinTest.h"
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/Recordset.h"

#include <QtTest>

using StandinTest::connectionString;

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

class TestStandinSql : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
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
    void refusedValues_data();
    void refusedValues();
    void catalogRowsCarryDb2sTypes();

private:
    QStringList tables();
    QString newTable(const QString& columnType);
    ConnectionProfile m_profile;
    std::unique_ptr<Connection> m_connection;
    int m_tables = 0;
};

// Every case, and every row of a data-driven one, has a fresh database.
void TestStandinSql::init()
{
    m_profile = TestEnv::createDb2Database(QStringLiteral("SISQL"));
    m_connection = std::make_unique<Connection>();
    m_connection->open(connectionString(m_profile));
    m_tables = 0;
}

void TestStandinSql::cleanup()
{
    m_connection.reset();
}

QStringList TestStandinSql::tables()
{
    return TestEnv::db2Query(
        QStringLiteral("SELECT TABNAME FROM SYSCAT.TABLES WHERE TYPE = 'T' ORDER BY TABNAME"),
        m_profile.database);
}

// A table of its own: one column "c" of the type.
QString TestStandinSql::newTable(const QString& columnType)
{
    const QString name = QStringLiteral("T%1").arg(++m_tables);
    m_connection->execute(QStringLiteral("CREATE TABLE \"%1\"(\"c\" %2)").arg(name, columnType));
    return name;
}

void TestStandinSql::renameWithAndWithoutTableKeyword()
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

void TestStandinSql::renameFailures_data()
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

void TestStandinSql::renameFailures()
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

void TestStandinSql::dropTable()
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

void TestStandinSql::unquotedNamesFoldToUpperCase()
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

void TestStandinSql::schemasQualifyNames()
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

void TestStandinSql::errorsForNamesAndSyntax_data()
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

void TestStandinSql::errorsForNamesAndSyntax()
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

// A table lands in a table space of 4 KB pages: at most 500 columns and a row of
// 4,005 bytes, in which a LONG VARCHAR takes the 24 bytes of its descriptor (and a
// nullable column a byte more). An empty message means the table is created.
void TestStandinSql::tableWidthLimits_data()
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

void TestStandinSql::tableWidthLimits()
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
void TestStandinSql::viewsTakeSimpleInserts()
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

void TestStandinSql::refusedValues_data()
{
    QTest::addColumn<QString>("columnType");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<QString>("message");

    const QString tooLong = QStringLiteral("SQL0433N");
    // A constant longer than DB2 takes fails before any column is looked at.
    const QString constantTooLong = QStringLiteral("SQL0102N  The string constant beginning with "
                                                   "\"'aaaaaaaaaaaaaaaaaaa\" is too long.");
    QTest::newRow("constant over 32672 bytes") << "LONG VARCHAR"
                                               << "'" + QString(ConstantMax + 1, 'a') + "'"
                                               << "54002" << constantTooLong;
    QTest::newRow("constant over 32672 UTF-8 bytes")
        << "LONG VARCHAR"
        << "'" + QString(ConstantMax / 2, QChar(0xE4)) + "a'"
        << "54002"
        << "SQL0102N";
    QTest::newRow("doubled quotes count twice") << "LONG VARCHAR"
                                                << "'" + QString(ConstantMax - 1, 'a') + "'''"
                                                << "54002" << constantTooLong;
    QTest::newRow("constant checked before the column") << "VARCHAR(3)"
                                                        << "'" + QString(ConstantMax + 1, 'a') + "'"
                                                        << "54002" << constantTooLong;
    QTest::newRow("hexadecimal constant over 32672 digits")
        << "VARBINARY(32672)"
        << "X'" + QString(ConstantMax + 2, 'A') + "'"
        << "54002"
        << "SQL0102N  The string constant beginning with \"X'AAAAAAAAAAAAAAAAAA\" is too long.";
    QTest::newRow("statement over 2097152 bytes")
        << "CLOB(10M)" << joinedConstants(QString(2097152, 'a'), ConstantMax) << "54001"
        << "SQL0101N  The statement was not processed because a limit such as a memory limit, "
           "an SQL limit, or a database limit was reached.";
    QTest::newRow("LONG VARCHAR over 32700 bytes")
        << "LONG VARCHAR" << joinedConstants(QString(32701, 'a'), ConstantMax) << "22001"
        << tooLong;
    QTest::newRow("LONG VARCHAR over 32700 UTF-8 bytes")
        << "LONG VARCHAR" << joinedConstants(QString(16350, QChar(0xE4)) + "a", ConstantMax / 2)
        << "22001" << tooLong;
    QTest::newRow("VARCHAR over its length") << "VARCHAR(3)"
                                             << "'abcd'"
                                             << "22001" << tooLong;
    QTest::newRow("VARCHAR counts bytes") << "VARCHAR(3)"
                                          << "'äö'"
                                          << "22001" << tooLong;
    QTest::newRow("CHAR over its length") << "CHAR(2)"
                                          << "'abc'"
                                          << "22001" << tooLong;
    QTest::newRow("DATE syntax") << "DATE"
                                 << "'yesterday'"
                                 << "22007"
                                 << "SQL0180N";
    QTest::newRow("DATE too many digits") << "DATE"
                                          << "'2024-002-01'"
                                          << "22007"
                                          << "SQL0180N";
    QTest::newRow("DATE impossible day") << "DATE"
                                         << "'2023-02-29'"
                                         << "22008"
                                         << "SQL0181N";
    QTest::newRow("DATE month 13") << "DATE"
                                   << "'13/01/2024'"
                                   << "22008"
                                   << "SQL0181N";
    QTest::newRow("TIME hour 25") << "TIME"
                                  << "'25:00:00'"
                                  << "22008"
                                  << "SQL0181N";
    QTest::newRow("TIMESTAMP syntax") << "TIMESTAMP"
                                      << "'2024-02-29 x'"
                                      << "22007"
                                      << "SQL0180N";
    QTest::newRow("INTEGER from text") << "INTEGER"
                                       << "'12a'"
                                       << "22018"
                                       << "SQL0420N";
    QTest::newRow("DECIMAL from text") << "DECIMAL(5,2)"
                                       << "'n/a'"
                                       << "22018"
                                       << "SQL0420N";
    QTest::newRow("SMALLINT overflow") << "SMALLINT"
                                       << "'40000'"
                                       << "22003"
                                       << "SQL0413N";
    QTest::newRow("DECIMAL overflow") << "DECIMAL(5,2)"
                                      << "'1234.5'"
                                      << "22003"
                                      << "SQL0413N";
    QTest::newRow("BOOLEAN word") << "BOOLEAN"
                                  << "'maybe'"
                                  << "22018"
                                  << "SQL0420N";
    QTest::newRow("BLOB from text") << "BLOB(1K)"
                                    << "'abc'"
                                    << "42821"
                                    << "SQL0408N";
    QTest::newRow("XML not well-formed") << "XML"
                                         << "'<a>'"
                                         << "2200M"
                                         << "SQL16110N";
}

void TestStandinSql::refusedValues()
{
    QFETCH(QString, columnType);
    QFETCH(QString, literal);
    QFETCH(QString, sqlState);
    QFETCH(QString, message);
    const QString table = newTable(columnType);
    try {
        m_connection->execute(QStringLiteral("INSERT INTO \"%1\" VALUES(%2)").arg(table, literal));
        QFAIL("the value was accepted");
    } catch (const DbError& error) {
        QCOMPARE(error.sqlState(), sqlState);
        QVERIFY2(error.description().startsWith("[IBM][CLI Driver][DB2/LINUXX8664] " + message),
                 qPrintable(error.description()));
        QVERIFY(error.description().endsWith("SQLSTATE=" + sqlState));
    }
    // Nothing of a refused statement is left behind.
    QCOMPARE(TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table),
                               m_profile.database),
             QStringList{QStringLiteral("0")});
}

// The rows the catalog reports: the user's tables, views and aliases with their
// types, beside DB2's own system tables and catalog views.
void TestStandinSql::catalogRowsCarryDb2sTypes()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTCAT6"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE T (ID INTEGER)"),
                      QStringLiteral("CREATE VIEW V AS SELECT * FROM T"),
                      QStringLiteral("CREATE ALIAS A FOR T")},
                     profile.database);
    Connection connection;
    connection.open(connectionString(profile));
    std::unique_ptr<Recordset> rows = connection.openSchema(Connection::SchemaTables);
    QStringList columns;
    for (int i = 0; i < rows->fields().count(); ++i)
        columns << rows->fields().item(i).name();
    QCOMPARE(columns,
             (QStringList{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
    QMap<QString, QString> userRows;
    int systemTables = 0;
    int catalogViews = 0;
    while (!rows->eof()) {
        const QString schema = rows->fields().item("TABLE_SCHEM").value().value_or(QString());
        const QString type = rows->fields().item("TABLE_TYPE").value().value_or(QString());
        const QString name = rows->fields().item("TABLE_NAME").value().value_or(QString());
        if (schema == profile.user.toUpper())
            userRows.insert(name, type);
        systemTables += schema == "SYSIBM" && type == "SYSTEM TABLE";
        catalogViews += schema == "SYSCAT" && type == "VIEW";
        rows->moveNext();
    }
    QCOMPARE(userRows, (QMap<QString, QString>{{"T", "TABLE"}, {"V", "VIEW"}, {"A", "ALIAS"}}));
    QVERIFY2(systemTables >= 10, qPrintable(QString::number(systemTables)));
    QVERIFY2(catalogViews >= 10, qPrintable(QString::number(catalogViews)));
}

QTEST_GUILESS_MAIN(TestStandinSql)
#include "tst_standin_sql.moc"
