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

QTEST_GUILESS_MAIN(TestStandinOdbc)
#include "tst_standin_odbc.moc"
