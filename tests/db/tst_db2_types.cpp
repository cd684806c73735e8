// DB2's column types as the data access layer sees them through the driver:
// the type codes, the text forms of the values, long values read in pieces, and
// NULL beside the empty text.
#include "Db2Text.h"
#include "ErrorReports.h"
#include "TestEnv.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/Recordset.h"

#include <QtTest>

class TestDb2Types : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typeCodesAndTextForms_data();
    void typeCodesAndTextForms();
    // Read as IBM's driver gives pieces, and as a driver that ends a piece early
    // (the length of each piece from the driver's remaining lengths alone).
    void longValuesComeBackWhole_data();
    void longValuesComeBackWhole();
    void valueOfUnsaidLengthIsRefused();
    void nullIsNotAnEmptyText();

private:
    QString newTable(const QString& columnType);
    ConnectionProfile m_profile;
    Connection m_connection;
    int m_tables = 0;
};

void TestDb2Types::initTestCase()
{
    m_profile = TestEnv::createDb2Database(QStringLiteral("TSTTYPES"));
    m_connection.open(IBMDB2::ConnectionString(m_profile));
}

// A table of its own per case: one column "c" of the type.
QString TestDb2Types::newTable(const QString& columnType)
{
    const QString name = QStringLiteral("T%1").arg(++m_tables);
    m_connection.execute(QStringLiteral("CREATE TABLE \"%1\"(\"c\" %2)").arg(name, columnType));
    return name;
}

void TestDb2Types::typeCodesAndTextForms_data()
{
    QTest::addColumn<QString>("columnType");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<int>("adoType");
    QTest::addColumn<QString>("text");

    QTest::newRow("CHAR pads") << "CHAR(5)"
                               << "'ab'" << 129 << "ab   ";
    QTest::newRow("VARCHAR") << "VARCHAR(20)"
                             << "'x y'" << 200 << "x y";
    QTest::newRow("LONG VARCHAR") << "LONG VARCHAR"
                                  << "'O''Brien'" << 201 << "O'Brien";
    QTest::newRow("CLOB") << "CLOB(1M)"
                          << "'clob'" << 201 << "clob";
    QTest::newRow("GRAPHIC pads") << "GRAPHIC(3)"
                                  << "'äb'" << 130 << "äb ";
    QTest::newRow("VARGRAPHIC") << "VARGRAPHIC(10)"
                                << "'€ü'" << 202 << "€ü";
    QTest::newRow("DBCLOB") << "DBCLOB(1000)"
                            << "'d'" << 203 << "d";
    // Character columns FOR BIT DATA are binary to ODBC, read as hexadecimal.
    QTest::newRow("CHAR FOR BIT DATA") << "CHAR(3) FOR BIT DATA"
                                       << "X'00FF10'" << 128 << "00FF10";
    QTest::newRow("VARCHAR FOR BIT DATA") << "VARCHAR(8) FOR BIT DATA"
                                          << "X'ABCD'" << 204 << "ABCD";
    QTest::newRow("BLOB") << "BLOB(1K)"
                          << "X'00FF10'" << 205 << "00FF10";
    QTest::newRow("SMALLINT") << "SMALLINT"
                              << "'-7'" << 2 << "-7";
    QTest::newRow("INTEGER") << "INTEGER"
                             << "'2147483647'" << 3 << "2147483647";
    QTest::newRow("INTEGER from decimal text truncates") << "INTEGER"
                                                         << "' 12.9 '" << 3 << "12";
    QTest::newRow("BIGINT") << "BIGINT"
                            << "'-9223372036854775808'" << 20 << "-9223372036854775808";
    QTest::newRow("DECIMAL keeps its scale") << "DECIMAL(5,2)"
                                             << "'12.5'" << 131 << "12.50";
    QTest::newRow("DECIMAL truncates") << "DECIMAL(5,2)"
                                       << "'-0.129'" << 131 << "-0.12";
    QTest::newRow("DECIMAL from a number")
        << "DECIMAL(31,0)"
        << "1234567890123456789012345" << 131 << "1234567890123456789012345";
    QTest::newRow("REAL") << "REAL"
                          << "'1.5'" << 4 << "1.5";
    QTest::newRow("DOUBLE round-trips") << "DOUBLE"
                                        << "'0.1'" << 5 << "0.1";
    QTest::newRow("DOUBLE large") << "DOUBLE"
                                  << "'1E300'" << 5 << "1E+300";
    QTest::newRow("DECFLOAT keeps trailing zeros") << "DECFLOAT"
                                                   << "'1.50'" << 131 << "1.50";
    QTest::newRow("DATE ISO") << "DATE"
                              << "'2024-02-29'" << 133 << "2024-02-29";
    QTest::newRow("DATE USA") << "DATE"
                              << "'02/29/2024'" << 133 << "2024-02-29";
    QTest::newRow("DATE EUR") << "DATE"
                              << "'29.02.2024'" << 133 << "2024-02-29";
    QTest::newRow("DATE short parts") << "DATE"
                                      << "'2024-2-9'" << 133 << "2024-02-09";
    QTest::newRow("TIME ISO") << "TIME"
                              << "'13.45.07'" << 134 << "13:45:07";
    QTest::newRow("TIME JIS") << "TIME"
                              << "'13:45:07'" << 134 << "13:45:07";
    QTest::newRow("TIME USA") << "TIME"
                              << "'1:45 PM'" << 134 << "13:45:00";
    QTest::newRow("TIMESTAMP DB2 form")
        << "TIMESTAMP"
        << "'2024-02-29-13.45.07.123456'" << 135 << "2024-02-29 13:45:07.123456";
    QTest::newRow("TIMESTAMP ODBC form")
        << "TIMESTAMP"
        << "'2024-02-29 13:45:07'" << 135 << "2024-02-29 13:45:07.000000";
    QTest::newRow("TIMESTAMP(0)") << "TIMESTAMP(0)"
                                  << "'2024-02-29 13:45:07.9'" << 135 << "2024-02-29 13:45:07";
    QTest::newRow("BOOLEAN yes") << "BOOLEAN"
                                 << "'yes'" << 11 << "1";
    QTest::newRow("BOOLEAN f") << "BOOLEAN"
                               << "'F'" << 11 << "0";
    QTest::newRow("BOOLEAN true") << "BOOLEAN"
                                  << "'true'" << 11 << "1";
    QTest::newRow("XML") << "XML"
                         << "'<a x=\"1\">t</a>'" << 203 << "<a x=\"1\">t</a>";
}

