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

// Examples that catch wrong rows of the type table: the wide types psqlODBC
// reports, DB2's own codes, the sign, and codes without a row.
void TestDbTypeCodes::adoTypeCode_data()
{
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<bool>("isUnsigned");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("form");
    QTest::addColumn<bool>("isDateOrTime");

    const int text = int(ValueForm::Text), number = int(ValueForm::Number),
              binary = int(ValueForm::Binary);
    const struct
    {
        const char* name;
        int sqlType;
        bool isUnsigned;
        int expected;
        int form;
        bool isDateOrTime;
    } rows[] = {
        {"SQL_WVARCHAR", -9, false, 202, text, false},
        {"SQL_WCHAR", -8, false, 130, text, false},
        {"SQL_INTEGER unsigned", 4, true, 19, text, false},
        {"SQL_TINYINT", -6, false, 16, text, false},
        {"SQL_FLOAT", 6, false, 5, number, false},
        {"SQL_LONGVARBINARY", -4, false, 205, binary, false},
        {"SQL_TYPE_TIMESTAMP", 93, false, 135, text, true},
        {"DB2 BLOB", -98, false, 205, binary, false},
        {"DB2 DECFLOAT", -360, false, 131, number, false},
        {"DB2 XML", -370, false, 203, text, false},
        {"DB2 BOOLEAN", 16, false, 11, text, false},
        {"DB2 TIMESTAMP WITH TIME ZONE", 95, false, 135, text, false},
        // The unsigned flag means nothing to a type without a sign.
        {"SQL_DOUBLE flagged unsigned", 8, true, 5, number, false},
        {"ODBC 2 SQL_DATE", 9, false, 132, text, true},
        {"SQL_INTERVAL_DAY", 103, false, 132, text, false},
        {"unknown negative", -12345, false, 132, text, false},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.sqlType << row.isUnsigned << row.expected << row.form
                                << row.isDateOrTime;
}

void TestDbTypeCodes::adoTypeCode()
{
    QFETCH(int, sqlType);
    QFETCH(bool, isUnsigned);
    QFETCH(int, expected);
    QFETCH(int, form);
    QFETCH(bool, isDateOrTime);
    QCOMPARE(::adoTypeCode(sqlType, isUnsigned), expected);
    QCOMPARE(int(columnType(sqlType).form), form);
    QCOMPARE(columnType(sqlType).isDateOrTime, isDateOrTime);
}

void TestDbTypeCodes::dataTypeName_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");

    // The spellings the transfers' substring rules depend on, and the names whose
    // case is not that of a plain word.
    const struct
    {
        int code;
        const char* name;
    } rows[] = {
        {0, "adEmpty"},           {8, "adBSTR"},       {9, "adIDispatch"},
        {21, "adUnsignedBigInt"}, {72, "adGUID"},      {130, "adWChar"},
        {135, "adDBTimeStamp"},   {202, "adVarWChar"}, {205, "adLongVarBinary"},
    };
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
