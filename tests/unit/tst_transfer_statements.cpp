#include "SortedNameList.h"
#include "WholeStatements.h"
#include "core/Main.h"
#include "db/SqlText.h"
#include "transfer/TransferStatements.h"

#include <QTest>

// The texts the transfers send, the column types they choose and the list
// procedures they use, checked without a database.
class TestTransferStatements : public QObject
{
    Q_OBJECT

private slots:
    void dropAndRead_data();
    void dropAndRead();
    void createTable_data();
    void createTable();
    void columnTypeForEveryCode_data();
    void columnTypeForEveryCode();
    void insert_data();
    void insert();
    void insertReusesOneTextAcrossRows();
    void insertAsEscapeString_data();
    void insertAsEscapeString();
    void unsendableText_data();
    void unsendableText();

    void listContainsNameIgnoresCase();
    void listRemoveNameIsExactAndOnePass();
    void valueOrDefault();
};

void TestTransferStatements::dropAndRead_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("drop");
    QTest::addColumn<QString>("read");

    QTest::newRow("plain") << "orders"
                           << R"(DROP TABLE "orders")"
                           << R"(SELECT * FROM "orders")";
    QTest::newRow("case and blanks kept") << " Order Lines"
                                          << R"(DROP TABLE " Order Lines")"
                                          << R"(SELECT * FROM " Order Lines")";
    QTest::newRow("double quote doubled") << R"(say "hi")"
                                          << R"(DROP TABLE "say ""hi""")"
                                          << R"(SELECT * FROM "say ""hi""")";
    QTest::newRow("single quote unchanged") << "it's"
                                            << R"(DROP TABLE "it's")"
                                            << R"(SELECT * FROM "it's")";
    QTest::newRow("injection stays one name") << R"(t"; DROP TABLE "x)"
                                              << R"(DROP TABLE "t""; DROP TABLE ""x")"
                                              << R"(SELECT * FROM "t""; DROP TABLE ""x")";
}

void TestTransferStatements::dropAndRead()
{
    QFETCH(QString, table);
    QFETCH(QString, drop);
    QFETCH(QString, read);
    QCOMPARE(SqlText::dropTableStatement(table), drop);
    QCOMPARE(Transfer::readStatement(table), read);
}

using Columns = std::vector<std::pair<QString, int>>;
Q_DECLARE_METATYPE(Columns)

void TestTransferStatements::createTable_data()
{
    QTest::addColumn<Side>("target");
    QTest::addColumn<QString>("table");
    QTest::addColumn<Columns>("columns");
    QTest::addColumn<QString>("statement");

    const Columns textAndDate = {{"a", 202}, {"b", 133}};
    QTest::newRow("text and date to IBM DB2")
        << Side::IbmDb2 << "t" << textAndDate << R"(CREATE TABLE "t"("a" LONG VARCHAR,"b" DATE))";
    QTest::newRow("text and date to PostgreSQL")
        << Side::PostgreSQL << "t" << textAndDate << R"(CREATE TABLE "t"("a" TEXT,"b" DATE);)";

    const Columns mixed = {{"id", 3}, {"price", 6}, {"ratio", 5}, {"at", 135}, {"ok", 11}};
    QTest::newRow("mixed to IBM DB2")
        << Side::IbmDb2 << "Orders" << mixed
        << R"(CREATE TABLE "Orders"("id" LONG VARCHAR,"price" LONG VARCHAR,"ratio" LONG VARCHAR,"at" LONG VARCHAR,"ok" LONG VARCHAR))";
    QTest::newRow("mixed to PostgreSQL")
        << Side::PostgreSQL << "Orders" << mixed
        << R"(CREATE TABLE "Orders"("id" NUMERIC,"price" NUMERIC,"ratio" TEXT,"at" TEXT,"ok" BOOL);)";

    const Columns quoted = {{R"(col "1")", 200}, {"it's", 7}};
    QTest::newRow("quotes in names to IBM DB2")
        << Side::IbmDb2 << R"(my "t")" << quoted
        << R"(CREATE TABLE "my ""t"""("col ""1""" LONG VARCHAR,"it's" DATE))";
    QTest::newRow("quotes in names to PostgreSQL")
        << Side::PostgreSQL << R"(my "t")" << quoted
        << R"(CREATE TABLE "my ""t"""("col ""1""" TEXT,"it's" DATE);)";
}

