// The PostgreSQL table list against the real server through psqlODBC.
#include "SortedNameList.h"
#include "TestEnv.h"
#include "db/DbError.h"
#include "db/PostgreSQL.h"

#include <QtTest>

namespace {

const QString Database = QStringLiteral("tst_pg_catalog");

struct Aborted
{
};

int sessionsOn(const QString& database)
{
    return TestEnv::pgQuery(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                           "'%1' AND pid <> pg_backend_pid()")
                                .arg(database),
                            QString())
        .value(0)
        .toInt();
}

} // namespace

class TestPgCatalog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listsEveryRowOfPgTables();
    void listsNewTablesAndEqualNames();
    void wrongLoginLeavesTheList_data();
    void wrongLoginLeavesTheList();
    void failureWhileAddingKeepsTheNamesSoFar();

private:
    ConnectionProfile m_profile;
};

void TestPgCatalog::initTestCase()
{
    m_profile = TestEnv::createPgDatabase(Database);
}

void TestPgCatalog::listsEveryRowOfPgTables()
{
    SortedNameList list(QStringList{QStringLiteral("left over")});
    int yields = 0;
    PostgreSQL::ListTables(list, m_profile, [&] { ++yields; });

    // No user table yet: the system schemas' tables are listed all the same.
    QVERIFY(!list.names().contains(QStringLiteral("left over")));
    for (const char* name : {"pg_class", "pg_type", "pg_namespace", "sql_features"})
        QVERIFY2(list.names().contains(QLatin1String(name)), name);
    QStringList expected =
        TestEnv::pgQuery(QStringLiteral("SELECT tablename FROM pg_tables"), Database);
    std::sort(expected.begin(), expected.end(), tableNameLess);
    QCOMPARE(list.names(), expected);
    QCOMPARE(yields, list.count());
    QTRY_COMPARE_WITH_TIMEOUT(sessionsOn(Database), 0, 30000);
}

void TestPgCatalog::listsNewTablesAndEqualNames()
{
    TestEnv::pgExec({QStringLiteral("CREATE TABLE \"Orders\" (id int)"),
                     QStringLiteral("CREATE TABLE customers (id int)"),
                     QStringLiteral("CREATE SCHEMA archive"),
                     QStringLiteral("CREATE TABLE archive.customers (id int)"),
                     QStringLiteral("CREATE VIEW customer_view AS SELECT 1 AS id")},
                    Database);
    SortedNameList list;
    PostgreSQL::ListTables(list, m_profile, [] {});
    const QStringList names = list.names();
    QCOMPARE(names.count(QStringLiteral("Orders")), 1);
    // Two schemas with a table of the same name: two equal entries, no schema shown.
    QCOMPARE(names.count(QStringLiteral("customers")), 2);
    QVERIFY(!names.contains(QStringLiteral("customer_view")));
    QVERIFY(names.indexOf(QStringLiteral("customers")) < names.indexOf(QStringLiteral("Orders")));
}

void TestPgCatalog::wrongLoginLeavesTheList_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("wrong password") << "password"
                                    << "wrong"
                                    << "password authentication failed";
    QTest::newRow("unknown database") << "database"
                                      << "tst_pg_catalog_missing"
                                      << "does not exist";
    QTest::newRow("closed port") << "port"
                                 << "1"
                                 << "Connection refused";
}

void TestPgCatalog::wrongLoginLeavesTheList()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    ConnectionProfile profile = m_profile;
    if (field == QLatin1String("password"))
        profile.password = value;
    else if (field == QLatin1String("database"))
        profile.database = value;
    else
        profile.port = value;

    SortedNameList list(QStringList{QStringLiteral("b"), QStringLiteral("a")});
    list.setSelected(1, true);
    list.setCurrentIndex(0);
    int yields = 0;
    try {
        PostgreSQL::ListTables(list, profile, [&] { ++yields; });
        QFAIL("the listing succeeded");
    } catch (const DbError& error) {
        QVERIFY2(error.description().contains(expected), qPrintable(error.description()));
    }
    QCOMPARE(list.names(), QStringList({"a", "b"}));
    QVERIFY(list.isSelected(1));
    QCOMPARE(list.currentIndex(), 0);
    QCOMPARE(yields, 0);
}

void TestPgCatalog::failureWhileAddingKeepsTheNamesSoFar()
{
    SortedNameList list;
    int yields = 0;
    // A yield that unwinds, as when the window is closed during the listing.
    QVERIFY_THROWS_EXCEPTION(Aborted, PostgreSQL::ListTables(list, m_profile, [&] {
                                 if (++yields == 4)
                                     throw Aborted();
                             }));
    QCOMPARE(list.count(), 3);
    // The connection was released on the way out.
    QTRY_COMPARE_WITH_TIMEOUT(sessionsOn(Database), 0, 30000);
}

QTEST_GUILESS_MAIN(TestPgCatalog)
#include "tst_pg_catalog.moc"
