// The stand-in's ODBC rules that the program relies on without showing them:
// values in pieces with their remaining length, NULL indicators, row counts,
// several statements at once, transactions, the form of dates and times.
// Plain ODBC calls through the driver manager.
#include "StandinTest.h"
#include "TestEnv.h"

#include <QtTest>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {

QString sqlState(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[512];
    SQLSMALLINT length = 0;
    if (SQLGetDiagRecW(type, handle, 1, state, &native, text, 512, &length) != SQL_SUCCESS)
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5);
}

std::vector<SQLWCHAR> wide(const QString& text)
{
    std::vector<SQLWCHAR> out(text.utf16(), text.utf16() + text.size());
    out.push_back(0);
    return out;
}

} // namespace

class TestStandinOdbc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void rowCounts();
    void valuesInPieces();
    void nullNeedsAnIndicator();
    void twoStatementsAtOnce();
    void rollbackUndoes();
    void dateTimeStringFormat_data();
    void dateTimeStringFormat();
    void callsLeftToTheDriverManager();
    void xmlDeclaration_data();
    void xmlDeclaration();
    void typeCodesOfAUnicodeDatabase();
    void lengthsIn32Bits();

private:
    SQLRETURN exec(SQLHSTMT statement, const QString& sql)
    {
        std::vector<SQLWCHAR> text = wide(sql);
        return SQLExecDirectW(statement, text.data(), SQL_NTS);
    }

    ConnectionProfile m_profile;
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

void TestStandinOdbc::initTestCase()
{
    m_profile = TestEnv::createDb2Database(QStringLiteral("TSTDRV"));
    TestEnv::db2Exec({QStringLiteral("CREATE TABLE T (S VARCHAR(100), N INTEGER)"),
                      QStringLiteral("INSERT INTO T VALUES ('hello world', 1), (NULL, 2)"),
                      QStringLiteral("CREATE TABLE X (X XML, G GRAPHIC(2), VG VARGRAPHIC(5), "
                                     "LG LONG VARGRAPHIC, B BOOLEAN)"),
                      QStringLiteral("INSERT INTO X VALUES ('<a>t</a>', 'g', 'vg', 'lg', TRUE)"),
                      QStringLiteral("CREATE TABLE D (D DATE, T TIME, TS TIMESTAMP)"),
                      QStringLiteral("INSERT INTO D VALUES ('2024-02-29', '13:05:07', "
                                     "'2024-02-29 00:45:07.123456')")},
                     m_profile.database);
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env), SQL_SUCCESS);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc), SQL_SUCCESS);
    std::vector<SQLWCHAR> text = wide(StandinTest::connectionString(m_profile));
    const SQLRETURN rc = SQLDriverConnectW(m_dbc, nullptr, text.data(), SQL_NTS, nullptr, 0,
                                           nullptr, SQL_DRIVER_NOPROMPT);
    QVERIFY2(SQL_SUCCEEDED(rc), qPrintable(sqlState(SQL_HANDLE_DBC, m_dbc)));
}

void TestStandinOdbc::cleanupTestCase()
{
    SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

void TestStandinOdbc::init()
{
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt), SQL_SUCCESS);
}

void TestStandinOdbc::cleanup()
{
    SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
}

void TestStandinOdbc::rowCounts()
{
    SQLLEN rows = 0;
    QCOMPARE(exec(m_stmt, QStringLiteral("SELECT * FROM T")), SQL_SUCCESS);
    QCOMPARE(SQLRowCount(m_stmt, &rows), SQL_SUCCESS);
    QCOMPARE(rows, SQLLEN(-1)); // as the IBM driver on a forward-only cursor
    SQLCloseCursor(m_stmt);
    QCOMPARE(exec(m_stmt, QStringLiteral("INSERT INTO T VALUES ('a', 3), ('b', 4)")), SQL_SUCCESS);
    SQLRowCount(m_stmt, &rows);
    QCOMPARE(rows, SQLLEN(2));
    QCOMPARE(exec(m_stmt, QStringLiteral("DELETE FROM T WHERE N > 2")), SQL_SUCCESS);
    SQLRowCount(m_stmt, &rows);
    QCOMPARE(rows, SQLLEN(2));
    // A searched DELETE that touches no row is no failure, but no data.
    QCOMPARE(exec(m_stmt, QStringLiteral("DELETE FROM T WHERE N > 2")), SQL_NO_DATA);
}