void TestTransferStatements::createTable()
{
    QFETCH(Side, target);
    QFETCH(QString, table);
    QFETCH(Columns, columns);
    QFETCH(QString, statement);
    QCOMPARE(Transfer::createTableStatement(target, table, columns), statement);
}

void TestTransferStatements::columnTypeForEveryCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("towardIbmDb2");
    QTest::addColumn<QString>("towardPostgreSQL");

    const QString longVarchar = QStringLiteral(" LONG VARCHAR,");
    const QString date = QStringLiteral(" DATE,");
    const QString text = QStringLiteral(" TEXT,");
    const QString numeric = QStringLiteral(" NUMERIC,");
    const QString boolean = QStringLiteral(" BOOL,");

    // Every code with a name, a few without, and the codes the two directions
    // treat differently.
    const struct
    {
        int code;
        QString db2;
        QString pg;
    } rows[] = {
        {0, longVarchar, text},
        {2, longVarchar, numeric},
        {3, longVarchar, numeric},
        {4, longVarchar, text},
        {5, longVarchar, text},
        {6, longVarchar, numeric},
        {7, date, date},
        {8, longVarchar, text},
        {9, longVarchar, text},
        {10, longVarchar, text},
        {11, longVarchar, boolean},
        {12, longVarchar, text},
        {13, longVarchar, text},
        {14, longVarchar, text},
        {16, longVarchar, numeric},
        {17, longVarchar, numeric},
        {18, longVarchar, numeric},
        {19, longVarchar, numeric},
        {20, longVarchar, numeric},
        {21, longVarchar, numeric},
        {64, longVarchar, text},
        {72, longVarchar, text},
        {128, longVarchar, text},
        {129, longVarchar, text},
        {130, longVarchar, text},
        {131, longVarchar, text},
        {132, longVarchar, text},
        {133, date, date},
        {134, longVarchar, text},
        {135, longVarchar, text},
        {136, longVarchar, text},
        {138, longVarchar, text},
        {139, longVarchar, text},
        {200, longVarchar, text},
        {201, longVarchar, text},
        {202, longVarchar, text},
        {203, longVarchar, text},
        {204, longVarchar, text},
        {205, longVarchar, text},
        // No name: the default of each direction.
        {1, longVarchar, text},
        {15, longVarchar, text},
        {137, longVarchar, text},
        {8192, longVarchar, text},
        {-1, longVarchar, text},
    };
    for (const auto& row : rows)
        QTest::addRow("code %d", row.code) << row.code << row.db2 << row.pg;
}

void TestTransferStatements::columnTypeForEveryCode()
{
    QFETCH(int, code);
    QFETCH(QString, towardIbmDb2);
    QFETCH(QString, towardPostgreSQL);
    const QString typeName = Transfer::columnTypeName(code);
    QCOMPARE(typeName, typeName.toLower());
    QCOMPARE(Transfer::columnTypeText(Side::IbmDb2, typeName), towardIbmDb2);
    QCOMPARE(Transfer::columnTypeText(Side::PostgreSQL, typeName), towardPostgreSQL);
}

using Values = std::vector<Value>;
Q_DECLARE_METATYPE(Values)

