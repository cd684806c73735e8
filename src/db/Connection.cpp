#include "db/Connection.h"

#include "db/BlockingCall.h"
#include "db/ConnectionHandles.h"
#include "db/PostgreSQL.h"
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

// SQL_ATTR_XML_DECLARATION of IBM's CLI driver, and its value for neither a
// byte-order mark nor an XML declaration (IBM's sqlcli1.h).
constexpr SQLINTEGER Db2AttrXmlDeclaration = 2552;
constexpr SQLULEN Db2XmlDeclarationNone = 0;

// IBM's driver puts a byte-order mark and an XML declaration in front of every XML
// value it serializes for the program, unless told otherwise: asked once per
// connection to DB2, so that XML arrives with the text the server holds. A driver
// that does not know the attribute says so, and the connection goes on without it
// (values that still carry a declaration are kept as they come).
void askForBareXml(const odbc::ConnectionHandle& handle) noexcept
{
    SQLSetConnectAttrW(handle.get(), Db2AttrXmlDeclaration,
                       reinterpret_cast<SQLPOINTER>(Db2XmlDeclarationNone), SQL_IS_UINTEGER);
}

// Ends the session and every result still open on it; recordsets may outlive the
// connection (they keep the handles), but their results end here. False when the
// driver refused to end the session (the handle keeps the reason).
bool disconnect(ConnectionHandles& handles) noexcept
{
    handles.closeStatements();
    handles.idleStatement.reset();
    return handles.connection.disconnect();
}

// The same, for a caller that is told why it failed.
void disconnectOrThrow(ConnectionHandles& handles)
{
    if (disconnect(handles))
        return;
    const std::optional<DbError>& failure = handles.connection.disconnectFailure();
    throw failure ? *failure : DbError(QStringLiteral("SQLDisconnect failed (no diagnostics)"));
}

} // namespace

struct Connection::Calls
{
    static void open(Connection& self, const QString& connectionString)
    {
        // A session that cannot be ended keeps its handle, which cannot connect again.
        if (self.isOpen())
            disconnectOrThrow(*self.m_handles);
        odbc::ConnectionHandle& handle = self.m_handles->connection;
        // Set on the handle, not in the string: a server that accepts and never
        // answers must not hold the program for good.
        odbc::check(SQLSetConnectAttrW(
                        handle.get(), SQL_ATTR_LOGIN_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(self.m_loginTimeout)),
                        SQL_IS_UINTEGER),
                    SQL_HANDLE_DBC, handle.get(), "SQLSetConnectAttr");
        handle.connect(connectionString);
        const QString dbms = dbmsName(handle);
        self.m_handles->readingQuery =
            dbms == QLatin1String("PostgreSQL") ? &PostgreSQL::ServerTextQuery : nullptr;
        // DB2 for Linux, UNIX and Windows names itself "DB2/" and its platform.
        if (dbms.startsWith(QLatin1String("DB2")))
            askForBareXml(handle);
    }

    static int loginTimeout(const Connection& self)
    {
        const odbc::ConnectionHandle& handle = self.m_handles->connection;
        SQLUINTEGER seconds = 0;
        odbc::check(SQLGetConnectAttrW(handle.get(), SQL_ATTR_LOGIN_TIMEOUT, &seconds,
                                       SQL_IS_UINTEGER, nullptr),
                    SQL_HANDLE_DBC, handle.get(), "SQLGetConnectAttr");
        return static_cast<int>(seconds);
    }

    static std::unique_ptr<Recordset> execute(Connection& self, const QString& sql)
    {
        if (!self.isOpen())
            throw notOpenError();
        ConnectionHandles& handles = *self.m_handles;
        // A failed statement takes its handle with it, so that nothing of it reaches
        // the next.
        odbc::StatementHandle statement = handles.idleStatement
                                              ? std::move(handles.idleStatement)
                                              : odbc::StatementHandle::allocate(handles.connection);
        statement.execDirect(sql);
        SQLSMALLINT columns = 0;
        statement.check(SQLNumResultCols(statement.hstmt(), &columns), "SQLNumResultCols");
        if (columns <= 0) {
            handles.idleStatement = std::move(statement);
            return nullptr;
        }
        auto recordset = std::make_unique<Recordset>();
        recordset->adopt(
            self.m_handles, self.m_cursorLocation, std::move(statement),
            [sql](odbc::StatementHandle& again) { again.execDirect(sql); }, sql);
        return recordset;
    }

    static std::unique_ptr<Recordset> openSchema(Connection& self, int schema)
    {
        if (schema != SchemaTables)
            throw DbError(QStringLiteral("The schema %1 is not supported.").arg(schema));
        if (!self.isOpen())
            throw notOpenError();
        const auto requestTables = [](odbc::StatementHandle& statement) {
            statement.check(
                SQLTablesW(statement.hstmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
                "SQLTables");
        };
        odbc::StatementHandle statement =
            odbc::StatementHandle::allocate(self.m_handles->connection);
        requestTables(statement);
        auto recordset = std::make_unique<Recordset>();
        recordset->adopt(self.m_handles, self.m_cursorLocation, std::move(statement), requestTables,
                         QString());
        return recordset;
    }

    static void close(Connection& self)
    {
        if (!self.isOpen())
            throw notOpenError();
        disconnectOrThrow(*self.m_handles);
    }

    static bool canOpen(const QString& connectionString)
    {
        Connection connection; // a failure to create it is the caller's to report
        try {
            connection.open(connectionString);
        } catch (const std::exception&) {
            return false;
        }
        return true; // the connection closes with its object
    }
};

Connection::Connection() : m_handles(std::make_shared<ConnectionHandles>())
{
    m_handles->environment = odbc::EnvironmentHandle::allocate();
    m_handles->connection = odbc::ConnectionHandle::allocate(m_handles->environment);
}

Connection::~Connection() noexcept
{
    // Disconnecting talks to the server, so it waits as any other call does. The
    // handles go with it unless a recordset still holds them; freeing them tries
    // a refused disconnect once more.
    BlockingCall::run([this] {
        disconnect(*m_handles);
        m_handles.reset();
    });
}

void Connection::setCursorLocation(int location)
{
    if (location != ServerSide && location != ClientSide)
        throw DbError(QStringLiteral("The cursor location %1 is not supported.").arg(location));
    m_cursorLocation = location;
}

void Connection::setLoginTimeout(int seconds)
{
    if (seconds < 0)
        throw DbError(QStringLiteral("The login time-out %1 is not supported.").arg(seconds));
    m_loginTimeout = seconds;
}

bool Connection::isOpen() const noexcept
{
    return m_handles->connection.isConnected();
}

// Each public call that may wait on the driver runs its whole body through
// BlockingCall, so that the window stays alive meanwhile.
void Connection::open(const QString& connectionString)
{
    BlockingCall::call(Calls::open, *this, connectionString);
}

int Connection::loginTimeout() const
{
    return BlockingCall::call(Calls::loginTimeout, *this);
}

std::unique_ptr<Recordset> Connection::execute(const QString& sql)
{
    return BlockingCall::call(Calls::execute, *this, sql);
}

std::unique_ptr<Recordset> Connection::openSchema(int schema)
{
    return BlockingCall::call(Calls::openSchema, *this, schema);
}

void Connection::close()
{
    BlockingCall::call(Calls::close, *this);
}

bool Connection::canOpen(const QString& connectionString)
{
    return BlockingCall::call(Calls::canOpen, connectionString);
}