void TestStandinOdbc::valuesInPieces()
{
    QCOMPARE(exec(m_stmt, QStringLiteral("SELECT S FROM T WHERE N = 1")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(m_stmt), SQL_SUCCESS);
    // 4 UTF-16 units a call: 3 characters and the terminator.
    SQLWCHAR buffer[4];
    SQLLEN indicator = 0;
    QString value;
    QList<SQLLEN> remaining;
    SQLRETURN rc;
    while ((rc = SQLGetData(m_stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator)) !=
           SQL_NO_DATA) {
        QVERIFY(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO);
        if (rc == SQL_SUCCESS_WITH_INFO)
            QCOMPARE(sqlState(SQL_HANDLE_STMT, m_stmt), QStringLiteral("01004"));
        remaining << indicator;
        value += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer));
        QVERIFY(remaining.size() < 10);
    }
    QCOMPARE(value, QStringLiteral("hello world"));
    QCOMPARE(remaining, (QList<SQLLEN>{22, 16, 10, 4}));
    SQLCloseCursor(m_stmt);
}

void TestStandinOdbc::nullNeedsAnIndicator()
{
    QCOMPARE(exec(m_stmt, QStringLiteral("SELECT S FROM T WHERE N = 2")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(m_stmt), SQL_SUCCESS);
    char buffer[8];
    QCOMPARE(SQLGetData(m_stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, nullptr), SQL_ERROR);
    QCOMPARE(sqlState(SQL_HANDLE_STMT, m_stmt), QStringLiteral("22002"));
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(m_stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS);
    QCOMPARE(indicator, SQLLEN(SQL_NULL_DATA));
    QCOMPARE(SQLGetData(m_stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_NO_DATA);
    QCOMPARE(SQLFetch(m_stmt), SQL_NO_DATA);
    SQLCloseCursor(m_stmt);
}

void TestStandinOdbc::twoStatementsAtOnce()
{
    SQLHSTMT count = SQL_NULL_HSTMT;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &count), SQL_SUCCESS);
    QCOMPARE(exec(m_stmt, QStringLiteral("SELECT N FROM T ORDER BY N")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(m_stmt), SQL_SUCCESS);
    // The form the data access layer uses for an exact count, while the first is open.
    QCOMPARE(exec(count, QStringLiteral(
                             "SELECT COUNT(*) FROM (SELECT N FROM T ORDER BY N) AS dovetab_count")),
             SQL_SUCCESS);
    QCOMPARE(SQLFetch(count), SQL_SUCCESS);
    SQLBIGINT rows = 0;
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(count, 1, SQL_C_SBIGINT, &rows, 0, &indicator), SQL_SUCCESS);
    QCOMPARE(rows, SQLBIGINT(2));
    SQLFreeHandle(SQL_HANDLE_STMT, count);
    SQLINTEGER n = 0;
    QCOMPARE(SQLGetData(m_stmt, 1, SQL_C_SLONG, &n, 0, &indicator), SQL_SUCCESS);
    QCOMPARE(n, 1);
    QCOMPARE(SQLFetch(m_stmt), SQL_SUCCESS);
    QCOMPARE(SQLGetData(m_stmt, 1, SQL_C_SLONG, &n, 0, &indicator), SQL_SUCCESS);
    QCOMPARE(n, 2);
    QCOMPARE(SQLFetch(m_stmt), SQL_NO_DATA);
    SQLCloseCursor(m_stmt);
}

void TestStandinOdbc::rollbackUndoes()
{
    SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                      0);
    QCOMPARE(exec(m_stmt, QStringLiteral("INSERT INTO T VALUES ('undone', 9)")), SQL_SUCCESS);
    // Ending a connection with work open is refused, as by the IBM driver.
    QCOMPARE(SQLDisconnect(m_dbc), SQL_ERROR);
    QCOMPARE(sqlState(SQL_HANDLE_DBC, m_dbc), QStringLiteral("25000"));
    QCOMPARE(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK), SQL_SUCCESS);
    SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      0);
    QCOMPARE(
        TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM T WHERE N = 9"), m_profile.database),
        QStringList{QStringLiteral("0")});
}

// Dates, times and timestamps read as character data take the form of the
// DateTimeStringFormat keyword; without it, the JIS form.
void TestStandinOdbc::dateTimeStringFormat_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("default") << ""
                             << QStringList{"2024-02-29", "13:05:07", "2024-02-29 00:45:07.123456"};
    QTest::newRow("JIS") << "DateTimeStringFormat=JIS;"
                         << QStringList{"2024-02-29", "13:05:07", "2024-02-29 00:45:07.123456"};
    QTest::newRow("ISO") << "DATETIMESTRINGFORMAT=iso;"
                         << QStringList{"2024-02-29", "13.05.07", "2024-02-29-00.45.07.123456"};
    QTest::newRow("EUR") << "DateTimeStringFormat=EUR;"
                         << QStringList{"29.02.2024", "13.05.07", "2024-02-29 00:45:07.123456"};
    QTest::newRow("USA") << "DateTimeStringFormat=USA;"
                         << QStringList{"02/29/2024", "01:05 PM", "2024-02-29 00:45:07.123456"};
}

