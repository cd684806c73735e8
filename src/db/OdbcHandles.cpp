#include "db/OdbcHandles.h"

#include <algorithm>

#include <QStringList>
#include <QtGlobal>

namespace odbc {

std::vector<SQLWCHAR> toSqlWChar(const QString& text)
{
    std::vector<SQLWCHAR> result(static_cast<size_t>(text.size()) + 1, 0);
    const ushort* source = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        result[static_cast<size_t>(i)] = static_cast<SQLWCHAR>(source[i]);
    return result;
}

QString fromSqlWChar(const SQLWCHAR* text, qsizetype length)
{
    if (length <= 0)
        return QString(QLatin1String(""));
    // Every code unit as it came: a U+FEFF is a character of the value here, not a
    // byte-order mark, and half a surrogate pair at a chunk's end meets its other
    // half when the next chunk is appended.
    return QString(reinterpret_cast<const QChar*>(text), length);
}

namespace {

struct DiagRecord
{
    QString sqlState;
    SQLINTEGER native = 0;
    QString message;
};

// Reads record `number`; false when there is none.
bool readDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, DiagRecord& out)
{
    SQLWCHAR state[6] = {};
    std::vector<SQLWCHAR> text(512);
    for (;;) {
        SQLSMALLINT textLength = 0;
        const SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, number, state, &out.native, text.data(),
                           static_cast<SQLSMALLINT>(text.size()), &textLength);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            return false;
        // A message longer than the buffer is read again whole.
        if (textLength >= static_cast<SQLSMALLINT>(text.size()) && text.size() < 32767) {
            // The buffer length is an SQLSMALLINT: 32767 characters at the most.
            text.resize(static_cast<size_t>(std::min<int>(textLength + 1, 32767)));
            continue;
        }
        qsizetype length = textLength;
        if (length >= static_cast<qsizetype>(text.size()))
            length = static_cast<qsizetype>(text.size()) - 1;
        out.sqlState = fromSqlWChar(state, 5);
        out.message = fromSqlWChar(text.data(), length);
        return true;
    }
}

} // namespace

DbError diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc, const char* call)
{
    QStringList messages;
    QString sqlState;
    int native = 0;
    if (handle != SQL_NULL_HANDLE && rc != SQL_INVALID_HANDLE) {
        for (SQLSMALLINT number = 1; number <= MaxDiagnosticRecords; ++number) {
            DiagRecord record;
            if (!readDiagRecord(handleType, handle, number, record))
                break;
            if (number == 1) {
                sqlState = record.sqlState;
                native = static_cast<int>(record.native);
            }
            messages << record.message;
        }
    }
    if (messages.isEmpty()) {
        const QString reason = rc == SQL_INVALID_HANDLE ? QStringLiteral("invalid handle")
                                                        : QStringLiteral("no diagnostics");
        return DbError(QStringLiteral("%1 failed (%2)").arg(QLatin1String(call), reason), sqlState,
                       native);
    }
    return DbError(messages.join(QLatin1Char('\n')), sqlState, native);
}

bool hasSqlState(SQLSMALLINT handleType, SQLHANDLE handle, const char* sqlState)
{
    for (SQLSMALLINT number = 1; number <= MaxDiagnosticRecords; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT textLength = 0;
        SQLWCHAR text[2] = {};
        const SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, number, state, &native, text, 2, &textLength);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            return false;
        if (fromSqlWChar(state, 5) == QLatin1String(sqlState))
            return true;
    }
    return false;
}

SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call)
{
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE)
        throw diagnostics(handleType, handle, rc, call);
    return rc;
}

EnvironmentHandle EnvironmentHandle::allocate()
{
    EnvironmentHandle environment;
    const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment.m_handle);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        environment.m_handle = SQL_NULL_HANDLE;
        throw DbError(QStringLiteral("The ODBC driver manager could not allocate an environment."));
    }
    check(SQLSetEnvAttr(environment.m_handle, SQL_ATTR_ODBC_VERSION,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(SQL_OV_ODBC3)), 0),
          SQL_HANDLE_ENV, environment.m_handle, "SQLSetEnvAttr");
    return environment;
}

ConnectionHandle ConnectionHandle::allocate(const EnvironmentHandle& environment)
{
    ConnectionHandle connection;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_DBC, environment.get(), &handle), SQL_HANDLE_ENV,
          environment.get(), "SQLAllocHandle");
    connection.m_handle = handle;
    return connection;
}

void ConnectionHandle::connect(const QString& connectionString)
{
    std::vector<SQLWCHAR> text = toSqlWChar(connectionString);
    SQLWCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    check(SQLDriverConnectW(m_handle, nullptr, text.data(), SQL_NTS, completed,
                            static_cast<SQLSMALLINT>(sizeof completed / sizeof completed[0]),
                            &completedLength, SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, m_handle, "SQLDriverConnect");
    m_connected = true;
}

bool ConnectionHandle::disconnect() noexcept
{
    if (!m_connected || m_handle == SQL_NULL_HANDLE) {
        m_connected = false;
        return true;
    }
    SQLRETURN rc = SQLDisconnect(m_handle);
    // An open transaction blocks the disconnect; it is rolled back so that no
    // session is left behind on the server.
    if (rc == SQL_ERROR) {
        SQLEndTran(SQL_HANDLE_DBC, m_handle, SQL_ROLLBACK);
        rc = SQLDisconnect(m_handle);
    }
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
        try {
            m_disconnectFailure = diagnostics(SQL_HANDLE_DBC, m_handle, rc, "SQLDisconnect");
        } catch (...) {
            m_disconnectFailure.reset(); // out of memory: the reason is lost, not the mark
        }
        return false;
    }
    m_connected = false;
    m_disconnectFailure.reset();
    return true;
}

void ConnectionHandle::release() noexcept
{
    if (!disconnect()) {
        const QByteArray reason = m_disconnectFailure ? m_disconnectFailure->description().toUtf8()
                                                      : QByteArray("no diagnostics");
        qWarning("Dovetab: a database session could not be ended and stays open until the "
                 "program ends: %s",
                 reason.constData());
    }
    reset();
}

StatementHandle StatementHandle::allocate(const ConnectionHandle& connection)
{
    StatementHandle statement;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    odbc::check(SQLAllocHandle(SQL_HANDLE_STMT, connection.get(), &handle), SQL_HANDLE_DBC,
                connection.get(), "SQLAllocHandle");
    statement.m_handle = handle;
    return statement;
}

bool StatementHandle::execDirect(const QString& sql)
{
    // Passed with its length, so that a U+0000 inside a value is part of the text
    // rather than its end.
    // SQLWCHAR is UTF-16 (OdbcHandles.h), so the text goes as it is held, without a
    // copy per statement; the driver only reads an input text.
    SQLWCHAR* const text = const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16()));
    return check(SQLExecDirectW(m_handle, text, static_cast<SQLINTEGER>(sql.size())),
                 "SQLExecDirect") != SQL_NO_DATA;
}

} // namespace odbc
