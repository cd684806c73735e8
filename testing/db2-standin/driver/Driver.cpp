// The ODBC entry points of the DB2 stand-in driver. unixODBC loads this library
// under the driver name "IBM DB2 ODBC DRIVER"; every call lands here and goes to
// the engine (db2s::Session). Exceptions never cross into the driver manager:
// each entry point turns them into diagnostic records.

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

namespace {

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
    std::mutex mutex;
    std::set<Dbc*> connections;
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
    SQLULEN txnIsolation = SQL_TXN_READ_COMMITTED;
    SQLULEN accessMode = SQL_MODE_READ_WRITE;
    std::set<Stmt*> statements;
};

struct Binding
{
    SQLSMALLINT type = SQL_C_CHAR;
    SQLPOINTER target = nullptr;
    SQLLEN length = 0;
    SQLLEN* indicator = nullptr;
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
    std::string prepared;
    bool isPrepared = false;
    std::vector<db2s::ColumnDesc> preparedColumns;
    std::vector<ColumnRead> reads;
    std::map<SQLUSMALLINT, Binding> bindings;
    SQLULEN maxRows = 0;
    SQLULEN queryTimeout = 0;
    SQLULEN maxLength = 0;
    SQLULEN* rowsFetched = nullptr;
    SQLUSMALLINT* rowStatus = nullptr;
    SQLULEN metadataId = SQL_FALSE;
    std::atomic<bool> cancelled{false};
    Desc ard, apd, ird, ipd;
};

// ---------------------------------------------------------------- text

std::string fromUtf16(const SQLWCHAR* text, SQLLEN length)
{
    std::string out;
    if (!text)
        return out;
    if (length == SQL_NTS) {
        length = 0;
        while (text[length])
            ++length;
    }
    if (length < 0)
        return out;
    out.reserve(static_cast<size_t>(length));
    for (SQLLEN i = 0; i < length; ++i) {
        unsigned int c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string toUtf16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned int code = 0xFFFD;
        size_t length = 1;
        if (c < 0x80) {
            code = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < n) {
            code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < n) {
            code = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            length = 3;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < n) {
            code = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                   ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
            length = 4;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                code = 0xFFFD;
                length = k;
                break;
            }
        }
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code > 0x10FFFF ? 0xFFFD : code);
        }
        i += length;
    }
    return out;
}

