#pragma once

#include "db/DbError.h"
#include "db/ObjectState.h"

#include <QString>
#include <memory>

class Recordset;
struct ConnectionHandles;

// A connection to one database through the ODBC driver manager, shaped like the
// object model the handlers are written against: set the cursor location, open
// with a connection string, execute statements, read the table catalog, close.
//
// Every operation throws DbError on failure. Destroying a Connection closes it if
// it is open and never throws. Recordsets opened on it stay valid objects after
// the connection is closed or destroyed (they are closed with it).
class Connection
{
public:
    enum CursorLocation
    {
        ServerSide = 2,
        ClientSide = 3
    };
    enum Schema
    {
        SchemaTables = 20
    };
    // Seconds an open may take before the driver gives up (the ODBC login time-out).
    static constexpr int LoginTimeoutSeconds = 30;

    // Allocates the driver manager's handles; throws DbError when that fails.
    Connection();
    ~Connection() noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 2 (server side) or 3 (client side: a query result knows its exact RecordCount).
    // Set before open(); throws DbError for any other value.
    void setCursorLocation(int location);
    int cursorLocation() const noexcept { return m_cursorLocation; }

    // Seconds the next open may take; LoginTimeoutSeconds unless set otherwise
    // (tests shorten it). Throws DbError for a negative value.
    void setLoginTimeout(int seconds);
    // The login time-out as the driver holds it for this connection; throws DbError
    // when the driver cannot say.
    int loginTimeout() const;

    // Connects with the string as the only argument. Throws DbError with the
    // driver's message; an open connection is closed first.
    void open(const QString& connectionString);
    bool isOpen() const noexcept;
    // 0 closed, 1 open.
    int state() const noexcept { return isOpen() ? ObjectState::Open : ObjectState::Closed; }

    // Executes the text unchanged. Returns an open Recordset when the statement
    // produces a result set, nullptr otherwise (its result is ignored). Statements
    // without a result set reuse one statement handle, one after the other.
    std::unique_ptr<Recordset> execute(const QString& sql);

    // The table catalog (schema 20, no criteria): every table, view, alias and
    // system table the driver reports, with at least the columns TABLE_TYPE and
    // TABLE_NAME. Throws DbError for any other schema.
    std::unique_ptr<Recordset> openSchema(int schema);

    // True when a connection with the string could be opened; the driver's message
    // is dropped and nothing is left open. Throws DbError only when the connection
    // object itself cannot be created.
    static bool canOpen(const QString& connectionString);

    // Closes the connection and every recordset still open on it. Throws DbError
    // when the connection is not open.
    void close();

private:
    friend class Recordset;
    // The bodies of the calls above that talk to the driver, each run through
    // BlockingCall (Connection.cpp).
    struct Calls;
    std::shared_ptr<ConnectionHandles> m_handles;
    int m_cursorLocation = ServerSide;
    int m_loginTimeout = LoginTimeoutSeconds;
};
