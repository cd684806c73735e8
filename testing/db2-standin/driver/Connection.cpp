// The connection entry points: environment, connection and statement handles,
// connecting with IBM's keywords, the attributes of environments and
// connections, and transactions.
#include "Handles.h"

namespace driver {

static SQLRETURN driverConnect(Dbc* dbc, const std::string& in, bool wide, SQLPOINTER out,
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
    if (params.has("XMLDECLARATION")) {
        const std::string flags = params.get("XMLDECLARATION");
        if (flags.size() != 1 || flags[0] < '0' || flags[0] > '7')
            return cliFailure(dbc->diag, 124, "HY009", "Invalid argument value.");
        dbc->xmlDeclaration = flags[0] - '0';
    }
    dbc->lengths32 = db2s::ServerDir::driverKeyword("LengthBits") == "32";
    session->setAutocommit(dbc->autocommit);
    dbc->session = std::move(session);
    if (out || outWritten)
        return putString(dbc->diag, in, wide, out, outLength, false, outWritten);
    return SQL_SUCCESS;
}

static SQLRETURN endTransaction(Dbc* dbc, SQLSMALLINT completion)
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

static SQLRETURN setConnectAttr(Dbc* dbc, SQLINTEGER attribute, SQLPOINTER value)
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
    case AttrXmlDeclaration:
        if (number > 7)
            return cliFailure(dbc->diag, 124, "HY024", "Invalid attribute value.");
        dbc->xmlDeclaration = static_cast<int>(number);
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

static SQLRETURN allocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output)
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

static void freeStatement(Stmt* stmt)
{
    stmt->dbc->statements.erase(stmt);
    closeCursor(stmt);
    stmt->magic = Magic::Desc; // no longer a statement, should a stale pointer come back
    delete stmt;
}

static void disconnect(Dbc* dbc)
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

} // namespace driver

using namespace driver;

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
    default:
        return cliFailure(env->diag, 133, "HY092", "Option type out of range.");
    }
    if (Value)
        *static_cast<SQLINTEGER*>(Value) = number;
    setLength(StringLength, 4);
    return SQL_SUCCESS;
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

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT CompletionType)
{
    // The driver manager ends an environment's transactions connection by connection.
    if (HandleType != SQL_HANDLE_DBC)
        return SQL_ERROR;
    return onConnection(Handle, [&](Dbc* dbc) { return endTransaction(dbc, CompletionType); });
}

} // extern "C"