std::string fromNarrow(const SQLCHAR* text, SQLLEN length)
{
    if (!text)
        return std::string();
    if (length == SQL_NTS)
        return std::string(reinterpret_cast<const char*>(text));
    if (length < 0)
        return std::string();
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

template <typename T> void setLength(T* out, long long value)
{
    if (out)
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

// ---------------------------------------------------------------- errors

SQLRETURN cliFailure(Diagnostics& diag, int code, const std::string& state, const std::string& text)
{
    char id[16];
    std::snprintf(id, sizeof id, "CLI%04dE", code);
    diag.add(state, -99999, std::string(ClientPrefix) + id + "  " + text + " SQLSTATE=" + state);
    return SQL_ERROR;
}

bool isClientSide(const Db2Error& error)
{
    const std::string& text = error.text();
    return text.compare(0, 3, "CLI") == 0 || text.compare(0, 9, "SQL30081N") == 0 ||
           text.compare(0, 9, "SQL30082N") == 0 || text.compare(0, 9, "SQL30061N") == 0 ||
           text.compare(0, 8, "SQL1336N") == 0 || text.compare(0, 8, "SQL1013N") == 0;
}

SQLRETURN db2Failure(Diagnostics& diag, const Db2Error& error, bool connected)
{
    const char* prefix = connected && !isClientSide(error) ? ServerPrefix : ClientPrefix;
    diag.add(error.sqlState(), error.nativeCode(), prefix + error.text());
    return SQL_ERROR;
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

Env* asEnv(SQLHANDLE handle)
{
    Env* env = static_cast<Env*>(handle);
    return env && env->magic == Magic::Env ? env : nullptr;
}

Dbc* asDbc(SQLHANDLE handle)
{
    Dbc* dbc = static_cast<Dbc*>(handle);
    return dbc && dbc->magic == Magic::Dbc ? dbc : nullptr;
}

Stmt* asStmt(SQLHANDLE handle)
{
    Stmt* stmt = static_cast<Stmt*>(handle);
    return stmt && stmt->magic == Magic::Stmt ? stmt : nullptr;
}

Diagnostics* diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle)
{
    switch (type) {
    case SQL_HANDLE_ENV: {
        Env* env = asEnv(handle);
        return env ? &env->diag : nullptr;
    }
    case SQL_HANDLE_DBC: {
        Dbc* dbc = asDbc(handle);
        return dbc ? &dbc->diag : nullptr;
    }
    case SQL_HANDLE_STMT: {
        Stmt* stmt = asStmt(handle);
        return stmt ? &stmt->diag : nullptr;
    }
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------- statements

void closeCursor(Stmt* stmt)
{
    stmt->cursor.reset();
    stmt->onRow = false;
    stmt->exhausted = false;
    stmt->reads.clear();
    stmt->fetched = 0;
}

const std::vector<db2s::ColumnDesc>* columnsOf(const Stmt* stmt)
{
    if (stmt->cursor)
        return &stmt->cursor->columns();
    if (stmt->isPrepared)
        return &stmt->preparedColumns;
    return nullptr;
}

// The "server" going away: checked before every statement and fetch.
void checkServer(Dbc* dbc)
{
    if (!dbc->session)
        throw db2s::cliError(106, "08003", "Connection is closed.");
    if (dbc->broken)
        throw db2s::communicationError("127.0.0.1", "send", "\"32\", \"*\", \"0\"");
    const db2s::ServerDir server(dbc->folder);
    if (server.serverDown() || server.databaseDown(dbc->database)) {
        dbc->broken = true;
        throw db2s::communicationError("127.0.0.1", "recv", "\"104\", \"*\", \"0\"");
    }
}

// The network round trip a statement takes, cut short by SQLCancel or the query time-out.
void statementDelay(Stmt* stmt)
{
    const double delay = stmt->dbc->statementDelayMs;
    if (delay <= 0)
        return;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double, std::milli>(delay));
    while (Clock::now() < end) {
        if (stmt->cancelled.load())
            throw db2s::sqlError(952, "57014", "Processing was cancelled due to an interrupt.");
        if (stmt->queryTimeout > 0 &&
            Clock::now() - start >= std::chrono::seconds(static_cast<long>(stmt->queryTimeout)))
            throw db2s::sqlError(952, "57014", "Processing was cancelled due to an interrupt.");
        std::this_thread::sleep_for(
            std::min<Clock::duration>(end - Clock::now(), std::chrono::milliseconds(10)));
    }
}

// Test only: a statement that the server never answers while the database's hang
// file asks so, as an IBM client waits for a server that has stopped answering on an
// established connection (ReceiveTimeout 0, the default, waits for ever). SQLCancel
// and the query time-out end the wait as they end any statement.
void statementHang(Stmt* stmt, const std::string& sql)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const db2s::ServerDir server(stmt->dbc->folder);
    while (server.statementHangs(stmt->dbc->database, sql)) {
        if (stmt->cancelled.load())
            throw db2s::sqlError(952, "57014", "Processing was cancelled due to an interrupt.");
        if (stmt->queryTimeout > 0 &&
            Clock::now() - start >= std::chrono::seconds(static_cast<long>(stmt->queryTimeout)))
            throw db2s::sqlError(952, "57014", "Processing was cancelled due to an interrupt.");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

SQLRETURN execute(Stmt* stmt, const std::string& sql)
{
    if (stmt->cursor)
        return cliFailure(stmt->diag, 115, "24000", "Invalid cursor state.");
    stmt->rowCount = -1;
    stmt->cancelled = false;
    checkServer(stmt->dbc);
    statementDelay(stmt);
    statementHang(stmt, sql);
    db2s::Outcome outcome = stmt->dbc->session->execute(sql);
    if (outcome.cursor) {
        stmt->cursor = std::move(outcome.cursor);
        stmt->reads.assign(stmt->cursor->columns().size(), ColumnRead());
        stmt->rowCount = -1; // as the IBM driver reports on a forward-only cursor
        return SQL_SUCCESS;
    }
    stmt->rowCount = outcome.rowCount;
    if (outcome.rowCount == 0) {
        stmt->diag.add("02000", 100,
                       std::string(ServerPrefix) +
                           "SQL0100W  No row was found for FETCH, UPDATE or DELETE; or the result "
                           "of a query is an empty table.  SQLSTATE=02000");
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

// ---------------------------------------------------------------- data

SQLSMALLINT defaultCType(const db2s::ColType& type)
{
    using db2s::Kind;
    switch (type.kind) {
    case Kind::Graphic:
    case Kind::Vargraphic:
    case Kind::LongVargraphic:
    case Kind::Dbclob:
        return SQL_C_WCHAR;
    case Kind::Binary:
    case Kind::Varbinary:
    case Kind::Blob:
    case Kind::Xml:
        return SQL_C_BINARY;
    case Kind::Smallint:
        return SQL_C_SSHORT;
    case Kind::Integer:
        return SQL_C_SLONG;
    case Kind::Bigint:
        return SQL_C_SBIGINT;
    case Kind::Real:
        return SQL_C_FLOAT;
    case Kind::Double:
        return SQL_C_DOUBLE;
    case Kind::Date:
        return SQL_C_TYPE_DATE;
    case Kind::Time:
        return SQL_C_TYPE_TIME;
    case Kind::Timestamp:
        return SQL_C_TYPE_TIMESTAMP;
    case Kind::Boolean:
        return SQL_C_BIT;
    default:
        return SQL_C_CHAR;
    }
}

bool numberOf(const db2s::SqlValue& value, double& out)
{
    switch (value.storage) {
    case db2s::SqlValue::Storage::Integer:
        out = static_cast<double>(value.i);
        return true;
    case db2s::SqlValue::Storage::Real:
        out = value.r;
        return true;
    case db2s::SqlValue::Storage::Text:
        return db2s::parseDouble(value.s, out);
    default:
        return false;
    }
}

int digitsAt(const std::string& s, size_t at, size_t count)
{
    int v = 0;
    for (size_t i = at; i < at + count && i < s.size(); ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

// A fixed-size C value (number, date, time, timestamp) from the column's value.
SQLRETURN fixedValue(Stmt* stmt, SQLSMALLINT ctype, const db2s::SqlValue& value,
                     const db2s::ColType& type, SQLPOINTER target, SQLLEN* indicator)
{
    Diagnostics& diag = stmt->diag;
    auto store = [&](auto v) {
        if (target)
            std::memcpy(target, &v, sizeof v);
        setLength(indicator, static_cast<long long>(sizeof v));
    };
    SQLRETURN rc = SQL_SUCCESS;
    switch (ctype) {
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME:
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
        const std::string text = db2s::valueText(value, type);
        SQL_TIMESTAMP_STRUCT ts{};
        if (type.kind == db2s::Kind::Date || type.kind == db2s::Kind::Timestamp) {
            if (text.size() < 10)
                return cliFailure(diag, 113, "22007", "Invalid datetime format.");
            ts.year = static_cast<SQLSMALLINT>(digitsAt(text, 0, 4));
            ts.month = static_cast<SQLUSMALLINT>(digitsAt(text, 5, 2));
            ts.day = static_cast<SQLUSMALLINT>(digitsAt(text, 8, 2));
        }
        if (type.kind == db2s::Kind::Time || type.kind == db2s::Kind::Timestamp) {
            const size_t at = type.kind == db2s::Kind::Time ? 0 : 11;
            ts.hour = static_cast<SQLUSMALLINT>(digitsAt(text, at, 2));
            ts.minute = static_cast<SQLUSMALLINT>(digitsAt(text, at + 3, 2));
            ts.second = static_cast<SQLUSMALLINT>(digitsAt(text, at + 6, 2));
            if (type.kind == db2s::Kind::Timestamp && text.size() > 20) {
                std::string fraction = text.substr(20, 9);
                fraction.resize(9, '0');
                ts.fraction = static_cast<SQLUINTEGER>(std::stoul(fraction));
            }
        }
        if (!db2s::isDatetime(type.kind))
            return cliFailure(diag, 112, "07006", "Restricted data type attribute violation.");
        if (ctype == SQL_C_TYPE_DATE || ctype == SQL_C_DATE) {
            SQL_DATE_STRUCT d{ts.year, ts.month, ts.day};
            store(d);
        } else if (ctype == SQL_C_TYPE_TIME || ctype == SQL_C_TIME) {
            SQL_TIME_STRUCT t{ts.hour, ts.minute, ts.second};
            store(t);
        } else {
            store(ts);
        }
        return SQL_SUCCESS;
    }
    default:
        break;
    }
    double number = 0;
    if (value.storage == db2s::SqlValue::Storage::Blob || db2s::isDatetime(type.kind) ||
        !numberOf(value, number))
        return cliFailure(diag, 112, "22018",
                          "The value cannot be converted to the requested type.");
    const bool integral = ctype != SQL_C_DOUBLE && ctype != SQL_C_FLOAT;
    double whole = std::trunc(number);
    if (integral && whole != number) {
        diag.add("01S07", 0,
                 std::string(ClientPrefix) + "CLI0111W  Fractional truncation. SQLSTATE=01S07");
        rc = SQL_SUCCESS_WITH_INFO;
    }
    auto inRange = [&](double low, double high) { return whole >= low && whole <= high; };
    auto overflow = [&]() { return cliFailure(diag, 111, "22003", "Numeric value out of range."); };
    switch (ctype) {
    case SQL_C_BIT:
        if (number < 0 || number >= 2)
            return overflow();
        store(static_cast<unsigned char>(number != 0 ? 1 : 0));
        return rc;
    case SQL_C_STINYINT:
    case SQL_C_TINYINT:
        if (!inRange(-128, 127))
            return overflow();
        store(static_cast<signed char>(whole));
        return rc;
    case SQL_C_UTINYINT:
        if (!inRange(0, 255))
            return overflow();
        store(static_cast<unsigned char>(whole));
        return rc;
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
        if (!inRange(-32768, 32767))
            return overflow();
        store(static_cast<SQLSMALLINT>(whole));
        return rc;
    case SQL_C_USHORT:
        if (!inRange(0, 65535))
            return overflow();
        store(static_cast<SQLUSMALLINT>(whole));
        return rc;
    case SQL_C_SLONG:
    case SQL_C_LONG:
        if (!inRange(-2147483648.0, 2147483647.0))
            return overflow();
        store(static_cast<SQLINTEGER>(whole));
        return rc;
    case SQL_C_ULONG:
        if (!inRange(0, 4294967295.0))
            return overflow();
        store(static_cast<SQLUINTEGER>(whole));
        return rc;
    case SQL_C_SBIGINT:
        if (value.storage == db2s::SqlValue::Storage::Integer) {
            store(static_cast<SQLBIGINT>(value.i));
            return rc;
        }
        if (!inRange(-9.2233720368547758e18, 9.2233720368547758e18))
            return overflow();
        store(static_cast<SQLBIGINT>(whole));
        return rc;
    case SQL_C_UBIGINT:
        if (value.storage == db2s::SqlValue::Storage::Integer) {
            if (value.i < 0)
                return overflow();
            store(static_cast<SQLUBIGINT>(value.i));
            return rc;
        }
        if (!inRange(0, 1.8446744073709552e19))
            return overflow();
        store(static_cast<SQLUBIGINT>(whole));
        return rc;
    case SQL_C_DOUBLE:
        store(static_cast<SQLDOUBLE>(number));
        return SQL_SUCCESS;
    case SQL_C_FLOAT:
        if (std::fabs(number) > 3.4028234663852886e38)
            return overflow();
        store(static_cast<SQLREAL>(number));
        return SQL_SUCCESS;
    default:
        break;
    }
    return cliFailure(diag, 122, "HY003", "Program type out of range.");
}

bool isFixedCType(SQLSMALLINT ctype)
{
    switch (ctype) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR:
    case SQL_C_BINARY:
        return false;
    default:
        return true;
    }
}

// The decimal separator of DECIMAL, REAL, DOUBLE and DECFLOAT values delivered as
// characters. IBM's driver writes "the default locale's decimal separator" there
// unless its Patch2 keyword holds 15 ("Causes a period separator to be used
// instead of the default locale's decimal separator in character output"; Db2
// 11.5, CLI/ODBC keyword CLIPatch2). The locale is the one the environment names
// (LC_ALL, LC_NUMERIC, LANG), read by the driver itself and not taken from the
// application's setlocale. Patch2 is read from the driver's odbcinst.ini section,
// a comma-separated list as in db2cli.ini.
const std::string& characterDecimalSeparator()
{
    static const std::string separator = [] {
        std::string patches = db2s::ServerDir::driverKeyword("Patch2");
        size_t start = 0;
        while (start <= patches.size()) {
            size_t end = patches.find(',', start);
            if (end == std::string::npos)
                end = patches.size();
            std::string item = patches.substr(start, end - start);
            item.erase(0, item.find_first_not_of(" \t\""));
            const size_t last = item.find_last_not_of(" \t\"");
            item.erase(last == std::string::npos ? 0 : last + 1);
            if (item == "15")
                return std::string(".");
            start = end + 1;
        }
        std::string point = ".";
        if (locale_t environment = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr))) {
            const char* radix = nl_langinfo_l(RADIXCHAR, environment);
            if (radix && *radix)
                point = radix;
            freelocale(environment);
        }
        return point;
    }();
    return separator;
}

// A value as the driver delivers it in character output.
std::string characterText(const db2s::SqlValue& value, const db2s::ColType& type)
{
    std::string text = db2s::valueText(value, type);
    switch (type.kind) {
    case db2s::Kind::Decimal:
    case db2s::Kind::Real:
    case db2s::Kind::Double:
    case db2s::Kind::Decfloat: {
        const std::string& separator = characterDecimalSeparator();
        const size_t point = text.find('.');
        if (separator != "." && point != std::string::npos)
            text.replace(point, 1, separator);
        break;
    }
    default:
        break;
    }
    return text;
}

// A date, time or timestamp (in JIS form, as the engine gives it) in the form
// that DateTimeStringFormat names, as the IBM driver gives them as character data.
std::string dateTimeText(const std::string& jis, db2s::Kind kind, const std::string& format)
{
    if (format == "JIS" || jis.empty())
        return jis;
    auto time = [&](const std::string& t) {
        if (format == "USA") {
            int hour = std::stoi(t.substr(0, 2));
            const char* half = hour < 12 ? " AM" : " PM";
            hour = hour % 12 == 0 ? 12 : hour % 12;
            char text[16];
            std::snprintf(text, sizeof text, "%02d:%s%s", hour, t.substr(3, 2).c_str(), half);
            return std::string(text);
        }
        std::string dotted = t.substr(0, 8);
        dotted[2] = dotted[5] = '.';
        return dotted;
    };
    if (kind == db2s::Kind::Date) {
        if (format == "EUR")
            return jis.substr(8, 2) + "." + jis.substr(5, 2) + "." + jis.substr(0, 4);
        if (format == "USA")
            return jis.substr(5, 2) + "/" + jis.substr(8, 2) + "/" + jis.substr(0, 4);
        return jis;
    }
    if (kind == db2s::Kind::Time)
        return time(jis);
    // Timestamps keep the default form except in ISO.
    if (format == "ISO" && jis.size() >= 19)
        return jis.substr(0, 10) + "-" + time(jis.substr(11, 8)) + jis.substr(19);
    return jis;
}

// SQLGetData for one column: variable-length data in pieces, fixed data once.
SQLRETURN getData(Stmt* stmt, SQLUSMALLINT column, SQLSMALLINT ctype, SQLPOINTER target,
                  SQLLEN bufferLength, SQLLEN* indicator)
{
    Diagnostics& diag = stmt->diag;
    if (!stmt->cursor || !stmt->onRow)
        return cliFailure(diag, 115, "24000", "Invalid cursor state.");
    const auto& columns = stmt->cursor->columns();
    if (column < 1 || column > columns.size())
        return cliFailure(diag, 122, "07009", "Invalid descriptor index.");
    const size_t index = column - 1u;
    const db2s::ColType& type = columns[index].type;
    const db2s::SqlValue& value = stmt->cursor->row()[index];
    if (ctype == SQL_C_DEFAULT)
        ctype = defaultCType(type);
    if (ctype == SQL_ARD_TYPE)
        ctype = SQL_C_CHAR;
    ColumnRead& read = stmt->reads[index];
    if (read.done)
        return SQL_NO_DATA;
    if (value.isNull()) {
        if (!indicator)
            return cliFailure(diag, 118, "22002", "Indicator variable required but not supplied.");
        *indicator = SQL_NULL_DATA;
        read.done = true;
        return SQL_SUCCESS;
    }
    if (isFixedCType(ctype)) {
        const SQLRETURN rc = fixedValue(stmt, ctype, value, type, target, indicator);
        if (SQL_SUCCEEDED(rc))
            read.done = true;
        return rc;
    }
    // Test only: a value whose text is $DB2STANDIN_UNREADABLE_VALUE cannot be read,
    // as a value the driver fails to convert.
    if (const char* unreadable = std::getenv("DB2STANDIN_UNREADABLE_VALUE");
        unreadable && *unreadable && db2s::valueText(value, type) == unreadable)
        return cliFailure(diag, 112, "22005", "Error in assignment.");
    if (!read.started || read.ctype != ctype) {
        read = ColumnRead();
        read.started = true;
        read.ctype = ctype;
        const bool binaryColumn = db2s::isBinary(type.kind);
        if (ctype == SQL_C_BINARY) {
            read.data = binaryColumn ? value.s : db2s::valueText(value, type);
        } else if (ctype == SQL_C_CHAR) {
            read.data = characterText(value, type);
        } else if (ctype == SQL_C_WCHAR) {
            const std::u16string units = toUtf16(characterText(value, type));
            read.data.assign(reinterpret_cast<const char*>(units.data()), units.size() * 2);
        } else {
            return cliFailure(diag, 122, "HY003", "Program type out of range.");
        }
        if (db2s::isDatetime(type.kind) && (ctype == SQL_C_CHAR || ctype == SQL_C_WCHAR)) {
            const std::string text =
                dateTimeText(db2s::valueText(value, type), type.kind, stmt->dbc->dateTimeFormat);
            if (ctype == SQL_C_CHAR) {
                read.data = text;
            } else {
                const std::u16string units = toUtf16(text);
                read.data.assign(reinterpret_cast<const char*>(units.data()), units.size() * 2);
            }
        }
    }
    if (bufferLength < 0)
        return cliFailure(diag, 124, "HY090", "Invalid string or buffer length.");
    const size_t remaining = read.data.size() - read.offset;
    const size_t terminator = ctype == SQL_C_CHAR ? 1 : ctype == SQL_C_WCHAR ? 2 : 0;
    setLength(indicator, static_cast<long long>(remaining));
    size_t room = static_cast<size_t>(bufferLength) > terminator
                      ? static_cast<size_t>(bufferLength) - terminator
                      : 0;
    if (ctype == SQL_C_WCHAR)
        room &= ~static_cast<size_t>(1);
    if (!target)
        room = 0;
    const size_t count = std::min(room, remaining);
    if (target && count > 0)
        std::memcpy(target, read.data.data() + read.offset, count);
    if (target && static_cast<size_t>(bufferLength) >= terminator && terminator > 0 &&
        bufferLength > 0)
        std::memset(static_cast<char*>(target) + count, 0, terminator);
    read.offset += count;
    if (count < remaining) {
        diag.add("01004", 0,
                 std::string(ClientPrefix) + "CLI0002W  Data truncated. SQLSTATE=01004");
        return SQL_SUCCESS_WITH_INFO;
    }
    read.done = true;
    return SQL_SUCCESS;
}

SQLRETURN fetch(Stmt* stmt)
{
    if (!stmt->cursor)
        return cliFailure(stmt->diag, 115, "24000", "Invalid cursor state.");
    if (stmt->rowsFetched)
        *stmt->rowsFetched = 0;
    if (stmt->exhausted ||
        (stmt->maxRows > 0 && stmt->fetched >= static_cast<long long>(stmt->maxRows))) {
        stmt->onRow = false;
        stmt->exhausted = true;
        return SQL_NO_DATA;
    }
    try {
        checkServer(stmt->dbc);
        if (!stmt->cursor->next()) {
            stmt->onRow = false;
            stmt->exhausted = true;
            return SQL_NO_DATA;
        }
    } catch (...) {
        closeCursor(stmt);
        throw;
    }
    ++stmt->fetched;
    stmt->onRow = true;
    for (ColumnRead& read : stmt->reads)
        read = ColumnRead();
    if (stmt->rowsFetched)
        *stmt->rowsFetched = 1;
    if (stmt->rowStatus)
        stmt->rowStatus[0] = SQL_ROW_SUCCESS;
    SQLRETURN result = SQL_SUCCESS;
    for (auto& entry : stmt->bindings) {
        const Binding& b = entry.second;
        if (entry.first < 1 || entry.first > stmt->reads.size())
            continue;
        stmt->reads[entry.first - 1u] = ColumnRead();
        const SQLRETURN rc = getData(stmt, entry.first, b.type, b.target, b.length, b.indicator);
        stmt->reads[entry.first - 1u] = ColumnRead();
        if (rc == SQL_ERROR) {
            if (stmt->rowStatus)
                stmt->rowStatus[0] = SQL_ROW_ERROR;
            return SQL_ERROR;
        }
        if (rc == SQL_SUCCESS_WITH_INFO)
            result = SQL_SUCCESS_WITH_INFO;
    }
    return result;
}

// ---------------------------------------------------------------- catalog and metadata

std::optional<std::string> argument(const SQLCHAR* text, SQLSMALLINT length)
{
    if (!text)
        return std::nullopt;
    return fromNarrow(text, length);
}

std::optional<std::string> argument(const SQLWCHAR* text, SQLSMALLINT length)
{
    if (!text)
        return std::nullopt;
    return fromUtf16(text, length);
}

SQLRETURN tables(Stmt* stmt, db2s::TableFilter filter)
{
    if (stmt->cursor)
        return cliFailure(stmt->diag, 115, "24000", "Invalid cursor state.");
    checkServer(stmt->dbc);
    statementDelay(stmt);
    stmt->cursor = stmt->dbc->session->tables(filter);
    stmt->reads.assign(stmt->cursor->columns().size(), ColumnRead());
    stmt->rowCount = -1;
    return SQL_SUCCESS;
}

SQLRETURN describeColumn(Stmt* stmt, SQLUSMALLINT column, bool wide, SQLPOINTER name,
                         SQLSMALLINT bufferLength, SQLSMALLINT* nameLength, SQLSMALLINT* dataType,
                         SQLULEN* columnSize, SQLSMALLINT* decimalDigits, SQLSMALLINT* nullable)
{
    const auto* columns = columnsOf(stmt);
    if (!columns || columns->empty())
        return cliFailure(stmt->diag, 125, "07005", "The statement does not return a result set.");
    if (column < 1 || column > columns->size())
        return cliFailure(stmt->diag, 122, "07009", "Invalid descriptor index.");
    const db2s::ColumnDesc& desc = (*columns)[column - 1u];
    setLength(dataType, db2s::odbcTypeCode(desc.type));
    setLength(columnSize, db2s::columnSize(desc.type));
    setLength(decimalDigits, db2s::decimalDigits(desc.type));
    setLength(nullable, desc.nullable ? SQL_NULLABLE : SQL_NO_NULLS);
    return putString(stmt->diag, desc.name, wide, name, bufferLength, false, nameLength);
}

std::string cliTypeName(const db2s::ColType& type)
{
    if (type.kind == db2s::Kind::Char)
        return "CHAR";
    return db2s::typeName(type);
}

SQLRETURN colAttribute(Stmt* stmt, SQLUSMALLINT column, SQLUSMALLINT field, bool wide,
                       SQLPOINTER characterAttribute, SQLSMALLINT bufferLength,
                       SQLSMALLINT* stringLength, SQLLEN* numericAttribute)
{
    const auto* columns = columnsOf(stmt);
    if (!columns)
        return cliFailure(stmt->diag, 125, "HY010", "Function sequence error.");
    if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
        setLength(numericAttribute, static_cast<long long>(columns->size()));
        return SQL_SUCCESS;
    }
    if (column < 1 || column > columns->size())
        return cliFailure(stmt->diag, 122, "07009", "Invalid descriptor index.");
    const db2s::ColumnDesc& desc = (*columns)[column - 1u];
    const db2s::ColType& type = desc.type;
    const int code = db2s::odbcTypeCode(type);
    auto number = [&](long long v) {
        setLength(numericAttribute, v);
        return SQL_SUCCESS;
    };
    auto text = [&](const std::string& v) {
        return putString(stmt->diag, v, wide, characterAttribute, bufferLength, true, stringLength);
    };
    const bool numeric = db2s::isNumeric(type.kind);
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_COLUMN_NAME:
    case SQL_DESC_LABEL:
    case SQL_DESC_BASE_COLUMN_NAME:
        return text(desc.name);
    case SQL_DESC_TYPE:
        return number(db2s::isDatetime(type.kind) ? SQL_DATETIME : code);
    case SQL_DESC_CONCISE_TYPE:
        return number(code); // SQL_COLUMN_TYPE as well
    case SQL_DESC_LENGTH:
        return number(db2s::columnSize(type));
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
        return number(db2s::octetLength(type));
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_PRECISION:
        return number(db2s::isDatetime(type.kind) ? type.scale : db2s::columnSize(type));
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE:
        return number(db2s::decimalDigits(type));
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE:
        return number(desc.nullable ? SQL_NULLABLE : SQL_NO_NULLS);
    case SQL_DESC_UNSIGNED:
        return number(numeric ? SQL_FALSE : SQL_TRUE);
    case SQL_DESC_DISPLAY_SIZE:
        return number(db2s::displaySize(type));
    case SQL_DESC_TYPE_NAME:
        return text(cliTypeName(type));
    case SQL_DESC_LOCAL_TYPE_NAME:
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME:
        return text(std::string());
    case SQL_DESC_LITERAL_PREFIX:
        return text(db2s::isString(type.kind) || db2s::isDatetime(type.kind) ? "'"
                    : db2s::isBinary(type.kind)                              ? "X'"
                                                                             : "");
    case SQL_DESC_LITERAL_SUFFIX:
        return text(db2s::isString(type.kind) || db2s::isDatetime(type.kind) ||
                            db2s::isBinary(type.kind)
                        ? "'"
                        : "");
    case SQL_DESC_AUTO_UNIQUE_VALUE:
        return number(SQL_FALSE);
    case SQL_DESC_CASE_SENSITIVE:
        return number(db2s::isString(type.kind) ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_FIXED_PREC_SCALE:
        return number(SQL_FALSE);
    case SQL_DESC_SEARCHABLE:
        return number(type.kind == db2s::Kind::Clob || type.kind == db2s::Kind::Blob ||
                              type.kind == db2s::Kind::Dbclob || type.kind == db2s::Kind::Xml ||
                              type.kind == db2s::Kind::LongVarchar
                          ? SQL_PRED_CHAR
                          : SQL_PRED_SEARCHABLE);
    case SQL_DESC_UPDATABLE:
        return number(SQL_ATTR_READWRITE_UNKNOWN);
    case SQL_DESC_UNNAMED:
        return number(SQL_NAMED);
    case SQL_DESC_NUM_PREC_RADIX:
        return number(type.kind == db2s::Kind::Real || type.kind == db2s::Kind::Double ? 2
                      : numeric                                                        ? 10
                                                                                       : 0);
    default:
        break;
    }
    return cliFailure(stmt->diag, 122, "HY091", "Descriptor type out of range.");
}

// ---------------------------------------------------------------- connections

SQLRETURN driverConnect(Dbc* dbc, const std::string& in, bool wide, SQLPOINTER out,
                        SQLSMALLINT outLength, SQLSMALLINT* outWritten)
{
    if (dbc->session)
        return cliFailure(dbc->diag, 103, "08002", "Connection name in use.");
    const db2s::ConnectParams params = db2s::parseConnectionString(in);
    std::unique_ptr<db2s::Session> session =
        db2s::connect(params, static_cast<long>(dbc->loginTimeout));
    const std::string folder = db2s::ServerDir::locate();
    const db2s::ServerDir server(folder);
    dbc->folder = folder;
    dbc->database = session->databaseName();
    dbc->host = params.get("HOSTNAME");
    dbc->statementDelayMs = server.statementDelayMs(dbc->database, server.readConfig());
    dbc->broken = false;
    dbc->dateTimeFormat = "JIS";
    std::string format = params.get("DATETIMESTRINGFORMAT");
    for (char& c : format)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (format == "ISO" || format == "EUR" || format == "USA")
        dbc->dateTimeFormat = format;
    session->setAutocommit(dbc->autocommit);
    dbc->session = std::move(session);
    if (out || outWritten)
        return putString(dbc->diag, in, wide, out, outLength, false, outWritten);
    return SQL_SUCCESS;
}

SQLRETURN endTransaction(Dbc* dbc, SQLSMALLINT completion)
{
    if (!dbc->session)
        return cliFailure(dbc->diag, 106, "08003", "Connection is closed.");
    if (completion == SQL_COMMIT) {
        dbc->session->commit();
    } else if (completion == SQL_ROLLBACK) {
        for (Stmt* stmt : dbc->statements)
            closeCursor(stmt); // a rollback closes cursors
        dbc->session->rollback();
    } else {
        return cliFailure(dbc->diag, 124, "HY012", "Invalid transaction operation code.");
    }
    return SQL_SUCCESS;
}

SQLRETURN setConnectAttr(Dbc* dbc, SQLINTEGER attribute, SQLPOINTER value)
{
    const SQLULEN number = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value));
    switch (attribute) {
    case SQL_ATTR_LOGIN_TIMEOUT:
        dbc->loginTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_AUTOCOMMIT:
        dbc->autocommit = number != SQL_AUTOCOMMIT_OFF;
        if (dbc->session)
            dbc->session->setAutocommit(dbc->autocommit);
        return SQL_SUCCESS;
    case SQL_ATTR_TXN_ISOLATION:
        dbc->txnIsolation = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ACCESS_MODE:
        dbc->accessMode = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_PACKET_SIZE:
    case SQL_ATTR_QUIET_MODE:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_CURRENT_CATALOG:
    case SQL_ATTR_ODBC_CURSORS:
    case SQL_ATTR_TRACE:
    case SQL_ATTR_TRACEFILE:
    case SQL_ATTR_TRANSLATE_LIB:
    case SQL_ATTR_TRANSLATE_OPTION:
    case 1065: // SQL_ATTR_ANSI_APP, set by unixODBC
        return SQL_SUCCESS;
    default:
        break;
    }
    return cliFailure(dbc->diag, 133, "HY092", "Option type out of range.");
}

SQLRETURN getConnectAttr(Dbc* dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length,
                         SQLINTEGER* written, bool wide)
{
    auto number = [&](SQLUINTEGER v) {
        if (value)
            *static_cast<SQLUINTEGER*>(value) = v;
        setLength(written, static_cast<long long>(sizeof(SQLUINTEGER)));
        return SQL_SUCCESS;
    };
    switch (attribute) {
    case SQL_ATTR_LOGIN_TIMEOUT:
        return number(static_cast<SQLUINTEGER>(dbc->loginTimeout));
    case SQL_ATTR_AUTOCOMMIT:
        return number(dbc->autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    case SQL_ATTR_TXN_ISOLATION:
        return number(static_cast<SQLUINTEGER>(dbc->txnIsolation));
    case SQL_ATTR_ACCESS_MODE:
        return number(static_cast<SQLUINTEGER>(dbc->accessMode));
    case SQL_ATTR_CONNECTION_DEAD:
        return number(!dbc->session || dbc->broken ? SQL_CD_TRUE : SQL_CD_FALSE);
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_QUIET_MODE:
        return number(0);
    case SQL_ATTR_PACKET_SIZE:
        return number(32767);
    case SQL_ATTR_ASYNC_ENABLE:
        return number(SQL_ASYNC_ENABLE_OFF);
    case SQL_ATTR_METADATA_ID:
        return number(SQL_FALSE);
    case SQL_ATTR_CURRENT_CATALOG:
        return putString(dbc->diag, dbc->database, wide, value, length, true, written);
    default:
        break;
    }
    return cliFailure(dbc->diag, 133, "HY092", "Option type out of range.");
}

SQLRETURN setStmtAttr(Stmt* stmt, SQLINTEGER attribute, SQLPOINTER value)
{
    const SQLULEN number = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value));
    auto changed = [&]() {
        stmt->diag.add("01S02", 0,
                       std::string(ClientPrefix) +
                           "CLI0005W  Option value changed. SQLSTATE=01S02");
        return SQL_SUCCESS_WITH_INFO;
    };
    switch (attribute) {
    case SQL_ATTR_CURSOR_TYPE:
        return number == SQL_CURSOR_FORWARD_ONLY ? SQL_SUCCESS : changed();
    case SQL_ATTR_CONCURRENCY:
        return number == SQL_CONCUR_READ_ONLY ? SQL_SUCCESS : changed();
    case SQL_ATTR_CURSOR_SCROLLABLE:
        return number == SQL_NONSCROLLABLE ? SQL_SUCCESS : changed();
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
        return number == 1 ? SQL_SUCCESS : changed();
    case SQL_ATTR_ROW_BIND_TYPE:
        return number == SQL_BIND_BY_COLUMN ? SQL_SUCCESS : changed();
    case SQL_ATTR_MAX_ROWS:
        stmt->maxRows = number;
        return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
        stmt->queryTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_LENGTH:
        stmt->maxLength = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        stmt->rowsFetched = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
        stmt->rowStatus = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_METADATA_ID:
        stmt->metadataId = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ASYNC_ENABLE:
        return number == SQL_ASYNC_ENABLE_OFF ? SQL_SUCCESS : changed();
    case SQL_ATTR_CURSOR_SENSITIVITY:
    case SQL_ATTR_NOSCAN:
    case SQL_ATTR_RETRIEVE_DATA:
    case SQL_ATTR_USE_BOOKMARKS:
    case SQL_ATTR_ENABLE_AUTO_IPD:
    case SQL_ATTR_PARAMSET_SIZE:
    case SQL_ATTR_PARAM_BIND_TYPE:
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
    case SQL_ATTR_PARAM_STATUS_PTR:
    case SQL_ATTR_PARAM_OPERATION_PTR:
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
    case SQL_ATTR_ROW_OPERATION_PTR:
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_KEYSET_SIZE:
    case SQL_ATTR_SIMULATE_CURSOR:
        return SQL_SUCCESS;
    default:
        break;
    }
    return cliFailure(stmt->diag, 133, "HY092", "Option type out of range.");
}