void TestStandinOdbc::dateTimeStringFormat()
{
    QFETCH(QString, keyword);
    QFETCH(QStringList, texts);
    // A data source name is the driver manager's to look up, and none is registered:
    // SQLConnect never reaches the driver.
    SQLHDBC dbc = SQL_NULL_HDBC;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &dbc), SQL_SUCCESS);
    std::vector<SQLWCHAR> text = wide(StandinTest::connectionString(m_profile) + keyword);
    QVERIFY(SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr,
                                            SQL_DRIVER_NOPROMPT)));
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    QCOMPARE(exec(stmt, QStringLiteral("SELECT D, T, TS FROM D")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(stmt), SQL_SUCCESS);
    QStringList read;
    for (SQLUSMALLINT column = 1; column <= 3; ++column) {
        SQLWCHAR buffer[64] = {};
        SQLLEN indicator = 0;
        QCOMPARE(SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator),
                 SQL_SUCCESS);
        read << QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer));
    }
    // The narrow form is the same text.
    SQLCloseCursor(stmt);
    QCOMPARE(exec(stmt, QStringLiteral("SELECT D FROM D")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(stmt), SQL_SUCCESS);
    char narrow[64] = {};
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(stmt, 1, SQL_C_CHAR, narrow, sizeof narrow, &indicator), SQL_SUCCESS);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    QCOMPARE(read, texts);
    QCOMPARE(QString::fromUtf8(narrow), texts[0]);
}

// The driver has the wide entry points the program calls: a narrow call reaches it
// converted by the driver manager, which refuses what the driver does not have.
void TestStandinOdbc::callsLeftToTheDriverManager()
{
    SQLCHAR narrow[] = "SELECT N FROM T WHERE N = 1";
    QCOMPARE(SQLExecDirect(m_stmt, narrow, SQL_NTS), SQL_SUCCESS);
    QCOMPARE(SQLFetch(m_stmt), SQL_SUCCESS);
    SQLINTEGER n = 0;
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(m_stmt, 1, SQL_C_SLONG, &n, 0, &indicator), SQL_SUCCESS);
    QCOMPARE(n, 1);
    SQLCloseCursor(m_stmt);

    std::vector<SQLWCHAR> text = wide(QStringLiteral("SELECT N FROM T"));
    QCOMPARE(SQLPrepareW(m_stmt, text.data(), SQL_NTS), SQL_ERROR);
    QCOMPARE(sqlState(SQL_HANDLE_STMT, m_stmt), QStringLiteral("IM001"));
    QCOMPARE(SQLBindCol(m_stmt, 1, SQL_C_SLONG, &n, 0, &indicator), SQL_ERROR);
    QCOMPARE(sqlState(SQL_HANDLE_STMT, m_stmt), QStringLiteral("IM001"));

    // A data source name is the driver manager's to look up, and none is registered:
    // SQLConnect never reaches the driver.
    SQLHDBC dbc = SQL_NULL_HDBC;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &dbc), SQL_SUCCESS);
    std::vector<SQLWCHAR> name = wide(m_profile.database);
    const SQLRETURN rc = SQLConnectW(dbc, name.data(), SQL_NTS, nullptr, 0, nullptr, 0);
    const QString state = sqlState(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    QCOMPARE(rc, SQL_ERROR);
    QCOMPARE(state, QStringLiteral("IM002"));
}

// XML read as characters carries what XMLDeclaration or SQL_ATTR_XML_DECLARATION
// asks for: by default (7) a byte-order mark in UTF-16 and a declaration with the
// encoding of the C type.
void TestStandinOdbc::xmlDeclaration_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("attribute"); // -1: not set
    QTest::addColumn<QString>("wideText");
    QTest::addColumn<QString>("narrowText");

    QTest::newRow("default") << "" << -1
                             << "\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\" ?><a>t</a>"
                             << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><a>t</a>";
    QTest::newRow("keyword 0") << "XMLDeclaration=0;" << -1 << "<a>t</a>"
                               << "<a>t</a>";
    QTest::newRow("keyword 3") << "XMLDECLARATION=3;" << -1
                               << "\uFEFF<?xml version=\"1.0\" ?><a>t</a>"
                               << "<?xml version=\"1.0\" ?><a>t</a>";
    QTest::newRow("attribute none") << "" << 0 << "<a>t</a>"
                                    << "<a>t</a>";
}

