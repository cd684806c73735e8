// The statement entry points: running statements (with the test-only delay and
// hang of the server folder), describing result columns, fetching rows, and
// delivering values in the C types an application asks for.
#include "Handles.h"

namespace driver {

void closeCursor(Stmt* stmt)
{
    stmt->cursor.reset();
    stmt->onRow = false;
    stmt->exhausted = false;
    stmt->reads.clear();
    stmt->fetched = 0;
}

static const std::vector<db2s::ColumnDesc>* columnsOf(const Stmt* stmt)
{
    if (stmt->cursor)
        return &stmt->cursor->columns();
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
static void statementHang(Stmt* stmt, const std::string& sql)
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

static SQLRETURN execute(Stmt* stmt, const std::string& sql)
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

static bool numberOf(const db2s::SqlValue& value, double& out)
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

// A fixed-size C value (number, date, time, timestamp) from the column's value.
static SQLRETURN fixedValue(Stmt* stmt, SQLSMALLINT ctype, const db2s::SqlValue& value,
                            const db2s::ColType& type, SQLPOINTER target, SQLLEN* indicator)
{
    Diagnostics& diag = stmt->diag;
    auto store = [&](auto v) {
        if (target)
            std::memcpy(target, &v, sizeof v);
        writeLength(stmt->dbc, indicator, static_cast<long long>(sizeof v));
    };
    SQLRETURN rc = SQL_SUCCESS;
    double number = 0;
    if (value.storage == db2s::SqlValue::Storage::Blob || db2s::isDatetime(type.kind) ||
        !numberOf(value, number))
        return cliFailure(diag, 112, "22018",
                          "The value cannot be converted to the requested type.");
    double whole = std::trunc(number);
    if (whole != number) {
        diag.add("01S07", 0,
                 std::string(ClientPrefix) + "CLI0111W  Fractional truncation. SQLSTATE=01S07");
        rc = SQL_SUCCESS_WITH_INFO;
    }
    auto inRange = [&](double low, double high) { return whole >= low && whole <= high; };
    auto overflow = [&]() { return cliFailure(diag, 111, "22003", "Numeric value out of range."); };
    switch (ctype) {
    case SQL_C_SLONG:
    case SQL_C_LONG:
        if (!inRange(-2147483648.0, 2147483647.0))
            return overflow();
        store(static_cast<SQLINTEGER>(whole));
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
    default:
        break;
    }
    return cliFailure(diag, 122, "HY003", "Program type out of range.");
}

static bool isFixedCType(SQLSMALLINT ctype)
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
static const std::string& characterDecimalSeparator()
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
static std::string characterText(const db2s::SqlValue& value, const db2s::ColType& type)
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
static std::string dateTimeText(const std::string& jis, db2s::Kind kind, const std::string& format)
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

// An XML value as implicit serialization gives it to a CLI application: in front
// of the document, as XMLDeclaration (or SQL_ATTR_XML_DECLARATION) asks, a byte-order
// mark (1, UTF-16 output only: "the database server does not generate" a UTF-8 one),
// an XML declaration with the version (2) and the target's encoding (4), 7 by
// default (Db2 11.5, "XMLDeclarationGenMode"; the declaration's form from "Encoding
// scenarios for retrieval of XML data with implicit serialization"). Binary output
// is UTF-8. The result is in the C type's encoding (UTF-8 bytes or UTF-16 units).
static std::string xmlSerialized(const std::string& document, SQLSMALLINT ctype, int flags)
{
    const bool wide = ctype == SQL_C_WCHAR;
    std::string text;
    if ((flags & 2) != 0) {
        text = "<?xml version=\"1.0\"";
        if ((flags & 4) != 0)
            text += wide ? " encoding=\"UTF-16\"" : " encoding=\"UTF-8\"";
        text += " ?>";
    }
    text += document;
    if (!wide)
        return text;
    std::u16string units = toUtf16(text);
    if ((flags & 1) != 0)
        units.insert(units.begin(), u'\uFEFF');
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

// SQLGetData for one column: variable-length data in pieces, fixed data once.
static SQLRETURN getData(Stmt* stmt, SQLUSMALLINT column, SQLSMALLINT ctype, SQLPOINTER target,
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
    ColumnRead& read = stmt->reads[index];
    if (read.done)
        return SQL_NO_DATA;
    if (value.isNull()) {
        if (!indicator)
            return cliFailure(diag, 118, "22002", "Indicator variable required but not supplied.");
        writeLength(stmt->dbc, indicator, SQL_NULL_DATA);
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
        if (type.kind == db2s::Kind::Xml) {
            const int flags =
                stmt->xmlDeclaration >= 0 ? stmt->xmlDeclaration : stmt->dbc->xmlDeclaration;
            read.data = xmlSerialized(db2s::valueText(value, type), ctype, flags);
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
    // Test only: DB2STANDIN_CHUNKS=short ends each text piece that does not fit one
    // unit before the buffer's end, as a driver that keeps a surrogate pair together
    // does; =nototal answers SQL_NO_TOTAL for every length of a piece.
    const char* chunks = std::getenv("DB2STANDIN_CHUNKS");
    const std::string chunkMode = chunks ? chunks : "";
    writeLength(stmt->dbc, indicator,
                chunkMode == "nototal" ? SQL_NO_TOTAL : static_cast<long long>(remaining));
    size_t room = static_cast<size_t>(bufferLength) > terminator
                      ? static_cast<size_t>(bufferLength) - terminator
                      : 0;
    if (ctype == SQL_C_WCHAR)
        room &= ~static_cast<size_t>(1);
    if (!target)
        room = 0;
    if (chunkMode == "short" && ctype == SQL_C_WCHAR && room >= 4 && room < remaining)
        room -= 2;
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

static SQLRETURN fetch(Stmt* stmt)
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
    return SQL_SUCCESS;
}

static SQLRETURN describeColumn(Stmt* stmt, SQLUSMALLINT column, bool wide, SQLPOINTER name,
                                SQLSMALLINT bufferLength, SQLSMALLINT* nameLength,
                                SQLSMALLINT* dataType, SQLULEN* columnSize,
                                SQLSMALLINT* decimalDigits, SQLSMALLINT* nullable)
{
    const auto* columns = columnsOf(stmt);
    if (!columns || columns->empty())
        return cliFailure(stmt->diag, 125, "07005", "The statement does not return a result set.");
    if (column < 1 || column > columns->size())
        return cliFailure(stmt->diag, 122, "07009", "Invalid descriptor index.");
    const db2s::ColumnDesc& desc = (*columns)[column - 1u];
    setLength(dataType, db2s::odbcTypeCode(desc.type));
    writeLength(stmt->dbc, columnSize, db2s::columnSize(desc.type));
    setLength(decimalDigits, db2s::decimalDigits(desc.type));
    setLength(nullable, desc.nullable ? SQL_NULLABLE : SQL_NO_NULLS);
    return putString(stmt->diag, desc.name, wide, name, bufferLength, false, nameLength);
}

// What the program asks of a result column: whether it is unsigned and its radix.
static SQLRETURN colAttribute(Stmt* stmt, SQLUSMALLINT column, SQLUSMALLINT field,
                              SQLLEN* numericAttribute)
{
    const auto* columns = columnsOf(stmt);
    if (!columns)
        return cliFailure(stmt->diag, 125, "HY010", "Function sequence error.");
    if (column < 1 || column > columns->size())
        return cliFailure(stmt->diag, 122, "07009", "Invalid descriptor index.");
    const db2s::ColType& type = (*columns)[column - 1u].type;
    const bool numeric = db2s::isNumeric(type.kind);
    auto number = [&](long long v) {
        writeLength(stmt->dbc, numericAttribute, v);
        return SQL_SUCCESS;
    };
    switch (field) {
    case SQL_DESC_UNSIGNED:
        return number(numeric ? SQL_FALSE : SQL_TRUE);
    case SQL_DESC_NUM_PREC_RADIX:
        return number(type.kind == db2s::Kind::Real || type.kind == db2s::Kind::Double ? 2
                      : numeric                                                        ? 10
                                                                                       : 0);
    default:
        break;
    }
    return cliFailure(stmt->diag, 122, "HY091", "Descriptor type out of range.");
}

static SQLRETURN setStmtAttr(Stmt* stmt, SQLINTEGER attribute, SQLPOINTER value)
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
    case AttrXmlDeclaration:
        if (number > 7)
            return cliFailure(stmt->diag, 124, "HY024", "Invalid attribute value.");
        stmt->xmlDeclaration = static_cast<int>(number);
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

// The driver manager asks for the statement's four descriptors.
static SQLRETURN getStmtAttr(Stmt* stmt, SQLINTEGER attribute, SQLPOINTER value,
                             SQLINTEGER* written)
{
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
    default:
        break;
    }
    return cliFailure(stmt->diag, 133, "HY092", "Option type out of range.");
}

} // namespace driver

using namespace driver;

extern "C" {

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option)
{
    if (Option == SQL_DROP)
        return freeHandle(SQL_HANDLE_STMT, StatementHandle);
    return onStatement(StatementHandle, [&](Stmt* stmt) -> SQLRETURN {
        switch (Option) {
        case SQL_CLOSE:
            closeCursor(stmt);
            return SQL_SUCCESS;
        case SQL_UNBIND: // no column is ever bound
        case SQL_RESET_PARAMS:
            return SQL_SUCCESS;
        default:
            break;
        }
        return cliFailure(stmt->diag, 133, "HY092", "Option type out of range.");
    });
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT StatementHandle, SQLWCHAR* StatementText,
                                 SQLINTEGER TextLength)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return execute(stmt, fromUtf16(StatementText, TextLength));
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

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                   SQLUSMALLINT FieldIdentifier, SQLPOINTER, SQLSMALLINT,
                                   SQLSMALLINT*, SQLLEN* NumericAttribute)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) {
        return colAttribute(stmt, ColumnNumber, FieldIdentifier, NumericAttribute);
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle)
{
    return onStatement(StatementHandle, [&](Stmt* stmt) { return fetch(stmt); });
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
        writeLength(stmt->dbc, RowCount, stmt->rowCount);
        return SQL_SUCCESS;
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

} // extern "C"
