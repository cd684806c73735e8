// ODBC SQL type -> ADO type code, and ADO type code -> constant name.
#include "db/AdoTypes.h"
#include "transfer/Datatype.h"

#include <QtTest>

class TestDbTypeCodes : public QObject
{
    Q_OBJECT

private slots:
    void adoTypeCode_data();
    void adoTypeCode();
    void dataTypeName_data();
    void dataTypeName();
    void everyAdoCodeHasAName();
};

void TestDbTypeCodes::adoTypeCode_data()
{
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<bool>("isUnsigned");
    QTest::addColumn<int>("expected");

    const struct
    {
        const char* name;
        int sqlType;
        bool isUnsigned;
        int expected;
    } rows[] = {
        {"SQL_CHAR", 1, false, 129},
        {"SQL_VARCHAR", 12, false, 200},
        {"SQL_LONGVARCHAR", -1, false, 201},
        {"SQL_WCHAR", -8, false, 130},
        {"SQL_WVARCHAR", -9, false, 202},
        {"SQL_WLONGVARCHAR", -10, false, 203},
        {"SQL_DECIMAL", 3, false, 131},
        {"SQL_NUMERIC", 2, false, 131},
        {"SQL_SMALLINT", 5, false, 2},
        {"SQL_SMALLINT unsigned", 5, true, 18},
        {"SQL_INTEGER", 4, false, 3},
        {"SQL_INTEGER unsigned", 4, true, 19},
        {"SQL_BIGINT", -5, false, 20},
        {"SQL_BIGINT unsigned", -5, true, 21},
        {"SQL_TINYINT", -6, false, 16},
        {"SQL_TINYINT unsigned", -6, true, 17},
        {"SQL_REAL", 7, false, 4},
        {"SQL_FLOAT", 6, false, 5},
        {"SQL_DOUBLE", 8, false, 5},
        {"SQL_BIT", -7, false, 11},
        {"SQL_BINARY", -2, false, 128},
        {"SQL_VARBINARY", -3, false, 204},
        {"SQL_LONGVARBINARY", -4, false, 205},
        {"SQL_TYPE_DATE", 91, false, 133},
        {"SQL_TYPE_TIME", 92, false, 134},
        {"SQL_TYPE_TIMESTAMP", 93, false, 135},
        {"SQL_GUID", -11, false, 72},
        {"DB2 CLOB", -99, false, 201},
        {"DB2 BLOB", -98, false, 205},
        {"DB2 DBCLOB", -350, false, 203},
        {"DB2 GRAPHIC", -95, false, 130},
        {"DB2 VARGRAPHIC", -96, false, 202},
        {"DB2 LONG VARGRAPHIC", -97, false, 203},
        {"DB2 XML", -370, false, 203},
        {"DB2 DECFLOAT", -360, false, 131},
        {"DB2 BOOLEAN", 16, false, 11},
        {"DB2 TIMESTAMP WITH TIME ZONE", 95, false, 135},
        // The unsigned flag means nothing to a type without a sign.
        {"SQL_DOUBLE flagged unsigned", 8, true, 5},
        {"SQL_INTERVAL_DAY", 103, false, 132},
        {"ODBC 2 SQL_DATE", 9, false, 132},
        {"SQL_UNKNOWN_TYPE", 0, false, 132},
        {"unknown negative", -12345, false, 132},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.sqlType << row.isUnsigned << row.expected;
}

void TestDbTypeCodes::adoTypeCode()
{
    QFETCH(int, sqlType);
    QFETCH(bool, isUnsigned);
    QFETCH(int, expected);
    QCOMPARE(::adoTypeCode(sqlType, isUnsigned), expected);
}

void TestDbTypeCodes::dataTypeName_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");

    const struct
    {
        int code;
        const char* name;
    } rows[] = {
        {0, "adEmpty"},
        {2, "adSmallInt"},
        {3, "adInteger"},
        {4, "adSingle"},
        {5, "adDouble"},
        {6, "adCurrency"},
        {7, "adDate"},
        {8, "adBSTR"},
        {9, "adIDispatch"},
        {10, "adError"},
        {11, "adBoolean"},
        {12, "adVariant"},
        {13, "adIUnknown"},
        {14, "adDecimal"},
        {16, "adTinyInt"},
        {17, "adUnsignedTinyInt"},
        {18, "adUnsignedSmallInt"},
        {19, "adUnsignedInt"},
        {20, "adBigInt"},
        {21, "adUnsignedBigInt"},
        {64, "adFileTime"},
        {72, "adGUID"},
        {128, "adBinary"},
        {129, "adChar"},
        {130, "adWChar"},
        {131, "adNumeric"},
        {132, "adUserDefined"},
        {133, "adDBDate"},
        {134, "adDBTime"},
        {135, "adDBTimeStamp"},
        {136, "adChapter"},
        {138, "adPropVariant"},
        {139, "adVarNumeric"},
        {200, "adVarChar"},
        {201, "adLongVarChar"},
        {202, "adVarWChar"},
        {203, "adLongVarWChar"},
        {204, "adVarBinary"},
        {205, "adLongVarBinary"},
    };
    QCOMPARE(int(sizeof rows / sizeof rows[0]), 39);
    for (const auto& row : rows)
        QTest::addRow("%d", row.code) << row.code << QString::fromLatin1(row.name);
    for (int code : {1, 15, 137, 8192, 206, -1, -32768, 32767})
        QTest::addRow("%d has no row", code) << code << QString();
}

void TestDbTypeCodes::dataTypeName()
{
    QFETCH(int, code);
    QFETCH(QString, expected);
    const std::int16_t typeCode = static_cast<std::int16_t>(code);
    const QString name = Datatype::DataTypeName(typeCode);
    QCOMPARE(name, expected);
    QCOMPARE(typeCode, static_cast<std::int16_t>(code)); // passed by reference, unchanged
}

// Every code the data access layer can report must have a name, or a column
// would silently take the transfers' default type.
void TestDbTypeCodes::everyAdoCodeHasAName()
{
    for (int sqlType = -400; sqlType <= 400; ++sqlType) {
        for (bool isUnsigned : {false, true}) {
            const std::int16_t code = static_cast<std::int16_t>(::adoTypeCode(sqlType, isUnsigned));
            QVERIFY2(!Datatype::DataTypeName(code).isEmpty(), qPrintable(QString::number(sqlType)));
        }
    }
    QCOMPARE(Datatype::DataTypeName(205).toLower(), QStringLiteral("adlongvarbinary"));
}

QTEST_GUILESS_MAIN(TestDbTypeCodes)
#include "tst_db_type_codes.moc"
