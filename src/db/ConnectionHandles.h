#pragma once

#ifndef DOVETAB_DB_PRIVATE
#error "This header is private to src/db; use db/Connection.h and db/Recordset.h."
#endif

// Private to the data access layer: the handles a Connection and its Recordsets
// share. A Recordset keeps the connection's handles alive, so destroying the
// Connection first frees nothing twice; closing the connection closes every
// statement still open on it first.

#include "db/AdoTypes.h"
#include "db/OdbcHandles.h"
#include "db/ResultColumn.h"
#include "db/Value.h"

#include <memory>
#include <optional>
#include <vector>

struct StatementState;

struct ConnectionHandles
{
    // Declared in freeing order reversed: the connection goes before its environment.
    odbc::EnvironmentHandle environment;
    odbc::ConnectionHandle connection;
    // The statement of the last execute that produced no result set, kept for the
    // next one: a table's INSERTs run on one handle. Freed before the session ends.
    odbc::StatementHandle idleStatement;
    // Statements whose result is still open (owned by their Recordsets).
    std::vector<StatementState*> openStatements;
    // How this server's results are read, chosen once at open from its DBMS name:
    // the query that reads the same rows in the server's own text where the driver
    // would lose what the values hold (PostgreSQL::ServerTextQuery), or none.
    using ReadingQuery = QString (*)(const QString& sql, const std::vector<ResultColumn>& columns);
    ReadingQuery readingQuery = nullptr;

    // Frees every open statement; their Recordsets then report state 0.
    void closeStatements() noexcept;
};

// The open result of one Recordset: its statement, the column layout and the
// current row. Only the current row is held.
struct StatementState
{
    std::shared_ptr<ConnectionHandles> connection;
    odbc::StatementHandle statement;
    bool open = false;
    bool eof = true;
    long long recordCount = -1;
    // How each column's values are read (see Recordset.cpp).
    std::vector<ValueForm> forms;
    // The current row, and per column the error of a value that could not be read
    // (it fails when the value is asked for, not the move to its row).
    std::vector<Value> row;
    std::vector<std::optional<DbError>> readErrors;
    // Reused for every value, so that reading a row allocates only the values.
    std::vector<SQLWCHAR> textBuffer;
    std::vector<unsigned char> binaryBuffer;

    StatementState() = default;
    StatementState(const StatementState&) = delete;
    StatementState& operator=(const StatementState&) = delete;
    ~StatementState() noexcept { release(); }

    void registerOpen();
    // Frees the statement and leaves the result closed; safe to call twice.
    void release() noexcept;
};