SQLRETURN getStmtAttr(Stmt* stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* written)
{
    auto number = [&](SQLULEN v) {
        if (value)
            *static_cast<SQLULEN*>(value) = v;
        setLength(written, static_cast<long long>(sizeof(SQLULEN)));
        return SQL_SUCCESS;
    };
    auto pointer = [&](void* p) {
        if (value)
            *static_cast<SQLPOINTER*>(value) = p;
        setLength(written, static_cast<long long>(sizeof(SQLPOINTER)));
        return SQL_SUCCESS;
    };
    switch (attribute) {
    case SQL_ATTR_APP_ROW_DESC:
        return pointer(&stmt->ard);
    case SQL_ATTR_APP_PARAM_DESC:
        return pointer(&stmt->apd);
    case SQL_ATTR_IMP_ROW_DESC:
        return pointer(&stmt->ird);
    case SQL_ATTR_IMP_PARAM_DESC:
        return pointer(&stmt->ipd);
    case SQL_ATTR_CURSOR_TYPE:
        return number(SQL_CURSOR_FORWARD_ONLY);
    case SQL_ATTR_CONCURRENCY:
        return number(SQL_CONCUR_READ_ONLY);
    case SQL_ATTR_CURSOR_SCROLLABLE:
        return number(SQL_NONSCROLLABLE);
    case SQL_ATTR_CURSOR_SENSITIVITY:
        return number(SQL_UNSPECIFIED);
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
        return number(1);
    case SQL_ATTR_ROW_BIND_TYPE:
        return number(SQL_BIND_BY_COLUMN);
    case SQL_ATTR_MAX_ROWS:
        return number(stmt->maxRows);
    case SQL_ATTR_QUERY_TIMEOUT:
        return number(stmt->queryTimeout);
    case SQL_ATTR_MAX_LENGTH:
        return number(stmt->maxLength);
    case SQL_ATTR_ROWS_FETCHED_PTR:
        return pointer(stmt->rowsFetched);
    case SQL_ATTR_ROW_STATUS_PTR:
        return pointer(stmt->rowStatus);
    case SQL_ATTR_METADATA_ID:
        return number(stmt->metadataId);
    case SQL_ATTR_ASYNC_ENABLE:
        return number(SQL_ASYNC_ENABLE_OFF);
    case SQL_ATTR_NOSCAN:
        return number(SQL_NOSCAN_OFF);
    case SQL_ATTR_RETRIEVE_DATA:
        return number(SQL_RD_ON);
    case SQL_ATTR_USE_BOOKMARKS:
        return number(SQL_UB_OFF);
    case SQL_ATTR_PARAMSET_SIZE:
        return number(1);
    case SQL_ATTR_ROW_NUMBER:
        return number(stmt->onRow ? static_cast<SQLULEN>(stmt->fetched) : 0);
    case SQL_ATTR_KEYSET_SIZE:
        return number(0);
    case SQL_ATTR_ENABLE_AUTO_IPD:
        return number(SQL_FALSE);
    default:
        break;
    }
    return cliFailure(stmt->diag, 133, "HY092", "Option type out of range.");
}

