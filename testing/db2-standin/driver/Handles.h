#pragma once

// The ODBC entry points of the DB2 stand-in driver. unixODBC loads this library
// under the driver name "IBM DB2 ODBC DRIVER"; every call lands here and goes to
// the engine (db2s::Session). Exceptions never cross into the driver manager:
// each entry point turns them into diagnostic records.
//
// The driver's private header: the handle structs and what the entry points of
// Connection.cpp, Statement.cpp and Information.cpp share. Nothing here leaves
// the library (exports.map keeps only the SQL* entry points).

#include "ServerDir.h"
#include "Session.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

static_assert(sizeof(SQLWCHAR) == 2, "the driver speaks UTF-16 SQLWCHAR");

namespace driver {

using db2s::Db2Error;

const char* const ClientPrefix = "[IBM][CLI Driver] ";
const char* const ServerPrefix = "[IBM][CLI Driver][DB2/LINUXX8664] ";

enum class Magic : unsigned
{
    Env = 0x44424531,
    Dbc = 0x44424332,
    Stmt = 0x44425333,
    Desc = 0x44424434
};

struct DiagRecord
{
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
};

struct Diagnostics
{
    std::vector<DiagRecord> records;
    SQLRETURN lastReturn = SQL_SUCCESS;
    void clear()
    {
        records.clear();
        lastReturn = SQL_SUCCESS;
    }
    void add(const std::string& state, SQLINTEGER native, const std::string& message)
    {
        records.push_back(DiagRecord{state, native, message});
    }
};

struct Env;
struct Dbc;
struct Stmt;

struct Desc
{
    Magic magic = Magic::Desc;
    Stmt* stmt = nullptr;
};

struct Env
{
    Magic magic = Magic::Env;
    Diagnostics diag;
    SQLINTEGER odbcVersion = SQL_OV_ODBC3;
};

struct Dbc
{
    Magic magic = Magic::Dbc;
    Diagnostics diag;
    Env* env = nullptr;
    std::recursive_mutex mutex;
    std::unique_ptr<db2s::Session> session;
    std::string folder;
    std::string database;
    std::string host;
    double statementDelayMs = 0;
    SQLULEN loginTimeout = 0;
    bool autocommit = true;
    bool broken = false; // the "server" went away: the connection is dead
    // DateTimeStringFormat of the connection string: JIS, ISO, EUR or USA.
    std::string dateTimeFormat = "JIS";
    // What an XML value in character or binary output starts with: the sum of 1 (a
    // byte-order mark in UTF-16), 2 (an XML declaration) and 4 (its encoding);
    // the XMLDeclaration keyword or SQL_ATTR_XML_DECLARATION, 7 by default.
    int xmlDeclaration = 7;
    // Test only: the LengthBits key of the driver's odbcinst.ini section holds 32,
    // so that lengths and indicators are written as IBM's libdb2.so writes them
    // under a 64-bit driver manager (see writeLength).
    bool lengths32 = false;
    std::set<Stmt*> statements;
};

struct ColumnRead
{
    bool started = false;
    bool done = false;
    SQLSMALLINT ctype = 0;
    std::string data; // converted bytes (UTF-8, UTF-16 or raw)
    size_t offset = 0;
};

struct Stmt
{
    Magic magic = Magic::Stmt;
    Diagnostics diag;
    Dbc* dbc = nullptr;
    std::unique_ptr<db2s::Cursor> cursor;
    bool onRow = false;
    bool exhausted = false;
    long long rowCount = -1;
    long long fetched = 0;
    std::vector<ColumnRead> reads;
    SQLULEN maxRows = 0;
    SQLULEN queryTimeout = 0;
    SQLULEN maxLength = 0;
    SQLULEN* rowsFetched = nullptr;
    SQLUSMALLINT* rowStatus = nullptr;
    SQLULEN metadataId = SQL_FALSE;
    int xmlDeclaration = -1; // SQL_ATTR_XML_DECLARATION of the statement; -1: the connection's
    std::atomic<bool> cancelled{false};
    Desc ard, apd, ird, ipd;
};

// Handles.cpp: text in UTF-8 and UTF-16, diagnostic records, handles told apart
// from stray pointers
std::string fromUtf16(const SQLWCHAR* text, SQLLEN length);
std::u16string toUtf16(const std::string& text);
SQLRETURN cliFailure(Diagnostics& diag, int code, const std::string& state,
                     const std::string& text);
SQLRETURN db2Failure(Diagnostics& diag, const Db2Error& error, bool connected);
Env* asEnv(SQLHANDLE handle);
Dbc* asDbc(SQLHANDLE handle);
Stmt* asStmt(SQLHANDLE handle);
Diagnostics* diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle);

