#include "db/SqlText.h"
#include "maintenance/MaintenanceStatements.h"

#include <QTest>

// The texts that delete and rename send, checked byte for byte.
class TestMaintStatements : public QObject
{
    Q_OBJECT

private slots:
    void dropTable_data();
    void dropTable();
    void renameTable_data();
    void renameTable();
};

void TestMaintStatements::dropTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("statement");

    QTest::newRow("plain") << "orders"
                           << R"(DROP TABLE "orders")";
    QTest::newRow("blanks and capitals kept") << "Order Lines"
                                              << R"(DROP TABLE "Order Lines")";
    QTest::newRow("quote doubled") << R"(a"b)"
                                   << R"(DROP TABLE "a""b")";
    QTest::newRow("quotes at both ends") << R"("x")"
                                         << R"(DROP TABLE """x""")";
    QTest::newRow("injection stays one name") << R"(t"; DROP TABLE "victim)"
                                              << R"(DROP TABLE "t""; DROP TABLE ""victim")";
    QTest::newRow("non-ASCII") << QStringLiteral("Bestellung_\u00e4\u00df")
                               << QStringLiteral("DROP TABLE \"Bestellung_\u00e4\u00df\"");
}

void TestMaintStatements::dropTable()
{
    QFETCH(QString, name);
    QFETCH(QString, statement);
    QCOMPARE(SqlText::dropTableStatement(name), statement);
}

void TestMaintStatements::renameTable_data()
{
    QTest::addColumn<Side>("side");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("statement");

    QTest::newRow("PostgreSQL plain") << Side::PostgreSQL << "orders"
                                      << "clients"
                                      << R"(ALTER TABLE "orders" RENAME TO "clients";)";
    QTest::newRow("IBM DB2 plain") << Side::IbmDb2 << "orders"
                                   << "clients"
                                   << R"(RENAME "orders" TO "clients")";
    QTest::newRow("PostgreSQL blanks and capitals")
        << Side::PostgreSQL << "ORDERS"
        << "My Clients"
        << R"(ALTER TABLE "ORDERS" RENAME TO "My Clients";)";
    QTest::newRow("IBM DB2 blanks and capitals") << Side::IbmDb2 << "ORDERS"
                                                 << " My Clients "
                                                 << R"(RENAME "ORDERS" TO " My Clients ")";
    QTest::newRow("PostgreSQL quotes in both names") << Side::PostgreSQL << R"(o"ld)"
                                                     << R"(ne"w)"
                                                     << R"(ALTER TABLE "o""ld" RENAME TO "ne""w";)";
    QTest::newRow("IBM DB2 quotes in both names") << Side::IbmDb2 << R"(o"ld)"
                                                  << R"(ne"w)"
                                                  << R"(RENAME "o""ld" TO "ne""w")";
    QTest::newRow("PostgreSQL typed injection")
        << Side::PostgreSQL << "t"
        << R"(x"; DROP TABLE "t)"
        << R"(ALTER TABLE "t" RENAME TO "x""; DROP TABLE ""t";)";
    QTest::newRow("IBM DB2 typed injection") << Side::IbmDb2 << "T"
                                             << R"(X" TO "Y)"
                                             << R"(RENAME "T" TO "X"" TO ""Y")";
}

void TestMaintStatements::renameTable()
{
    QFETCH(Side, side);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QString, statement);
    QCOMPARE(Maintenance::renameTableStatement(side, oldName, newName), statement);
}

QTEST_APPLESS_MAIN(TestMaintStatements)
#include "tst_maint_statements.moc"