// ---------------------------------------------------------------- SQLGetInfo

SQLRETURN getInfo(Dbc* dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT length,
                  SQLSMALLINT* written, bool wide)
{
    auto text = [&](const std::string& v) {
        return putString(dbc->diag, v, wide, value, length, true, written);
    };
    auto small = [&](SQLUSMALLINT v) {
        if (value)
            *static_cast<SQLUSMALLINT*>(value) = v;
        setLength(written, 2);
        return SQL_SUCCESS;
    };
    auto integer = [&](SQLUINTEGER v) {
        if (value)
            *static_cast<SQLUINTEGER*>(value) = v;
        setLength(written, 4);
        return SQL_SUCCESS;
    };
    const std::string database = dbc->database;
    const std::string user = dbc->session ? dbc->session->user() : std::string();
    switch (type) {
    case SQL_DRIVER_NAME:
        return text("libdb2standin.so");
    case SQL_DRIVER_VER:
        return text("11.05.0900");
    case SQL_DRIVER_ODBC_VER:
        return text("03.51");
    case SQL_ODBC_VER:
        return text("03.51.0000");
    case SQL_DBMS_NAME:
        return text("DB2/LINUXX8664");
    case SQL_DBMS_VER:
        return text("11.05.0900");
    case SQL_DATABASE_NAME:
        return text(database);
    case SQL_DATA_SOURCE_NAME:
        return text(database);
    case SQL_SERVER_NAME:
        return text("DB2");
    case SQL_USER_NAME:
        return text(user);
    case SQL_IDENTIFIER_QUOTE_CHAR:
        return text("\"");
    case SQL_CATALOG_NAME_SEPARATOR:
        return text(".");
    case SQL_CATALOG_TERM:
        return text("");
    case SQL_SCHEMA_TERM:
        return text("schema");
    case SQL_TABLE_TERM:
        return text("table");
    case SQL_PROCEDURE_TERM:
        return text("stored procedure");
    case SQL_SEARCH_PATTERN_ESCAPE:
        return text("\\");
    case SQL_SPECIAL_CHARACTERS:
        return text("@#$");
    case SQL_KEYWORDS:
        return text("");
    case SQL_COLLATION_SEQ:
        return text("");
    case SQL_XOPEN_CLI_YEAR:
        return text("1995");
    case SQL_CATALOG_NAME:
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_DATA_SOURCE_READ_ONLY:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_ROW_UPDATES:
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
        return text("N");
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_MULT_RESULT_SETS:
    case SQL_MULTIPLE_ACTIVE_TXN:
    case SQL_OUTER_JOINS:
    case SQL_PROCEDURES:
    case SQL_COLUMN_ALIAS:
    case SQL_LIKE_ESCAPE_CLAUSE:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_INTEGRITY:
        return text("Y");
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_ACTIVE_ENVIRONMENTS:
    case SQL_MAX_CATALOG_NAME_LEN:
    case SQL_MAX_TABLES_IN_SELECT:
    case SQL_CATALOG_LOCATION:
        return small(0);
    case SQL_TXN_CAPABLE:
        return small(SQL_TC_ALL);
    case SQL_CURSOR_COMMIT_BEHAVIOR:
        return small(SQL_CB_PRESERVE);
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        return small(SQL_CB_CLOSE);
    case SQL_IDENTIFIER_CASE:
        return small(SQL_IC_UPPER);
    case SQL_QUOTED_IDENTIFIER_CASE:
        return small(SQL_IC_SENSITIVE);
    case SQL_NULL_COLLATION:
        return small(SQL_NC_HIGH);
    case SQL_CONCAT_NULL_BEHAVIOR:
        return small(SQL_CB_NULL);
    case SQL_CORRELATION_NAME:
        return small(SQL_CN_ANY);
    case SQL_NON_NULLABLE_COLUMNS:
        return small(SQL_NNC_NON_NULL);
    case SQL_FILE_USAGE:
        return small(SQL_FILE_NOT_SUPPORTED);
    case SQL_GROUP_BY:
        return small(SQL_GB_GROUP_BY_CONTAINS_SELECT);
    case SQL_ODBC_SQL_CONFORMANCE:
        return small(SQL_OSC_CORE);
    case SQL_ODBC_API_CONFORMANCE:
        return small(SQL_OAC_LEVEL1);
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_USER_NAME_LEN:
    case SQL_MAX_IDENTIFIER_LEN:
        return small(128);
    case SQL_MAX_COLUMNS_IN_TABLE:
    case SQL_MAX_COLUMNS_IN_SELECT:
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
        return small(1012);
    case SQL_MAX_COLUMNS_IN_INDEX:
        return small(64);
    case SQL_MAX_PROCEDURE_NAME_LEN:
        return small(128);
    case SQL_GETDATA_EXTENSIONS:
        return integer(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND);
    case SQL_SCROLL_OPTIONS:
        return integer(SQL_SO_FORWARD_ONLY);
    case SQL_DEFAULT_TXN_ISOLATION:
        return integer(SQL_TXN_READ_COMMITTED);
    case SQL_TXN_ISOLATION_OPTION:
        return integer(SQL_TXN_READ_UNCOMMITTED | SQL_TXN_READ_COMMITTED | SQL_TXN_REPEATABLE_READ |
                       SQL_TXN_SERIALIZABLE);
    case SQL_ASYNC_MODE:
        return integer(SQL_AM_NONE);
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
        return integer(0);
    case SQL_CURSOR_SENSITIVITY:
        return integer(SQL_UNSPECIFIED);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
        return integer(SQL_CA1_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        return integer(SQL_CA2_READ_ONLY_CONCURRENCY);
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
    case SQL_STATIC_CURSOR_ATTRIBUTES2:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_BOOKMARK_PERSISTENCE:
    case SQL_POS_OPERATIONS:
    case SQL_STATIC_SENSITIVITY:
    case SQL_LOCK_TYPES:
    case SQL_ALTER_TABLE:
    case SQL_BATCH_SUPPORT:
    case SQL_BATCH_ROW_COUNT:
    case SQL_CATALOG_USAGE:
    case SQL_DATETIME_LITERALS:
    case SQL_STRING_FUNCTIONS:
    case SQL_NUMERIC_FUNCTIONS:
    case SQL_SYSTEM_FUNCTIONS:
    case SQL_TIMEDATE_FUNCTIONS:
    case SQL_TIMEDATE_ADD_INTERVALS:
    case SQL_TIMEDATE_DIFF_INTERVALS:
    case SQL_CONVERT_FUNCTIONS:
    case SQL_INFO_SCHEMA_VIEWS:
    case SQL_DROP_ASSERTION:
    case SQL_DROP_CHARACTER_SET:
    case SQL_DROP_COLLATION:
    case SQL_DROP_DOMAIN:
    case SQL_DROP_TRANSLATION:
    case SQL_CREATE_ASSERTION:
    case SQL_CREATE_CHARACTER_SET:
    case SQL_CREATE_COLLATION:
    case SQL_CREATE_DOMAIN:
    case SQL_CREATE_TRANSLATION:
    case SQL_INDEX_KEYWORDS:
    case SQL_AGGREGATE_FUNCTIONS:
    case SQL_SQL92_DATETIME_FUNCTIONS:
    case SQL_SQL92_FOREIGN_KEY_DELETE_RULE:
    case SQL_SQL92_FOREIGN_KEY_UPDATE_RULE:
    case SQL_SQL92_GRANT:
    case SQL_SQL92_NUMERIC_VALUE_FUNCTIONS:
    case SQL_SQL92_REVOKE:
    case SQL_SQL92_STRING_FUNCTIONS:
    case SQL_SQL92_VALUE_EXPRESSIONS:
    case SQL_SQL92_PREDICATES:
    case SQL_SQL92_RELATIONAL_JOIN_OPERATORS:
    case SQL_SQL92_ROW_VALUE_CONSTRUCTOR:
    case SQL_CONVERT_BIGINT:
    case SQL_CONVERT_BINARY:
    case SQL_CONVERT_BIT:
    case SQL_CONVERT_CHAR:
    case SQL_CONVERT_DATE:
    case SQL_CONVERT_DECIMAL:
    case SQL_CONVERT_DOUBLE:
    case SQL_CONVERT_FLOAT:
    case SQL_CONVERT_INTEGER:
    case SQL_CONVERT_LONGVARBINARY:
    case SQL_CONVERT_LONGVARCHAR:
    case SQL_CONVERT_NUMERIC:
    case SQL_CONVERT_REAL:
    case SQL_CONVERT_SMALLINT:
    case SQL_CONVERT_TIME:
    case SQL_CONVERT_TIMESTAMP:
    case SQL_CONVERT_TINYINT:
    case SQL_CONVERT_VARBINARY:
    case SQL_CONVERT_VARCHAR:
    case SQL_CONVERT_WCHAR:
    case SQL_CONVERT_WVARCHAR:
    case SQL_CONVERT_WLONGVARCHAR:
    case SQL_CREATE_SCHEMA:
    case SQL_CREATE_TABLE:
    case SQL_CREATE_VIEW:
    case SQL_DROP_SCHEMA:
    case SQL_DROP_TABLE:
    case SQL_DROP_VIEW:
    case SQL_DDL_INDEX:
        return integer(0);
    case SQL_SCROLL_CONCURRENCY:
        return integer(SQL_SCCO_READ_ONLY);
    case SQL_SQL_CONFORMANCE:
        return integer(SQL_SC_SQL92_ENTRY);
    case SQL_OJ_CAPABILITIES:
        return integer(SQL_OJ_LEFT | SQL_OJ_RIGHT | SQL_OJ_FULL | SQL_OJ_NESTED |
                       SQL_OJ_NOT_ORDERED | SQL_OJ_INNER | SQL_OJ_ALL_COMPARISON_OPS);
    case SQL_PARAM_ARRAY_ROW_COUNTS:
        return integer(SQL_PARC_NO_BATCH);
    case SQL_PARAM_ARRAY_SELECTS:
        return integer(SQL_PAS_NO_SELECT);
    case SQL_MAX_STATEMENT_LEN:
        return integer(2097152);
    case SQL_MAX_ROW_SIZE:
        return integer(32677);
    case SQL_MAX_CHAR_LITERAL_LEN:
        return integer(32672);
    case SQL_MAX_BINARY_LITERAL_LEN:
        return integer(16336);
    case SQL_MAX_INDEX_SIZE:
        return integer(1024);
    case SQL_SCHEMA_USAGE:
        return integer(SQL_SU_DML_STATEMENTS | SQL_SU_TABLE_DEFINITION |
                       SQL_SU_PRIVILEGE_DEFINITION);
    case SQL_SUBQUERIES:
        return integer(SQL_SQ_CORRELATED_SUBQUERIES | SQL_SQ_COMPARISON | SQL_SQ_EXISTS |
                       SQL_SQ_IN | SQL_SQ_QUANTIFIED);
    case SQL_UNION:
        return integer(SQL_U_UNION | SQL_U_UNION_ALL);
    case SQL_STANDARD_CLI_CONFORMANCE:
        return integer(SQL_SCC_XOPEN_CLI_VERSION1);
    default:
        break;
    }
    return cliFailure(dbc->diag, 133, "HY096", "Information type out of range.");
}

const SQLUSMALLINT SupportedFunctions[] = {
    SQL_API_SQLALLOCHANDLE,   SQL_API_SQLFREEHANDLE,     SQL_API_SQLSETENVATTR,
    SQL_API_SQLGETENVATTR,    SQL_API_SQLCONNECT,        SQL_API_SQLDRIVERCONNECT,
    SQL_API_SQLDISCONNECT,    SQL_API_SQLSETCONNECTATTR, SQL_API_SQLGETCONNECTATTR,
    SQL_API_SQLGETINFO,       SQL_API_SQLGETFUNCTIONS,   SQL_API_SQLENDTRAN,
    SQL_API_SQLEXECDIRECT,    SQL_API_SQLPREPARE,        SQL_API_SQLEXECUTE,
    SQL_API_SQLNUMRESULTCOLS, SQL_API_SQLDESCRIBECOL,    SQL_API_SQLCOLATTRIBUTE,
    SQL_API_SQLFETCH,         SQL_API_SQLFETCHSCROLL,    SQL_API_SQLGETDATA,
    SQL_API_SQLBINDCOL,       SQL_API_SQLROWCOUNT,       SQL_API_SQLTABLES,
    SQL_API_SQLFREESTMT,      SQL_API_SQLCLOSECURSOR,    SQL_API_SQLCANCEL,
    SQL_API_SQLMORERESULTS,   SQL_API_SQLNUMPARAMS,      SQL_API_SQLSETSTMTATTR,
    SQL_API_SQLGETSTMTATTR,   SQL_API_SQLGETDIAGREC,     SQL_API_SQLGETDIAGFIELD,
};

// ---------------------------------------------------------------- diagnostics

SQLRETURN diagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, bool wide,
                  SQLPOINTER state, SQLINTEGER* native, SQLPOINTER message,
                  SQLSMALLINT bufferLength, SQLSMALLINT* textLength)
{
    Diagnostics* diag = diagnosticsOf(handleType, handle);
    if (!diag)
        return SQL_INVALID_HANDLE;
    if (record < 1)
        return SQL_ERROR;
    if (bufferLength < 0)
        return SQL_ERROR;
    if (static_cast<size_t>(record) > diag->records.size())
        return SQL_NO_DATA;
    const DiagRecord& r = diag->records[static_cast<size_t>(record - 1)];
    if (state) {
        if (wide) {
            SQLWCHAR* out = static_cast<SQLWCHAR*>(state);
            for (size_t i = 0; i < 5; ++i)
                out[i] = static_cast<SQLWCHAR>(i < r.state.size() ? r.state[i] : '0');
            out[5] = 0;
        } else {
            char* out = static_cast<char*>(state);
            for (size_t i = 0; i < 5; ++i)
                out[i] = i < r.state.size() ? r.state[i] : '0';
            out[5] = 0;
        }
    }
    if (native)
        *native = r.native;
    Diagnostics scratch; // truncation of a diagnostic adds no record of its own
    return putString(scratch, r.message, wide, message, bufferLength, false, textLength);
}

