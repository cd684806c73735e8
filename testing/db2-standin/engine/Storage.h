#pragma once

#include "Errors.h"
#include "Types.h"
#include "Values.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db2s {

struct Column
{
    std::string name;
    ColType type;
    bool nullable = true;
};

enum class ObjectType
{
    Table,
    View,
    Alias,
    System
};

// "TABLE", "VIEW", "ALIAS" as DB2's messages name them.
const char* objectTypeName(ObjectType type);

// A catalog entry: one table, view or alias of one schema.
struct Object
{
    long long id = 0;
    std::string schema;
    std::string name;
    ObjectType type = ObjectType::Table;
    std::string targetSchema, targetName; // alias
    std::vector<Column> columns;
    // What SQLite selects the rows from: t<id>, v<id>, or a subquery for a catalog view.
    std::string source;
    bool valid = true; // false for a view whose table was dropped
    // A view that takes INSERT: its one base object and, per view column, the base column.
    long long insertBase = 0;
    std::vector<int> insertMap;
    std::string remarks;
};

// One SQLite connection to one database file, with the stand-in's own catalog
// (schemas, DB2 column types, views, aliases) kept in tables beside the data.
// Table rows live in SQLite tables named t<id> with columns c0, c1, ...: no
// user-given name ever reaches SQLite, so case and quotes in names are DB2's.
class Storage
{
public:
    // Opens (or with create, creates) the file. Throws Db2Error.
    Storage(const std::string& path, bool create);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    sqlite3* db() const { return m_db; }

    // Prepared statements, kept for reuse; a statement in use is never handed out twice.
    sqlite3_stmt* acquire(const std::string& sql);
    void release(const std::string& sql, sqlite3_stmt* statement);
    // Runs a statement without result rows; throws Db2Error.
    void exec(const std::string& sql);

    // The DB2 error for the last SQLite failure. `object` names the table for
    // constraint messages.
    Db2Error error(int rc, const std::string& object = std::string()) const;

    // Reads the catalog version; drops cached entries when another connection
    // (or this one) changed the catalog.
    void refreshCatalog();
    // Marks the catalog changed (inside the running transaction).
    void catalogChanged();
    // The object of that exact schema and name, system objects included; null when none.
    std::shared_ptr<const Object> find(const std::string& schema, const std::string& name);
    // Every object of the catalog (for SQLTables), without columns.
    std::vector<Object> allObjects();

    // Test-only rows that SQLTables lists besides the real objects.
    struct ExtraRow
    {
        std::string schema, name, type, remarks;
    };
    std::vector<ExtraRow> extraTableRows();

    static void bind(sqlite3_stmt* statement, int index, const SqlValue& value);
    static SqlValue column(sqlite3_stmt* statement, int index);

private:
    void createCatalog();
    std::shared_ptr<const Object> load(const std::string& schema, const std::string& name);

    sqlite3* m_db = nullptr;
    std::unordered_map<std::string, std::vector<sqlite3_stmt*>> m_idle;
    size_t m_idleCount = 0;
    long long m_catalogVersion = -1;
    std::map<std::pair<std::string, std::string>, std::shared_ptr<const Object>> m_objects;
};

// A prepared statement borrowed from the cache for one use.
class Query
{
public:
    Query(Storage& storage, std::string sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, const SqlValue& value);
    Query& bind(int index, const std::string& text);
    Query& bind(int index, long long value);
    // Next row; false when done. Throws Db2Error.
    bool step();
    // Runs to the end.
    void run();
    long long integer(int index) const;
    std::string text(int index) const;
    bool isNull(int index) const;
    SqlValue value(int index) const { return Storage::column(m_statement, index); }
    sqlite3_stmt* statement() const { return m_statement; }

private:
    Storage& m_storage;
    std::string m_sql;
    sqlite3_stmt* m_statement;
};

// The SYSIBM / SYSCAT objects SQLTables lists: schema, name, type.
struct SystemObject
{
    const char* schema;
    const char* name;
    const char* type; // "SYSTEM TABLE" or "VIEW"
};
const std::vector<SystemObject>& systemObjects();
// A listed system object: the catalog views that can be queried have columns and
// a source; the others have neither and give SQL0551N.
std::shared_ptr<Object> systemObject(const std::string& schema, const std::string& name);

} // namespace db2s