void TestStandinOdbc::xmlDeclaration()
{
    QFETCH(QString, keyword);
    QFETCH(int, attribute);
    QFETCH(QString, wideText);
    QFETCH(QString, narrowText);
    SQLHDBC dbc = SQL_NULL_HDBC;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &dbc), SQL_SUCCESS);
    std::vector<SQLWCHAR> text = wide(StandinTest::connectionString(m_profile) + keyword);
    QVERIFY(SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr,
                                            SQL_DRIVER_NOPROMPT)));
    if (attribute >= 0) {
        QCOMPARE(SQLSetConnectAttrW(dbc, 2552, reinterpret_cast<SQLPOINTER>(SQLULEN(attribute)),
                                    SQL_IS_UINTEGER),
                 SQL_SUCCESS);
    }
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    QCOMPARE(exec(stmt, QStringLiteral("SELECT X, X FROM X")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(stmt), SQL_SUCCESS);
    SQLWCHAR buffer[128] = {};
    char narrow[128] = {};
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS);
    const QString wideRead =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), indicator / 2);
    QCOMPARE(SQLGetData(stmt, 2, SQL_C_CHAR, narrow, sizeof narrow, &indicator), SQL_SUCCESS);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    QCOMPARE(wideRead, wideText);
    QCOMPARE(QString::fromUtf8(narrow), narrowText);
}

// The database is a Unicode one: graphic columns are described with ODBC's wide
// types; BOOLEAN is SQL_BIT.
void TestStandinOdbc::typeCodesOfAUnicodeDatabase()
{
    QCOMPARE(exec(m_stmt, QStringLiteral("SELECT G, VG, LG, B FROM X")), SQL_SUCCESS);
    QList<SQLSMALLINT> types;
    for (SQLUSMALLINT column = 1; column <= 4; ++column) {
        SQLWCHAR name[32];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        QCOMPARE(SQLDescribeColW(m_stmt, column, name, 32, &nameLength, &type, &size, &digits,
                                 &nullable),
                 SQL_SUCCESS);
        types << type;
    }
    QCOMPARE(types, (QList<SQLSMALLINT>{SQL_WCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR, SQL_BIT}));
    SQLCloseCursor(m_stmt);
}

// With LengthBits=32 in its odbcinst.ini section the driver writes the low half of
// every 8-byte length and leaves the upper half as it was, as libdb2.so does.
void TestStandinOdbc::lengthsIn32Bits()
{
    const TestEnv::Db2DriverKey lengths(QStringLiteral("LengthBits"), QStringLiteral("32"));
    SQLHDBC dbc = SQL_NULL_HDBC;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &dbc), SQL_SUCCESS);
    std::vector<SQLWCHAR> text = wide(StandinTest::connectionString(m_profile));
    QVERIFY(SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr,
                                            SQL_DRIVER_NOPROMPT)));
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    QCOMPARE(exec(stmt, QStringLiteral("SELECT S, N FROM T WHERE N = 2")), SQL_SUCCESS);
    QCOMPARE(SQLFetch(stmt), SQL_SUCCESS);
    char buffer[8];
    SQLLEN nullIndicator = 0;
    QCOMPARE(SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &nullIndicator), SQL_SUCCESS);
    SQLINTEGER number = 0;
    SQLLEN numberIndicator = -1;
    QCOMPARE(SQLGetData(stmt, 2, SQL_C_SLONG, &number, 0, &numberIndicator), SQL_SUCCESS);
    SQLCloseCursor(stmt);
    SQLLEN rows = 0x1111111111111111;
    QCOMPARE(exec(stmt, QStringLiteral("SELECT S FROM T")), SQL_SUCCESS);
    QCOMPARE(SQLRowCount(stmt, &rows), SQL_SUCCESS);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    QCOMPARE(nullIndicator, SQLLEN(4294967295)); // SQL_NULL_DATA in the low half
    QCOMPARE(numberIndicator, SQLLEN(0xFFFFFFFF00000004));
    QCOMPARE(rows, SQLLEN(0x11111111FFFFFFFF));
}

QTEST_GUILESS_MAIN(TestStandinOdbc)
#include "tst_standin_odbc.moc"