SQLRETURN diagField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                    SQLPOINTER info, SQLSMALLINT bufferLength, SQLSMALLINT* stringLength, bool wide)
{
    Diagnostics* diag = diagnosticsOf(handleType, handle);
    if (!diag)
        return SQL_INVALID_HANDLE;
    Diagnostics scratch;
    auto text = [&](const std::string& v) {
        return putString(scratch, v, wide, info, bufferLength, true, stringLength);
    };
    // Header fields.
    switch (field) {
    case SQL_DIAG_NUMBER:
        if (info)
            *static_cast<SQLINTEGER*>(info) = static_cast<SQLINTEGER>(diag->records.size());
        return SQL_SUCCESS;
    case SQL_DIAG_RETURNCODE:
        if (info)
            *static_cast<SQLRETURN*>(info) = diag->lastReturn;
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_COUNT:
    case SQL_DIAG_CURSOR_ROW_COUNT: {
        Stmt* stmt = handleType == SQL_HANDLE_STMT ? asStmt(handle) : nullptr;
        if (!stmt)
            return SQL_ERROR;
        if (info)
            *static_cast<SQLLEN*>(info) = static_cast<SQLLEN>(stmt->rowCount);
        return SQL_SUCCESS;
    }
    case SQL_DIAG_DYNAMIC_FUNCTION:
        return text("");
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
        if (info)
            *static_cast<SQLINTEGER*>(info) = SQL_DIAG_UNKNOWN_STATEMENT;
        return SQL_SUCCESS;
    default:
        break;
    }
    if (record < 1)
        return SQL_ERROR;
    if (static_cast<size_t>(record) > diag->records.size())
        return SQL_NO_DATA;
    const DiagRecord& r = diag->records[static_cast<size_t>(record - 1)];
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        return text(r.state);
    case SQL_DIAG_NATIVE:
        if (info)
            *static_cast<SQLINTEGER*>(info) = r.native;
        return SQL_SUCCESS;
    case SQL_DIAG_MESSAGE_TEXT:
        return text(r.message);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        return text(r.state.compare(0, 2, "IM") == 0 || r.state.compare(0, 2, "HY") == 0 ||
                            r.state == "01S02" || r.state == "01S07"
                        ? "ODBC 3.0"
                        : "ISO 9075");
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        return text("");
    case SQL_DIAG_COLUMN_NUMBER:
        if (info)
            *static_cast<SQLINTEGER*>(info) = SQL_COLUMN_NUMBER_UNKNOWN;
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER:
        if (info)
            *static_cast<SQLLEN*>(info) = SQL_ROW_NUMBER_UNKNOWN;
        return SQL_SUCCESS;
    default:
        break;
    }
    return SQL_ERROR;
}