void TestDb2Types::typeCodesAndTextForms()
{
    QFETCH(QString, columnType);
    QFETCH(QString, literal);
    QFETCH(int, adoType);
    QFETCH(QString, text);
    const QString table = newTable(columnType);
    m_connection.execute(QStringLiteral("INSERT INTO \"%1\" VALUES(%2)").arg(table, literal));
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"%1\"").arg(table), m_connection);
    QCOMPARE(rows.fields().count(), 1);
    QCOMPARE(rows.fields().item(0).name(), QStringLiteral("c"));
    QCOMPARE(rows.fields().item(0).type(), adoType);
    QCOMPARE(rows.fields().item(0).value(), Value(text));
}

void TestDb2Types::longValuesComeBackWhole_data()
{
    QTest::addColumn<QByteArray>("chunks");
    QTest::newRow("pieces filling the buffer") << QByteArray();
    QTest::newRow("pieces ending early") << QByteArray("short");
}

void TestDb2Types::longValuesComeBackWhole()
{
    QFETCH(QByteArray, chunks);
    // Longer than any one piece the data access layer reads, with characters of
    // one to four UTF-8 bytes so that pieces end inside characters. It goes in as
    // constants of 2,000 repetitions (30,000 bytes as written, the quote doubled)
    // joined with ||, as no one constant may be longer than 32,672 bytes.
    const QString unit = QStringLiteral("ab\u00e4\u20ac\U0001F600'x");
    QString big;
    QStringList constants;
    while (big.size() < 200000) {
        QString piece = unit.repeated(2000);
        big += piece;
        piece.replace(QLatin1String("'"), QLatin1String("''"));
        constants << QLatin1Char('\'') + piece + QLatin1Char('\'');
    }
    const QString table = newTable(QStringLiteral("CLOB(1M)"));
    m_connection.execute(QStringLiteral("INSERT INTO \"%1\" VALUES(%2)")
                             .arg(table, constants.join(QStringLiteral(" || "))));
    // A constant of the greatest length DB2 takes, and a LONG VARCHAR filled to its
    // 32,700 bytes from two constants.
    const QString longestConstant(ConstantMax, QLatin1Char('y'));
    const QString atLimit(32700, QLatin1Char('z'));
    const QString limitTable = newTable(QStringLiteral("LONG VARCHAR"));
    m_connection.execute(
        QStringLiteral("INSERT INTO \"%1\" VALUES('%2')").arg(limitTable, longestConstant));
    m_connection.execute(QStringLiteral("INSERT INTO \"%1\" VALUES(%2)")
                             .arg(limitTable, joinedConstants(atLimit, ConstantMax)));

    qputenv("DB2STANDIN_CHUNKS", chunks);
    const auto restore = qScopeGuard([] { qunsetenv("DB2STANDIN_CHUNKS"); });
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"%1\"").arg(table), m_connection);
    QCOMPARE(rows.fields().item(0).value(), Value(big));
    Recordset limit;
    limit.open(QStringLiteral("SELECT * FROM \"%1\"").arg(limitTable), m_connection);
    QCOMPARE(limit.fields().item(0).value(), Value(longestConstant));
    limit.moveNext();
    QCOMPARE(limit.fields().item(0).value(), Value(atLimit));
}

// A piece whose length the driver does not give is never measured up to a
// terminator: a text holding U+0000 would be cut there. The value fails instead.
void TestDb2Types::valueOfUnsaidLengthIsRefused()
{
    const QString table = newTable(QStringLiteral("LONG VARCHAR"));
    m_connection.execute(
        QStringLiteral("INSERT INTO \"%1\" VALUES('a' || X'00' || 'b')").arg(table));
    qputenv("DB2STANDIN_CHUNKS", "nototal");
    const auto restore = qScopeGuard([] { qunsetenv("DB2STANDIN_CHUNKS"); });
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"%1\"").arg(table), m_connection);
    const DbError error = thrownBy([&] { rows.fields().item(0).value(); });
    QVERIFY2(error.description().contains(QStringLiteral("did not say how long")),
             qPrintable(error.description()));
}

void TestDb2Types::nullIsNotAnEmptyText()
{
    const QString table = newTable(QStringLiteral("VARCHAR(10)"));
    m_connection.execute(QStringLiteral("INSERT INTO \"%1\" VALUES(NULL)").arg(table));
    m_connection.execute(QStringLiteral("INSERT INTO \"%1\" VALUES('')").arg(table));
    Recordset rows;
    rows.open(QStringLiteral("SELECT * FROM \"%1\"").arg(table), m_connection);
    QCOMPARE(rows.fields().item(0).value(), Value());
    rows.moveNext();
    QCOMPARE(rows.fields().item(0).value(), Value(QString()));
    QVERIFY(rows.fields().item(0).value().has_value());
    rows.moveNext();
    QVERIFY(rows.eof());
}

QTEST_GUILESS_MAIN(TestDb2Types)
#include "tst_db2_types.moc"