// Statement.cpp: a statement's cursor, the server's state and round trip
void closeCursor(Stmt* stmt);
void checkServer(Dbc* dbc);
void statementDelay(Stmt* stmt);

// Connection.cpp
SQLRETURN freeHandle(SQLSMALLINT type, SQLHANDLE handle);

template <typename T> void setLength(T* out, long long value)
{
    if (out)
        *out = static_cast<T>(value);
}

// SQL_ATTR_XML_DECLARATION (IBM's sqlcli1.h).
constexpr SQLINTEGER AttrXmlDeclaration = 2552;

// Writes an 8-byte length or indicator (SQLLEN, SQLULEN) of the connection's
// statements. IBM's libdb2.so, built for 32-bit lengths, writes only the 4 bytes
// of the low half when a 64-bit driver manager hands it an 8-byte field, and
// leaves the rest as it was: that is what `lengths32` makes the stand-in do
// (x86-64 keeps the low half first).
template <typename T> void writeLength(const Dbc* dbc, T* out, long long value)
{
    static_assert(sizeof(T) == 8, "SQLLEN and SQLULEN are 8 bytes under unixODBC on 64-bit Linux");
    if (!out)
        return;
    if (dbc && dbc->lengths32) {
        const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
        std::memcpy(out, &low, sizeof low);
        return;
    }
    *out = static_cast<T>(value);
}

// Writes a string result. For a wide buffer `capacity` counts bytes when
// `bytes` is set and characters otherwise; the length written back uses the
// same unit. Returns SQL_SUCCESS_WITH_INFO (01004) when the text was cut.
template <typename L>
SQLRETURN putString(Diagnostics& diag, const std::string& text, bool wide, SQLPOINTER buffer,
                    SQLLEN capacity, bool bytes, L* length)
{
    bool truncated = false;
    if (!wide) {
        setLength(length, static_cast<long long>(text.size()));
        if (buffer && capacity > 0) {
            const size_t room = static_cast<size_t>(capacity) - 1;
            const size_t count = std::min(room, text.size());
            std::memcpy(buffer, text.data(), count);
            static_cast<char*>(buffer)[count] = '\0';
            truncated = count < text.size();
        } else if (buffer || capacity == 0) {
            truncated = !text.empty() || buffer;
        }
    } else {
        const std::u16string units = toUtf16(text);
        const long long unitSize = bytes ? 2 : 1;
        setLength(length, static_cast<long long>(units.size()) * unitSize);
        const SQLLEN characters = bytes ? capacity / 2 : capacity;
        if (buffer && characters > 0) {
            const size_t room = static_cast<size_t>(characters) - 1;
            const size_t count = std::min(room, units.size());
            SQLWCHAR* out = static_cast<SQLWCHAR*>(buffer);
            for (size_t i = 0; i < count; ++i)
                out[i] = units[i];
            out[count] = 0;
            truncated = count < units.size();
        } else if (buffer || capacity == 0) {
            truncated = true;
        }
    }
    if (truncated && buffer) {
        diag.add("01004", 0,
                 std::string(ClientPrefix) + "CLI0002W  Data truncated. SQLSTATE=01004");
        return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
}

// Runs an entry point's body; every exception becomes a diagnostic record.
template <typename F> SQLRETURN guarded(Diagnostics& diag, bool connected, F&& body)
{
    SQLRETURN rc;
    try {
        rc = body();
    } catch (const Db2Error& error) {
        rc = db2Failure(diag, error, connected);
    } catch (const std::bad_alloc&) {
        rc = cliFailure(diag, 120, "HY001", "Memory allocation failure.");
    } catch (const std::exception& error) {
        rc = cliFailure(diag, 100, "HY000", std::string("General error: ") + error.what());
    } catch (...) {
        rc = cliFailure(diag, 100, "HY000", "General error.");
    }
    diag.lastReturn = rc;
    return rc;
}

// Shared by the narrow and wide statement entry points.
template <typename F> SQLRETURN onStatement(SQLHSTMT handle, F&& body)
{
    Stmt* stmt = asStmt(handle);
    if (!stmt)
        return SQL_INVALID_HANDLE;
    std::lock_guard<std::recursive_mutex> lock(stmt->dbc->mutex);
    stmt->diag.clear();
    return guarded(stmt->diag, true, [&]() { return body(stmt); });
}

template <typename F> SQLRETURN onConnection(SQLHDBC handle, F&& body)
{
    Dbc* dbc = asDbc(handle);
    if (!dbc)
        return SQL_INVALID_HANDLE;
    std::lock_guard<std::recursive_mutex> lock(dbc->mutex);
    dbc->diag.clear();
    return guarded(dbc->diag, dbc->session != nullptr, [&]() { return body(dbc); });
}

} // namespace driver