// ---------------------------------------------------------------- handles

SQLRETURN allocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output)
{
    if (!output)
        return SQL_ERROR;
    *output = SQL_NULL_HANDLE;
    try {
        switch (type) {
        case SQL_HANDLE_ENV:
            *output = new Env();
            return SQL_SUCCESS;
        case SQL_HANDLE_DBC: {
            Env* env = asEnv(input);
            if (!env)
                return SQL_INVALID_HANDLE;
            Dbc* dbc = new Dbc();
            dbc->env = env;
            std::lock_guard<std::mutex> lock(env->mutex);
            env->connections.insert(dbc);
            *output = dbc;
            return SQL_SUCCESS;
        }
        case SQL_HANDLE_STMT: {
            Dbc* dbc = asDbc(input);
            if (!dbc)
                return SQL_INVALID_HANDLE;
            std::lock_guard<std::recursive_mutex> lock(dbc->mutex);
            dbc->diag.clear();
            if (!dbc->session)
                return cliFailure(dbc->diag, 106, "08003", "Connection is closed.");
            Stmt* stmt = new Stmt();
            stmt->dbc = dbc;
            stmt->ard.stmt = stmt->apd.stmt = stmt->ird.stmt = stmt->ipd.stmt = stmt;
            dbc->statements.insert(stmt);
            *output = stmt;
            return SQL_SUCCESS;
        }
        default:
            break;
        }
    } catch (const std::bad_alloc&) {
        return SQL_ERROR;
    }
    return SQL_ERROR;
}