void TestTransferStatements::insert_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("statement");

    const Value null;
    QTest::newRow("number, NULL, quote") << "t" << Values{QString("7"), null, QString("O'Brien")}
                                         << R"(INSERT INTO "t" VALUES('7', NULL, 'O''Brien'))";
    QTest::newRow("NULL first") << "t" << Values{null, QString("x")}
                                << R"(INSERT INTO "t" VALUES(NULL, 'x'))";
    QTest::newRow("NULL last") << "t" << Values{QString("x"), null}
                               << R"(INSERT INTO "t" VALUES('x', NULL))";
    QTest::newRow("only NULL") << "t" << Values{null} << R"(INSERT INTO "t" VALUES(NULL))";
    QTest::newRow("only x") << "t" << Values{QString("x")} << R"(INSERT INTO "t" VALUES('x'))";
    QTest::newRow("two quotes") << "t" << Values{QString("a''b")}
                                << R"(INSERT INTO "t" VALUES('a''''b'))";
    // Empty text is a value of its own, not NULL.
    QTest::newRow("empty text stays empty") << "t" << Values{QString(""), null, QString("")}
                                            << R"(INSERT INTO "t" VALUES('', NULL, ''))";
    QTest::newRow("blanks, backslash and double quote untouched")
        << "t" << Values{QString("  a\\b \"c\"  ")} << R"(INSERT INTO "t" VALUES('  a\b "c"  '))";
    QTest::newRow("quotes only") << "t" << Values{QString("'''")}
                                 << R"(INSERT INTO "t" VALUES(''''''''))";
    QTest::newRow("quoted table name")
        << R"(it's "t")" << Values{QString("1")} << R"(INSERT INTO "it's ""t""" VALUES('1'))";
    QTest::newRow("non-ASCII") << "t" << Values{QStringLiteral("Gr\u00fc\u00dfe \u65e5\u672c")}
                               << QStringLiteral(
                                      "INSERT INTO \"t\" VALUES('Gr\u00fc\u00dfe \u65e5\u672c')");
}

void TestTransferStatements::insert()
{
    QFETCH(QString, table);
    QFETCH(Values, values);
    QFETCH(QString, statement);
    QCOMPARE(Transfer::insertStatement(table, values), statement);
}

void TestTransferStatements::insertReusesOneTextAcrossRows()
{
    // The row loop builds every INSERT in the same variable: nothing of an earlier,
    // longer row may stay behind.
    const QString head = Transfer::insertHead(QStringLiteral("t"));
    QString sql;
    Transfer::beginInsert(sql, head);
    Transfer::appendValue(sql, QString(1000, QLatin1Char('x')));
    Transfer::appendValue(sql, QString("y"));
    Transfer::endInsert(sql);
    Transfer::beginInsert(sql, head);
    Transfer::appendValue(sql, Value());
    Transfer::endInsert(sql);
    QCOMPARE(sql, QStringLiteral(R"(INSERT INTO "t" VALUES(NULL))"));

    // And the CREATE TABLE text replaces whatever INSERT it held.
    Transfer::beginCreateTable(sql, QStringLiteral("u"));
    Transfer::appendColumnClause(sql, QStringLiteral("c"), QStringLiteral(" TEXT,"));
    Transfer::endCreateTable(sql, Side::PostgreSQL);
    QCOMPARE(sql, QStringLiteral(R"(CREATE TABLE "u"("c" TEXT);)"));
}

// Toward a PostgreSQL server whose standard_conforming_strings is off.
void TestTransferStatements::insertAsEscapeString_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("statement");

    const Value null;
    QTest::newRow("backslashes and quotes doubled")
        << Values{QString(R"(C:\new\tab 'x' \\)")}
        << R"(INSERT INTO "t" VALUES(E'C:\\new\\tab ''x'' \\\\'))";
    // A trailing backslash would otherwise take the closing quote with it and run
    // the next value as SQL.
    QTest::newRow("trailing backslash before an injection")
        << Values{QString(R"(a\)"), QString(R"('); SELECT 1; --)")}
        << R"(INSERT INTO "t" VALUES(E'a\\', E'''); SELECT 1; --'))";
    QTest::newRow("NULL and empty text between")
        << Values{null, QString(""), QString("x"), null}
        << R"(INSERT INTO "t" VALUES(NULL, E'', E'x', NULL))";
}

void TestTransferStatements::insertAsEscapeString()
{
    QFETCH(Values, values);
    QFETCH(QString, statement);
    QCOMPARE(Transfer::insertStatement(QStringLiteral("t"), values, Transfer::LiteralForm::Escape),
             statement);
}

