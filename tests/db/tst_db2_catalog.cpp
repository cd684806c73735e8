// The IBM DB2 table list: IBMDB2::ListTables against the table catalog the
// driver reports, where views, aliases and DB2's own catalog objects stand
// beside the user tables.
#include "SortedNameList.h"
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QtTest>

class TestDb2Catalog : public QObject
{
    Q_OBJECT

private slots:
    void listsExactlyTheUserTables();
    void sameNameInTwoSchemasGivesTwoEntries();
    void emptyDatabaseGivesEmptyList();
    void wrongLoginRaisesAndLeavesTheList();
    void yieldsOncePerAddedName();
};

void TestDb2Catalog::listsExactlyTheUserTables()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTCAT1"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE ORDERS (ID INTEGER)"),
                      QStringLiteral("CREATE TABLE \"mixed Case\" (ID INTEGER)"),
                      QStringLiteral("CREATE VIEW ORDER_VIEW AS SELECT * FROM ORDERS"),
                      QStringLiteral("CREATE ALIAS ORDER_ALIAS FOR ORDERS"),
                      QStringLiteral("CREATE TABLE GONE (ID INTEGER)"),
                      QStringLiteral("CREATE VIEW BROKEN AS SELECT * FROM GONE"),
                      QStringLiteral("DROP TABLE GONE")},
                     profile.database);
    // A catalog row whose type is the right word in other letters.
    TestEnv::db2Admin({QStringLiteral("catalog-row"), QStringLiteral("--database"),
                       profile.database, QStringLiteral("--schema"), profile.user.toUpper(),
                       QStringLiteral("--name"), QStringLiteral("LOWERTYPE"),
                       QStringLiteral("--type"), QStringLiteral("table")});
    // DB2's tools make ordinary tables in SYSTOOLS; the catalog reports them as
    // TABLE, so they are listed.
    TestEnv::db2Admin({QStringLiteral("catalog-row"), QStringLiteral("--database"),
                       profile.database, QStringLiteral("--schema"), QStringLiteral("SYSTOOLS"),
                       QStringLiteral("--name"), QStringLiteral("POLICY"), QStringLiteral("--type"),
                       QStringLiteral("TABLE")});
    SortedNameList list;
    IBMDB2::ListTables(list, profile, nullptr);
    QCOMPARE(list.names(), (QStringList{QStringLiteral("mixed Case"), QStringLiteral("ORDERS"),
                                        QStringLiteral("POLICY")}));
}

void TestDb2Catalog::sameNameInTwoSchemasGivesTwoEntries()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTCAT2"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE ORDERS (ID INTEGER)"),
                      QStringLiteral("CREATE TABLE SALES.ORDERS (ID INTEGER)"),
                      QStringLiteral("CREATE TABLE \"Sales\".\"orders\" (ID INTEGER)")},
                     profile.database);
    SortedNameList list;
    IBMDB2::ListTables(list, profile, nullptr);
    QCOMPARE(list.names(), (QStringList{QStringLiteral("ORDERS"), QStringLiteral("ORDERS"),
                                        QStringLiteral("orders")}));
}

void TestDb2Catalog::emptyDatabaseGivesEmptyList()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTCAT3"));
    SortedNameList list(QStringList{QStringLiteral("stale")});
    IBMDB2::ListTables(list, profile, nullptr);
    QCOMPARE(list.count(), 0);
}

void TestDb2Catalog::wrongLoginRaisesAndLeavesTheList()
{
    ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTCAT4"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE T (ID INTEGER)")}, profile.database);
    profile.password = QStringLiteral("wrong");
    SortedNameList list(QStringList{QStringLiteral("kept"), QStringLiteral("also kept")});
    try {
        IBMDB2::ListTables(list, profile, nullptr);
        QFAIL("the listing did not raise");
    } catch (const DbError& error) {
        QCOMPARE(error.sqlState(), QStringLiteral("08001"));
        QVERIFY(error.description().contains(QStringLiteral("SQL30082N")));
    }
    QCOMPARE(list.names(), (QStringList{QStringLiteral("also kept"), QStringLiteral("kept")}));
}

void TestDb2Catalog::yieldsOncePerAddedName()
{
    const ConnectionProfile profile = TestEnv::createDb2Database(QStringLiteral("TSTCAT5"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE A (ID INTEGER)"),
                      QStringLiteral("CREATE TABLE B (ID INTEGER)"),
                      QStringLiteral("CREATE VIEW C AS SELECT * FROM A")},
                     profile.database);
    SortedNameList list;
    int yields = 0;
    IBMDB2::ListTables(list, profile, [&yields] { ++yields; });
    QCOMPARE(yields, 2);
}

QTEST_GUILESS_MAIN(TestDb2Catalog)
#include "tst_db2_catalog.moc"