void freeStatement(Stmt* stmt)
{
    stmt->dbc->statements.erase(stmt);
    closeCursor(stmt);
    stmt->magic = Magic::Desc; // no longer a statement, should a stale pointer come back
    delete stmt;
}

void disconnect(Dbc* dbc)
{
    for (Stmt* stmt : dbc->statements)
        closeCursor(stmt);
    dbc->session.reset();
    dbc->broken = false;
}

SQLRETURN freeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    switch (type) {
    case SQL_HANDLE_ENV: {
        Env* env = asEnv(handle);
        if (!env)
            return SQL_INVALID_HANDLE;
        env->magic = Magic::Desc;
        delete env;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
        Dbc* dbc = asDbc(handle);
        if (!dbc)
            return SQL_INVALID_HANDLE;
        {
            std::lock_guard<std::recursive_mutex> lock(dbc->mutex);
            while (!dbc->statements.empty())
                freeStatement(*dbc->statements.begin());
            disconnect(dbc);
        }
        if (Env* env = asEnv(dbc->env)) {
            std::lock_guard<std::mutex> lock(env->mutex);
            env->connections.erase(dbc);
        }
        dbc->magic = Magic::Desc;
        delete dbc;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
        Stmt* stmt = asStmt(handle);
        if (!stmt)
            return SQL_INVALID_HANDLE;
        Dbc* dbc = stmt->dbc;
        std::lock_guard<std::recursive_mutex> lock(dbc->mutex);
        freeStatement(stmt);
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DESC:
        return SQL_SUCCESS;
    default:
        break;
    }
    return SQL_ERROR;
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

SQLRETURN prepare(Stmt* stmt, const std::string& sql)
{
    if (stmt->cursor)
        return cliFailure(stmt->diag, 115, "24000", "Invalid cursor state.");
    stmt->isPrepared = false;
    stmt->preparedColumns.clear();
    checkServer(stmt->dbc);
    stmt->preparedColumns = stmt->dbc->session->describe(sql);
    stmt->prepared = sql;
    stmt->isPrepared = true;
    return SQL_SUCCESS;
}

} // namespace

// ==================================================================== entry points

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT HandleType, SQLHANDLE InputHandle,
                                 SQLHANDLE* OutputHandle)
{
    return allocHandle(HandleType, InputHandle, OutputHandle);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT HandleType, SQLHANDLE Handle)
{
    return freeHandle(HandleType, Handle);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option)
{
    if (Option == SQL_DROP)
        return freeHandle(SQL_HANDLE_STMT, StatementHandle);
    return onStatement(StatementHandle, [&](Stmt* stmt) -> SQLRETURN {
        switch (Option) {
        case SQL_CLOSE:
            closeCursor(stmt);
            return SQL_SUCCESS;
        case SQL_UNBIND:
            stmt->bindings.clear();
            return SQL_SUCCESS;
        case SQL_RESET_PARAMS:
            return SQL_SUCCESS;
        default:
            break;
        }
        return cliFailure(stmt->diag, 133, "HY092", "Option type out of range.");
    });
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER)
{
    Env* env = asEnv(EnvironmentHandle);
    if (!env)
        return SQL_INVALID_HANDLE;
    env->diag.clear();
    const SQLINTEGER number = static_cast<SQLINTEGER>(reinterpret_cast<intptr_t>(Value));
    switch (Attribute) {
    case SQL_ATTR_ODBC_VERSION:
        env->odbcVersion = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_POOLING:
    case SQL_ATTR_CP_MATCH:
    case SQL_ATTR_OUTPUT_NTS:
        return SQL_SUCCESS;
    default:
        break;
    }
    return cliFailure(env->diag, 133, "HY092", "Option type out of range.");
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER, SQLINTEGER* StringLength)
{
    Env* env = asEnv(EnvironmentHandle);
    if (!env)
        return SQL_INVALID_HANDLE;
    env->diag.clear();
    SQLINTEGER number = 0;
    switch (Attribute) {
    case SQL_ATTR_ODBC_VERSION:
        number = env->odbcVersion;
        break;
    case SQL_ATTR_CONNECTION_POOLING:
        number = SQL_CP_OFF;
        break;
    case SQL_ATTR_CP_MATCH:
        number = SQL_CP_STRICT_MATCH;
        break;
    case SQL_ATTR_OUTPUT_NTS:
        number = SQL_TRUE;
        break;
    default:
        return cliFailure(env->diag, 133, "HY092", "Option type out of range.");
    }
    if (Value)
        *static_cast<SQLINTEGER*>(Value) = number;
    setLength(StringLength, 4);
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC ConnectionHandle, SQLHWND, SQLCHAR* InConnectionString,
                                   SQLSMALLINT StringLength1, SQLCHAR* OutConnectionString,
                                   SQLSMALLINT BufferLength, SQLSMALLINT* StringLength2Ptr,
                                   SQLUSMALLINT)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) {
        return driverConnect(dbc, fromNarrow(InConnectionString, StringLength1), false,
                             OutConnectionString, BufferLength, StringLength2Ptr);
    });
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC ConnectionHandle, SQLHWND, SQLWCHAR* InConnectionString,
                                    SQLSMALLINT StringLength1, SQLWCHAR* OutConnectionString,
                                    SQLSMALLINT BufferLength, SQLSMALLINT* StringLength2Ptr,
                                    SQLUSMALLINT)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) {
        return driverConnect(dbc, fromUtf16(InConnectionString, StringLength1), true,
                             OutConnectionString, BufferLength, StringLength2Ptr);
    });
}

// A data source name would be a catalogued database alias, which the stand-in has none of.
SQLRETURN SQL_API SQLConnect(SQLHDBC ConnectionHandle, SQLCHAR* ServerName, SQLSMALLINT NameLength1,
                             SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT)
{
    return onConnection(ConnectionHandle, [&](Dbc*) -> SQLRETURN {
        throw db2s::sqlError(1013, "42705",
                             "The database alias name or database name \"" +
                                 db2s::upperCase(fromNarrow(ServerName, NameLength1)) +
                                 "\" could not be found.");
    });
}