void TestTransferStatements::unsendableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("towardIbmDb2");
    QTest::addColumn<QString>("towardPostgreSQL");

    const QString surrogate = QStringLiteral("unpaired UTF-16 surrogate");
    const QString none;
    QTest::newRow("plain, quotes, backslash") << R"(it's "x" \)" << none << none;
    QTest::newRow("pair") << QStringLiteral("\U0001F600\U0001F600") << none << none;
    QTest::newRow("high surrogate last")
        << QString(QStringLiteral("ACME") + QChar(0xD83D)) << surrogate << surrogate;
    QTest::newRow("high surrogate before a letter")
        << QString(QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b")) << surrogate
        << surrogate;
    QTest::newRow("two high surrogates")
        << QString(QString(QChar(0xD800)) + QChar(0xD800) + QChar(0xDC00)) << surrogate
        << surrogate;
    QTest::newRow("low surrogate first")
        << QString(QChar(0xDC00) + QStringLiteral("z")) << surrogate << surrogate;
    QTest::newRow("low surrogate after a pair")
        << QString(QStringLiteral("\U0001F600") + QChar(0xDE00)) << surrogate << surrogate;
    QTest::newRow("U+0000") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << none
                            << QStringLiteral("U+0000");
}

void TestTransferStatements::unsendableText()
{
    QFETCH(QString, text);
    QFETCH(QString, towardIbmDb2);
    QFETCH(QString, towardPostgreSQL);
    const QString db2 = Transfer::unsendableReason(Side::IbmDb2, text);
    const QString pg = Transfer::unsendableReason(Side::PostgreSQL, text);
    QVERIFY2(towardIbmDb2.isEmpty() ? db2.isEmpty() : db2.contains(towardIbmDb2), qPrintable(db2));
    QVERIFY2(towardPostgreSQL.isEmpty() ? pg.isEmpty() : pg.contains(towardPostgreSQL),
             qPrintable(pg));
}

void TestTransferStatements::listContainsNameIgnoresCase()
{
    SortedNameList list({"alpha", "ORDERS", "zeta"});
    QVERIFY(Main::ListContainsName(list, "Orders"));
    QVERIFY(Main::ListContainsName(list, "orders"));
    QVERIFY(Main::ListContainsName(list, "ZETA"));
    QVERIFY(!Main::ListContainsName(list, "Order"));
    QVERIFY(!Main::ListContainsName(list, "ORDERS "));
    QVERIFY(!Main::ListContainsName(SortedNameList(), "x"));
    QVERIFY(Main::ListContainsName(SortedNameList({QStringLiteral("\u00c4RGER")}),
                                   QStringLiteral("\u00e4rger")));
}

void TestTransferStatements::listRemoveNameIsExactAndOnePass()
{
    // Case-sensitive: Orders does not remove ORDERS.
    SortedNameList caseList({"ORDERS", "orders", "Orders"});
    Main::ListRemoveName(caseList, "Orders");
    QCOMPARE(caseList.names(), QStringList({"ORDERS", "orders"}));

    // Two adjacent equal entries: the second moves into the freed slot and is
    // not looked at again in this pass.
    SortedNameList twice({"a", "x", "x", "y"});
    Main::ListRemoveName(twice, "x");
    QCOMPARE(twice.names(), QStringList({"a", "x", "y"}));

    // The last entry, and a list that ends shorter than it began.
    SortedNameList last({"a", "b", "c"});
    Main::ListRemoveName(last, "c");
    QCOMPARE(last.names(), QStringList({"a", "b"}));
    SortedNameList all({"c", "c", "c"});
    Main::ListRemoveName(all, "c");
    QCOMPARE(all.names(), QStringList({"c"}));

    SortedNameList empty;
    Main::ListRemoveName(empty, "a");
    QCOMPARE(empty.count(), 0);
}

void TestTransferStatements::valueOrDefault()
{
    QCOMPARE(Main::ValueOrDefault(Value(), QStringLiteral("d")), QStringLiteral("d"));
    QCOMPARE(Main::ValueOrDefault(Value(QString("")), QStringLiteral("d")), QString(""));
    QCOMPARE(Main::ValueOrDefault(Value(QString("v")), QStringLiteral("d")), QStringLiteral("v"));
}

QTEST_APPLESS_MAIN(TestTransferStatements)
#include "tst_transfer_statements.moc"
