#pragma once

#ifndef DOVETAB_DB_PRIVATE
#error "This header is private to src/db; use db/Connection.h and db/Recordset.h."
#endif

// Private to the data access layer: owners of the ODBC handles, the one checking
// helper every return code goes through, and the QString <-> SQLWCHAR conversion.

#include "db/DbError.h"

#include <QString>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <optional>
#include <utility>
#include <vector>

static_assert(sizeof(SQLWCHAR) == 2, "SQLWCHAR must be UTF-16 (build without SQL_WCHART_CONVERT)");

namespace odbc {

// At most this many diagnostic records go into one error description.
constexpr int MaxDiagnosticRecords = 16;

// UTF-16 text to the driver manager, NUL-terminated.
std::vector<SQLWCHAR> toSqlWChar(const QString& text);
// UTF-16 text from the driver manager; length in code units, every one kept.
QString fromSqlWChar(const SQLWCHAR* text, qsizetype length);

// The error for a failed call on a handle: SQLSTATE and native code of the first
// diagnostic record, the message text of every record (up to MaxDiagnosticRecords)
// joined by "\n". Without any record the description names the failed call.
DbError diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc, const char* call);

// True when any diagnostic record (up to MaxDiagnosticRecords) has the SQLSTATE.
bool hasSqlState(SQLSMALLINT handleType, SQLHANDLE handle, const char* sqlState);

// The one check of every ODBC return code. SQL_ERROR and SQL_INVALID_HANDLE
// throw DbError built from the handle's diagnostics; every other code (success,
// success with info, no data, need data) is returned for the caller to act on.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call);

// Owns one handle of one type. Move-only; the destructor frees the handle and
// never throws.
template <SQLSMALLINT Type> class Handle
{
public:
    Handle() noexcept = default;
    ~Handle() noexcept { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = SQL_NULL_HANDLE; }
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = other.m_handle;
            other.m_handle = SQL_NULL_HANDLE;
        }
        return *this;
    }

    SQLHANDLE get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != SQL_NULL_HANDLE; }

    // Frees the handle; failures are swallowed, as nothing sensible can follow them.
    void reset() noexcept
    {
        if (m_handle != SQL_NULL_HANDLE) {
            SQLFreeHandle(Type, m_handle);
            m_handle = SQL_NULL_HANDLE;
        }
    }

protected:
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

class EnvironmentHandle : public Handle<SQL_HANDLE_ENV>
{
public:
    // Allocates an environment set to ODBC 3 behaviour; throws DbError.
    static EnvironmentHandle allocate();
};

class ConnectionHandle : public Handle<SQL_HANDLE_DBC>
{
public:
    ConnectionHandle() noexcept = default;
    ~ConnectionHandle() noexcept { release(); }
    ConnectionHandle(ConnectionHandle&& other) noexcept
        : Handle(std::move(other)), m_connected(other.m_connected),
          m_disconnectFailure(std::move(other.m_disconnectFailure))
    {
        other.m_connected = false;
        other.m_disconnectFailure.reset();
    }
    ConnectionHandle& operator=(ConnectionHandle&& other) noexcept
    {
        if (this != &other) {
            release();
            Handle::operator=(std::move(other));
            m_connected = other.m_connected;
            m_disconnectFailure = std::move(other.m_disconnectFailure);
            other.m_connected = false;
            other.m_disconnectFailure.reset();
        }
        return *this;
    }

    // Throws DbError.
    static ConnectionHandle allocate(const EnvironmentHandle& environment);

    // SQLDriverConnectW without prompting; throws DbError with the driver's message.
    void connect(const QString& connectionString);
    bool isConnected() const noexcept { return m_connected; }
    // Ends the session, rolling back a transaction that keeps it open. Returns
    // false when the driver refused: the handle then stays connected (the driver
    // manager would not free it, and the server keeps the session) and
    // disconnectFailure() says why, so that the next disconnect or the free tries
    // again.
    bool disconnect() noexcept;
    const std::optional<DbError>& disconnectFailure() const noexcept { return m_disconnectFailure; }

private:
    // Disconnects and frees the handle; a session that still cannot be ended is
    // reported as a warning with the driver's reason.
    void release() noexcept;

    bool m_connected = false;
    std::optional<DbError> m_disconnectFailure;
};

class StatementHandle : public Handle<SQL_HANDLE_STMT>
{
public:
    // Throws DbError.
    static StatementHandle allocate(const ConnectionHandle& connection);
    SQLHSTMT hstmt() const noexcept { return m_handle; }
    // Checks a return code of a call on this statement.
    SQLRETURN check(SQLRETURN rc, const char* call) const
    {
        return odbc::check(rc, SQL_HANDLE_STMT, m_handle, call);
    }
    // Runs the text unchanged. Returns false when the statement touched no rows
    // (SQL_NO_DATA), which is not a failure.
    bool execDirect(const QString& sql);
};

} // namespace odbc
