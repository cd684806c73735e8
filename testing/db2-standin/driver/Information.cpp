// The information entry points: what the driver and the server support
// (SQLGetInfo, SQLGetFunctions), the table catalog (SQLTables), and the
// diagnostic records of every handle.
#include "Handles.h"

namespace driver {

static std::optional<std::string> argument(const SQLCHAR* text, SQLSMALLINT length)
{
    if (!text)
        return std::nullopt;
    return fromNarrow(text, length);
}

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

static SQLRETURN getInfo(Dbc* dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT length,
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
