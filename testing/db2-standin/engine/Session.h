#pragma once

#include "Errors.h"
#include "Types.h"
#include "Values.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace db2s {

struct ColumnDesc
{
    std::string name;
    ColType type;
    bool nullable = true;
};

// The rows of one result set, read forward only.
class Cursor
{
public:
    virtual ~Cursor() = default;
    const std::vector<ColumnDesc>& columns() const { return m_columns; }
    // Moves to the next row; false after the last one. Throws Db2Error.
    virtual bool next() = 0;
    // The current row, one value per column.
    const std::vector<SqlValue>& row() const { return m_row; }

protected:
    std::vector<ColumnDesc> m_columns;
    std::vector<SqlValue> m_row;
};

// A result set held in memory (catalog listings).
class RowsCursor : public Cursor
{
public:
    RowsCursor(std::vector<ColumnDesc> columns, std::vector<std::vector<SqlValue>> rows);
    bool next() override;

private:
    std::vector<std::vector<SqlValue>> m_rows;
    size_t m_next = 0;
};

struct Outcome
{
    std::unique_ptr<Cursor> cursor; // set for a query
    long long rowCount = -1;        // rows inserted, updated or deleted; -1 otherwise
};

// Arguments of SQLTables; an absent value means "no restriction".
struct TableFilter
{
    std::optional<std::string> catalog, schema, table, types;
};

// One client session on one database: runs DB2 statements against its SQLite file.
class Session
{
public:
    // Opens the database file as the given user (whose name, in upper case, is the
    // default schema). Throws Db2Error.
    Session(const std::string& file, const std::string& databaseName, const std::string& user);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs one statement. Throws Db2Error with DB2's message when it fails; a
    // failed statement changes nothing.
    Outcome execute(const std::string& sql);
    // The result columns the statement would give (empty for a statement without
    // a result set). Throws Db2Error.
    std::vector<ColumnDesc> describe(const std::string& sql);
    // The table catalog as SQLTables returns it.
    std::unique_ptr<Cursor> tables(const TableFilter& filter);

    void setAutocommit(bool on);
    void commit();
    void rollback();
    // True when a unit of work with changes is open (autocommit off).
    bool hasPendingChanges() const;

    const std::string& databaseName() const;
    const std::string& user() const;

    struct State;

private:
    std::unique_ptr<State> d;
};

// Creates an empty database file with the stand-in's catalog. Throws Db2Error.
void createDatabaseFile(const std::string& path);
// Adds a row that SQLTables lists besides the real objects (test-only).
void addCatalogRow(const std::string& path, const std::string& schema, const std::string& name,
                   const std::string& type);

} // namespace db2s