SQLRETURN SQL_API SQLConnectW(SQLHDBC ConnectionHandle, SQLWCHAR* ServerName,
                              SQLSMALLINT NameLength1, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                              SQLSMALLINT)
{
    return onConnection(ConnectionHandle, [&](Dbc*) -> SQLRETURN {
        throw db2s::sqlError(1013, "42705",
                             "The database alias name or database name \"" +
                                 db2s::upperCase(fromUtf16(ServerName, NameLength1)) +
                                 "\" could not be found.");
    });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) -> SQLRETURN {
        if (!dbc->session)
            return cliFailure(dbc->diag, 106, "08003", "Connection is closed.");
        if (dbc->session->hasPendingChanges() && !dbc->broken)
            return cliFailure(dbc->diag, 116, "25000", "Invalid transaction state.");
        disconnect(dbc);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                    SQLPOINTER Value, SQLINTEGER)
{
    return onConnection(ConnectionHandle,
                        [&](Dbc* dbc) { return setConnectAttr(dbc, Attribute, Value); });
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                     SQLPOINTER Value, SQLINTEGER)
{
    return onConnection(ConnectionHandle,
                        [&](Dbc* dbc) { return setConnectAttr(dbc, Attribute, Value); });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                    SQLPOINTER Value, SQLINTEGER BufferLength,
                                    SQLINTEGER* StringLength)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) {
        return getConnectAttr(dbc, Attribute, Value, BufferLength, StringLength, false);
    });
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                     SQLPOINTER Value, SQLINTEGER BufferLength,
                                     SQLINTEGER* StringLength)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) {
        return getConnectAttr(dbc, Attribute, Value, BufferLength, StringLength, true);
    });
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
                             SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) {
        return getInfo(dbc, InfoType, InfoValue, BufferLength, StringLength, false);
    });
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
                              SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) {
        return getInfo(dbc, InfoType, InfoValue, BufferLength, StringLength, true);
    });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId,
                                  SQLUSMALLINT* Supported)
{
    return onConnection(ConnectionHandle, [&](Dbc* dbc) -> SQLRETURN {
        if (!Supported)
            return cliFailure(dbc->diag, 124, "HY009", "Invalid argument value.");
        if (FunctionId == SQL_API_ODBC3_ALL_FUNCTIONS) {
            std::memset(Supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
            for (SQLUSMALLINT id : SupportedFunctions)
                Supported[id >> 4] |= static_cast<SQLUSMALLINT>(1u << (id & 0x000F));
            return SQL_SUCCESS;
        }
        if (FunctionId == SQL_API_ALL_FUNCTIONS) {
            std::memset(Supported, 0, sizeof(SQLUSMALLINT) * 100);
            for (SQLUSMALLINT id : SupportedFunctions) {
                if (id < 100)
                    Supported[id] = SQL_TRUE;
            }
            return SQL_SUCCESS;
        }
        *Supported = SQL_FALSE;
        for (SQLUSMALLINT id : SupportedFunctions) {
            if (id == FunctionId)
                *Supported = SQL_TRUE;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT CompletionType)
{
    if (HandleType == SQL_HANDLE_ENV) {
        Env* env = asEnv(Handle);
        if (!env)
            return SQL_INVALID_HANDLE;
        std::vector<Dbc*> connections;
        {
            std::lock_guard<std::mutex> lock(env->mutex);
            connections.assign(env->connections.begin(), env->connections.end());
        }
        SQLRETURN result = SQL_SUCCESS;
        for (Dbc* dbc : connections) {
            if (!dbc->session)
                continue;
            const SQLRETURN rc =
                onConnection(dbc, [&](Dbc* d) { return endTransaction(d, CompletionType); });
            if (!SQL_SUCCEEDED(rc))
                result = rc;
        }
        return result;
    }
    if (HandleType != SQL_HANDLE_DBC)
        return SQL_ERROR;
    return onConnection(Handle, [&](Dbc* dbc) { return endTransaction(dbc, CompletionType); });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText,
                                SQLINTEGER TextLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        stmt->isPrepared = false;
        return execute(stmt, fromNarrow(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT StatementHandle, SQLWCHAR* StatementText,
                                 SQLINTEGER TextLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        stmt->isPrepared = false;
        return execute(stmt, fromUtf16(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText,
                             SQLINTEGER TextLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return prepare(stmt, fromNarrow(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT StatementHandle, SQLWCHAR* StatementText,
                              SQLINTEGER TextLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return prepare(stmt, fromUtf16(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        if (!stmt->isPrepared)
            return cliFailure(stmt->diag, 125, "HY010", "Function sequence error.");
        return execute(stmt, stmt->prepared);
    });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT StatementHandle, SQLSMALLINT* ParameterCount)
{
    return onStatement(StatementHandle, [&](Stmt*) {
        setLength(ParameterCount, 0);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        const auto* columns = columnsOf(stmt);
        setLength(ColumnCount, columns ? static_cast<long long>(columns->size()) : 0);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                 SQLCHAR* ColumnName, SQLSMALLINT BufferLength,
                                 SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                 SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits,
                                 SQLSMALLINT* Nullable)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return describeColumn(stmt, ColumnNumber, false, ColumnName, BufferLength, NameLength,
                              DataType, ColumnSize, DecimalDigits, Nullable);
    });
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                  SQLWCHAR* ColumnName, SQLSMALLINT BufferLength,
                                  SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                  SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits,
                                  SQLSMALLINT* Nullable)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return describeColumn(stmt, ColumnNumber, true, ColumnName, BufferLength, NameLength,
                              DataType, ColumnSize, DecimalDigits, Nullable);
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                  SQLUSMALLINT FieldIdentifier, SQLPOINTER CharacterAttribute,
                                  SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                  SQLLEN* NumericAttribute)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return colAttribute(stmt, ColumnNumber, FieldIdentifier, false, CharacterAttribute,
                            BufferLength, StringLength, NumericAttribute);
    });
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                   SQLUSMALLINT FieldIdentifier, SQLPOINTER CharacterAttribute,
                                   SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                   SQLLEN* NumericAttribute)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return colAttribute(stmt, ColumnNumber, FieldIdentifier, true, CharacterAttribute,
                            BufferLength, StringLength, NumericAttribute);
    });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                             SQLSMALLINT TargetType, SQLPOINTER TargetValue, SQLLEN BufferLength,
                             SQLLEN* StrLen_or_Ind)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) -> SQLRETURN {
        if (ColumnNumber < 1)
            return cliFailure(stmt->diag, 122, "07009", "Invalid descriptor index.");
        if (!TargetValue && !StrLen_or_Ind) {
            stmt->bindings.erase(ColumnNumber);
            return SQL_SUCCESS;
        }
        stmt->bindings[ColumnNumber] =
            Binding{TargetType, TargetValue, BufferLength, StrLen_or_Ind};
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) { return fetch(stmt); });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation, SQLLEN)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) -> SQLRETURN {
        if (FetchOrientation != SQL_FETCH_NEXT)
            return cliFailure(stmt->diag, 145, "HY106", "Fetch type out of range.");
        return fetch(stmt);
    });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                             SQLSMALLINT TargetType, SQLPOINTER TargetValue, SQLLEN BufferLength,
                             SQLLEN* StrLen_or_Ind)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return getData(stmt, ColumnNumber, TargetType, TargetValue, BufferLength, StrLen_or_Ind);
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        setLength(RowCount, stmt->rowCount);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT StatementHandle)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        closeCursor(stmt);
        return SQL_NO_DATA;
    });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) -> SQLRETURN {
        if (!stmt->cursor)
            return cliFailure(stmt->diag, 115, "24000", "Invalid cursor state.");
        closeCursor(stmt);
        return SQL_SUCCESS;
    });
}

// Callable from another thread while a statement runs: no lock is taken.
SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle)
{
    Stmt* stmt = asStmt(StatementHandle);
    if (!stmt)
        return SQL_INVALID_HANDLE;
    stmt->cancelled = true;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLTables(SQLHSTMT StatementHandle, SQLCHAR* CatalogName, SQLSMALLINT NameLength1,
                            SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName,
                            SQLSMALLINT NameLength3, SQLCHAR* TableType, SQLSMALLINT NameLength4)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        db2s::TableFilter filter;
        filter.catalog = argument(CatalogName, NameLength1);
        filter.schema = argument(SchemaName, NameLength2);
        filter.table = argument(TableName, NameLength3);
        filter.types = argument(TableType, NameLength4);
        return tables(stmt, filter);
    });
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT StatementHandle, SQLWCHAR* CatalogName,
                             SQLSMALLINT NameLength1, SQLWCHAR* SchemaName, SQLSMALLINT NameLength2,
                             SQLWCHAR* TableName, SQLSMALLINT NameLength3, SQLWCHAR* TableType,
                             SQLSMALLINT NameLength4)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        db2s::TableFilter filter;
        filter.catalog = argument(CatalogName, NameLength1);
        filter.schema = argument(SchemaName, NameLength2);
        filter.table = argument(TableName, NameLength3);
        filter.types = argument(TableType, NameLength4);
        return tables(stmt, filter);
    });
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER)
{
    return onStatement(StatementHandle,
                       [&](Stmt* stmt) { return setStmtAttr(stmt, Attribute, Value); });
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                  SQLINTEGER)
{
    return onStatement(StatementHandle,
                       [&](Stmt* stmt) { return setStmtAttr(stmt, Attribute, Value); });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER, SQLINTEGER* StringLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return getStmtAttr(stmt, Attribute, Value, StringLength);
    });
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                  SQLINTEGER, SQLINTEGER* StringLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return getStmtAttr(stmt, Attribute, Value, StringLength);
    });
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                SQLCHAR* Sqlstate, SQLINTEGER* NativeError, SQLCHAR* MessageText,
                                SQLSMALLINT BufferLength, SQLSMALLINT* TextLength)
{
    return diagRec(HandleType, Handle, RecNumber, false, Sqlstate, NativeError, MessageText,
                   BufferLength, TextLength);
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                 SQLWCHAR* Sqlstate, SQLINTEGER* NativeError, SQLWCHAR* MessageText,
                                 SQLSMALLINT BufferLength, SQLSMALLINT* TextLength)
{
    return diagRec(HandleType, Handle, RecNumber, true, Sqlstate, NativeError, MessageText,
                   BufferLength, TextLength);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                  SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo,
                                  SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return diagField(HandleType, Handle, RecNumber, DiagIdentifier, DiagInfo, BufferLength,
                     StringLength, false);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                   SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo,
                                   SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return diagField(HandleType, Handle, RecNumber, DiagIdentifier, DiagInfo, BufferLength,
                     StringLength, true);
}

} // extern "C"
