#include "db/Connection.h"

#include "ConnectionHandles.h"
#include "db/BlockingCall.h"
#include "db/Recordset.h"

#include <algorithm>

namespace {

DbError notOpenError()
{
    return DbError(QStringLiteral("The connection is not open."));
}

// The server's product name as the driver reports it; empty when it does not.
QString dbmsName(const odbc::ConnectionHandle& handle)
{
    SQLWCHAR name[64] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetInfoW(handle.get(), SQL_DBMS_NAME, name, sizeof(name), &length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
        return QString();
    const qsizetype units = std::min<qsizetype>(length / sizeof(SQLWCHAR), 63);
    return odbc::fromSqlWChar(name, units);
}

} // namespace

Connection::Connection() : m_handles(std::make_shared<ConnectionHandles>())
{
    m_handles->environment = odbc::EnvironmentHandle::allocate();
    m_handles->connection = odbc::ConnectionHandle::allocate(m_handles->environment);
}

Connection::~Connection() noexcept
{
    // Disconnecting talks to the server, so it waits as any other call does.
    BlockingCall::run([this] {
        // Recordsets may outlive us; they keep the handles, but their results end here.
        m_handles->closeStatements();
        m_handles->idleStatement.reset();
        m_handles->connection.disconnect();
    });
}

void Connection::setCursorLocation(int location)
{
    if (location != ServerSide && location != ClientSide)
        throw DbError(QStringLiteral("The cursor location %1 is not supported.").arg(location));
    m_cursorLocation = location;
}

// Each public call that may wait on the server runs its whole body through
// BlockingCall, so that the window stays alive meanwhile.
void Connection::open(const QString& connectionString)
{
    BlockingCall::run([&] { openDirect(connectionString); });
}

void Connection::openDirect(const QString& connectionString)
{
    if (isOpen()) {
        m_handles->closeStatements();
        m_handles->idleStatement.reset();
        m_handles->connection.disconnect();
    }
    odbc::ConnectionHandle& handle = m_handles->connection;
    // Set on the handle, not in the string: a server that accepts and never answers
    // must not hold the program for good.
    odbc::check(
        SQLSetConnectAttrW(handle.get(), SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(LoginTimeoutSeconds)),
                           SQL_IS_UINTEGER),
        SQL_HANDLE_DBC, handle.get(), "SQLSetConnectAttr");
    handle.connect(connectionString);
    m_handles->postgreSqlServer = dbmsName(handle) == QLatin1String("PostgreSQL");
}

bool Connection::isOpen() const noexcept
{
    return m_handles->connection.isConnected();
}

std::unique_ptr<Recordset> Connection::execute(const QString& sql)
{
    return BlockingCall::run([&] { return executeDirect(sql); });
}

std::unique_ptr<Recordset> Connection::executeDirect(const QString& sql)
{
    if (!isOpen())
        throw notOpenError();
    // A failed statement takes its handle with it, so that nothing of it reaches the next.
    odbc::StatementHandle statement = m_handles->idleStatement
                                          ? std::move(m_handles->idleStatement)
                                          : odbc::StatementHandle::allocate(m_handles->connection);
    statement.execDirect(sql);
    SQLSMALLINT columns = 0;
    statement.check(SQLNumResultCols(statement.hstmt(), &columns), "SQLNumResultCols");
    if (columns <= 0) {
        m_handles->idleStatement = std::move(statement);
        return nullptr;
    }
    auto recordset = std::make_unique<Recordset>();
    recordset->adopt(
        m_handles, m_cursorLocation, std::move(statement),
        [sql](odbc::StatementHandle& again) { again.execDirect(sql); }, sql);
    return recordset;
}

std::unique_ptr<Recordset> Connection::openSchema(int schema)
{
    return BlockingCall::run([&] { return openSchemaDirect(schema); });
}

std::unique_ptr<Recordset> Connection::openSchemaDirect(int schema)
{
    if (schema != SchemaTables)
        throw DbError(QStringLiteral("The schema %1 is not supported.").arg(schema));
    if (!isOpen())
        throw notOpenError();
    const auto requestTables = [](odbc::StatementHandle& statement) {
        statement.check(
            SQLTablesW(statement.hstmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
            "SQLTables");
    };
    odbc::StatementHandle statement = odbc::StatementHandle::allocate(m_handles->connection);
    requestTables(statement);
    auto recordset = std::make_unique<Recordset>();
    recordset->adopt(m_handles, m_cursorLocation, std::move(statement), requestTables, QString());
    return recordset;
}

void Connection::close()
{
    BlockingCall::run([this] { closeDirect(); });
}

void Connection::closeDirect()
{
    if (!isOpen())
        throw notOpenError();
    m_handles->closeStatements();
    m_handles->idleStatement.reset();
    m_handles->connection.disconnect();
}

bool Connection::canOpen(const QString& connectionString)
{
    return BlockingCall::run([&] { return canOpenDirect(connectionString); });
}

bool Connection::canOpenDirect(const QString& connectionString)
{
    Connection connection; // a failure to create it is the caller's to report
    try {
        connection.open(connectionString);
    } catch (const std::exception&) {
        return false;
    }
    return true; // the connection closes with its object
}
