// The information entry points: what the driver and the server support
// (SQLGetInfo, SQLGetFunctions), the table catalog (SQLTables), and the
// diagnostic records of every handle.
#include "Handles.h"

namespace driver {

static std::optional<std::string> argument(const SQLWCHAR* text, SQLSMALLINT length)
{
    if (!text)
        return std::nullopt;
    return fromUtf16(text, length);
}

static SQLRETURN tables(Stmt* stmt, db2s::TableFilter filter)
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

// The program asks for the server's name; the driver manager for what a commit
// and a rollback do to open cursors.
static SQLRETURN getInfo(Dbc* dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT length,
                         SQLSMALLINT* written, bool wide)
{
    auto small = [&](SQLUSMALLINT v) {
        if (value)
            *static_cast<SQLUSMALLINT*>(value) = v;
        setLength(written, 2);
        return SQL_SUCCESS;
    };
    switch (type) {
    case SQL_DBMS_NAME:
        return putString(dbc->diag, "DB2/LINUXX8664", wide, value, length, true, written);
    case SQL_CURSOR_COMMIT_BEHAVIOR:
        return small(SQL_CB_PRESERVE);
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        return small(SQL_CB_CLOSE);
    default:
        break;
    }
    return cliFailure(dbc->diag, 133, "HY096", "Information type out of range.");
}

const SQLUSMALLINT SupportedFunctions[] = {
    SQL_API_SQLALLOCHANDLE,    SQL_API_SQLFREEHANDLE,    SQL_API_SQLSETENVATTR,
    SQL_API_SQLGETENVATTR,     SQL_API_SQLDRIVERCONNECT, SQL_API_SQLDISCONNECT,
    SQL_API_SQLSETCONNECTATTR, SQL_API_SQLGETINFO,       SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLENDTRAN,        SQL_API_SQLEXECDIRECT,    SQL_API_SQLNUMRESULTCOLS,
    SQL_API_SQLDESCRIBECOL,    SQL_API_SQLCOLATTRIBUTE,  SQL_API_SQLFETCH,
    SQL_API_SQLGETDATA,        SQL_API_SQLROWCOUNT,      SQL_API_SQLTABLES,
    SQL_API_SQLFREESTMT,       SQL_API_SQLCLOSECURSOR,   SQL_API_SQLCANCEL,
    SQL_API_SQLSETSTMTATTR,    SQL_API_SQLGETSTMTATTR,   SQL_API_SQLGETDIAGREC,
};

static SQLRETURN diagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, bool wide,
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

// unixODBC reports a driver's errors only when it has SQLGetDiagFieldW beside
// SQLGetDiagRecW.
static SQLRETURN diagField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record,
                           SQLSMALLINT field, SQLPOINTER info, SQLSMALLINT bufferLength,
                           SQLSMALLINT* stringLength, bool wide)
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

} // namespace driver

using namespace driver;

extern "C" {

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

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                 SQLWCHAR* Sqlstate, SQLINTEGER* NativeError, SQLWCHAR* MessageText,
                                 SQLSMALLINT BufferLength, SQLSMALLINT* TextLength)
{
    return diagRec(HandleType, Handle, RecNumber, true, Sqlstate, NativeError, MessageText,
                   BufferLength, TextLength);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                   SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo,
                                   SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return diagField(HandleType, Handle, RecNumber, DiagIdentifier, DiagInfo, BufferLength,
                     StringLength, true);
}

} // extern "C"
