#include "Storage.h"

#include <sqlite3.h>

#include <cstring>

namespace db2s {

namespace {

constexpr size_t MaxIdleStatements = 256;

const char* const CatalogDefinition[] = {
    "CREATE TABLE IF NOT EXISTS standin_meta(key TEXT PRIMARY KEY, value)",
    "INSERT OR IGNORE INTO standin_meta VALUES('catalog_version', 0), ('format', 1)",
    "CREATE TABLE IF NOT EXISTS standin_objects(id INTEGER PRIMARY KEY, schema TEXT NOT NULL, "
    "name TEXT NOT NULL, type TEXT NOT NULL, target_schema TEXT, target_name TEXT, definition "
    "TEXT, valid INTEGER NOT NULL DEFAULT 1, insert_base INTEGER, insert_map TEXT, remarks TEXT, "
    "UNIQUE(schema, name))",
    "CREATE TABLE IF NOT EXISTS standin_columns(object_id INTEGER NOT NULL, colno INTEGER NOT "
    "NULL, name TEXT NOT NULL, kind INTEGER NOT NULL, length INTEGER NOT NULL, scale INTEGER NOT "
    "NULL, nullable INTEGER NOT NULL, "
    "typename TEXT, catlength INTEGER, PRIMARY KEY(object_id, colno))",
    "CREATE TABLE IF NOT EXISTS standin_depends(view_id INTEGER NOT NULL, base_id INTEGER NOT "
    "NULL)",
    "CREATE TABLE IF NOT EXISTS standin_extra_tables(schema TEXT, name TEXT, type TEXT, remarks "
    "TEXT)",
};

// db2_convert(value, fromKind, fromLength, fromScale, toKind, toLength, toScale, cast, target):
// DB2's conversion rules inside SQLite, for CAST and the casting functions.
void convertFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 9) {
        sqlite3_result_error(context, "db2_convert: wrong number of arguments", -1);
        return;
    }
    SqlValue value;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_INTEGER:
        value = SqlValue::integer(sqlite3_value_int64(argv[0]));
        break;
    case SQLITE_FLOAT:
        value = SqlValue::real(sqlite3_value_double(argv[0]));
        break;
    case SQLITE_TEXT: {
        const unsigned char* text = sqlite3_value_text(argv[0]);
        value = SqlValue::text(std::string(reinterpret_cast<const char*>(text),
                                           static_cast<size_t>(sqlite3_value_bytes(argv[0]))));
        break;
    }
    case SQLITE_BLOB: {
        const void* data = sqlite3_value_blob(argv[0]);
        const int size = sqlite3_value_bytes(argv[0]);
        value = SqlValue::blob(
            size > 0 ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                     : std::string());
        break;
    }
    default:
        sqlite3_result_null(context);
        return;
    }
    ColType from;
    ColType to;
    if (!kindFromCode(sqlite3_value_int(argv[1]), from.kind) ||
        !kindFromCode(sqlite3_value_int(argv[4]), to.kind)) {
        sqlite3_result_error(context, "db2_convert: bad type", -1);
        return;
    }
    from.length = sqlite3_value_int64(argv[2]);
    from.scale = sqlite3_value_int(argv[3]);
    to.length = sqlite3_value_int64(argv[5]);
    to.scale = sqlite3_value_int(argv[6]);
    const ConvertMode mode =
        sqlite3_value_int(argv[7]) ? ConvertMode::Cast : ConvertMode::Assignment;
    const unsigned char* target = sqlite3_value_text(argv[8]);
    try {
        const SqlValue result = convertValue(value, from, to, mode,
                                             target ? reinterpret_cast<const char*>(target) : "");
        switch (result.storage) {
        case SqlValue::Storage::Null:
            sqlite3_result_null(context);
            break;
        case SqlValue::Storage::Integer:
            sqlite3_result_int64(context, result.i);
            break;
        case SqlValue::Storage::Real:
            sqlite3_result_double(context, result.r);
            break;
        case SqlValue::Storage::Text:
            sqlite3_result_text(context, result.s.data(), static_cast<int>(result.s.size()),
                                SQLITE_TRANSIENT);
            break;
        case SqlValue::Storage::Blob:
            sqlite3_result_blob(context, result.s.data(), static_cast<int>(result.s.size()),
                                SQLITE_TRANSIENT);
            break;
        }
    } catch (const Db2Error& error) {
        sqlite3_result_error(context, error.text().c_str(), -1);
    }
}

// A DB2 message carried through SQLite as an error text ("SQL0433N ... SQLSTATE=22001").
bool parseCarriedError(const std::string& text, std::string& state, int& native)
{
    if (text.size() < 9 || text.compare(0, 3, "SQL") != 0)
        return false;
    size_t i = 3;
    int code = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        code = code * 10 + (text[i++] - '0');
    if (i == 3 || i >= text.size() || text[i] != 'N')
        return false;
    const size_t at = text.rfind("SQLSTATE=");
    if (at == std::string::npos || text.size() - at != 14)
        return false;
    state = text.substr(at + 9);
    native = -code;
    return true;
}

} // namespace

const char* objectTypeName(ObjectType type)
{
    switch (type) {
    case ObjectType::Table:
        return "TABLE";
    case ObjectType::View:
        return "VIEW";
    case ObjectType::Alias:
        return "ALIAS";
    case ObjectType::System:
        return "VIEW";
    }
    return "TABLE";
}

Storage::Storage(const std::string& path, bool create)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string reason = m_db ? sqlite3_errmsg(m_db) : "cannot open";
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw systemError(reason);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 30000);
    try {
        exec("PRAGMA synchronous = OFF");
        exec("PRAGMA case_sensitive_like = ON"); // DB2's LIKE tells upper from lower case
        if (create) {
            exec("PRAGMA journal_mode = WAL");
            createCatalog();
        }
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
    sqlite3_create_function_v2(m_db, "db2_convert", 9, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               convertFunction, nullptr, nullptr, nullptr);
}

Storage::~Storage()
{
    for (auto& entry : m_idle) {
        for (sqlite3_stmt* statement : entry.second)
            sqlite3_finalize(statement);
    }
    sqlite3_close_v2(m_db);
}

void Storage::createCatalog()
{
    exec("BEGIN IMMEDIATE");
    try {
        for (const char* statement : CatalogDefinition)
            exec(statement);
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

sqlite3_stmt* Storage::acquire(const std::string& sql)
{
    auto it = m_idle.find(sql);
    if (it != m_idle.end() && !it->second.empty()) {
        sqlite3_stmt* statement = it->second.back();
        it->second.pop_back();
        --m_idleCount;
        return statement;
    }
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw error(rc);
    }
    return statement;
}

void Storage::release(const std::string& sql, sqlite3_stmt* statement)
{
    if (!statement)
        return;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (m_idleCount >= MaxIdleStatements) {
        sqlite3_finalize(statement);
        return;
    }
    m_idle[sql].push_back(statement);
    ++m_idleCount;
}

void Storage::exec(const std::string& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        throw error(rc);
}

Db2Error Storage::error(int rc, const std::string& object) const
{
    const std::string message = m_db ? sqlite3_errmsg(m_db) : "no database";
    std::string state;
    int native = 0;
    if (parseCarriedError(message, state, native))
        return Db2Error(state, native, message);
    switch (rc) {
    case SQLITE_BUSY:
    case SQLITE_BUSY_SNAPSHOT:
    case SQLITE_BUSY_RECOVERY:
    case SQLITE_LOCKED:
    case SQLITE_LOCKED_SHAREDCACHE:
        return sqlError(911, "40001",
                        "The current transaction has been rolled back because of a deadlock or "
                        "timeout.  Reason code \"68\".");
    case SQLITE_INTERRUPT:
        return sqlError(952, "57014", "Processing was cancelled due to an interrupt.");
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
        return sqlError(803, "23505",
                        "One or more values in the INSERT statement, UPDATE statement, or "
                        "foreign key update caused by a DELETE statement are not valid because "
                        "the primary key, unique constraint or unique index identified by \"1\" "
                        "constrains table \"" +
                            object + "\" from having duplicate values for the index key.");
    case SQLITE_CONSTRAINT_NOTNULL: {
        std::string column = "0";
        const size_t at = message.rfind(".c");
        if (at != std::string::npos)
            column = message.substr(at + 2);
        return sqlError(407, "23502",
                        "Assignment of a NULL value to a NOT NULL column \"TBSPACEID=2, "
                        "TABLEID=" +
                            object + ", COLNO=" + column + "\" is not allowed.");
    }
    default:
        break;
    }
    return systemError(message);
}

void Storage::refreshCatalog()
{
    Query query(*this, "SELECT value FROM standin_meta WHERE key = 'catalog_version'");
    long long version = 0;
    if (query.step())
        version = query.integer(0);
    if (version != m_catalogVersion) {
        m_objects.clear();
        m_catalogVersion = version;
    }
}

void Storage::catalogChanged()
{
    Query(*this, "UPDATE standin_meta SET value = value + 1 WHERE key = 'catalog_version'").run();
    m_objects.clear();
    m_catalogVersion = -1;
}

std::shared_ptr<const Object> Storage::find(const std::string& schema, const std::string& name)
{
    const auto key = std::make_pair(schema, name);
    auto it = m_objects.find(key);
    if (it != m_objects.end())
        return it->second;
    std::shared_ptr<const Object> object = load(schema, name);
    m_objects.emplace(key, object);
    return object;
}

std::shared_ptr<const Object> Storage::load(const std::string& schema, const std::string& name)
{
    {
        Query query(*this,
                    "SELECT id, type, target_schema, target_name, valid, insert_base, "
                    "insert_map, remarks FROM standin_objects WHERE schema = ? AND name = ?");
        query.bind(1, schema).bind(2, name);
        if (query.step()) {
            auto object = std::make_shared<Object>();
            object->id = query.integer(0);
            object->schema = schema;
            object->name = name;
            const std::string type = query.text(1);
            object->type = type == "V"   ? ObjectType::View
                           : type == "A" ? ObjectType::Alias
                                         : ObjectType::Table;
            object->targetSchema = query.text(2);
            object->targetName = query.text(3);
            object->valid = query.integer(4) != 0;
            object->insertBase = query.isNull(5) ? 0 : query.integer(5);
            const std::string map = query.text(6);
            size_t start = 0;
            while (start < map.size()) {
                size_t comma = map.find(',', start);
                if (comma == std::string::npos)
                    comma = map.size();
                object->insertMap.push_back(std::stoi(map.substr(start, comma - start)));
                start = comma + 1;
            }
            object->remarks = query.text(7);
            object->source =
                (object->type == ObjectType::View ? "v" : "t") + std::to_string(object->id);
            Query columns(*this, "SELECT name, kind, length, scale, nullable FROM standin_columns "
                                 "WHERE object_id = ? ORDER BY colno");
            columns.bind(1, object->id);
            while (columns.step()) {
                Column column;
                column.name = columns.text(0);
                Kind kind = Kind::Varchar;
                kindFromCode(static_cast<int>(columns.integer(1)), kind);
                column.type =
                    ColType{kind, columns.integer(2), static_cast<int>(columns.integer(3))};
                column.nullable = columns.integer(4) != 0;
                object->columns.push_back(std::move(column));
            }
            return object;
        }
    }
    for (const SystemObject& system : systemObjects()) {
        if (schema == system.schema && name == system.name)
            return systemObject(schema, name);
    }
    return nullptr;
}

std::vector<Object> Storage::allObjects()
{
    std::vector<Object> objects;
    Query query(*this, "SELECT id, schema, name, type, valid, remarks FROM standin_objects");
    while (query.step()) {
        Object object;
        object.id = query.integer(0);
        object.schema = query.text(1);
        object.name = query.text(2);
        const std::string type = query.text(3);
        object.type = type == "V"   ? ObjectType::View
                      : type == "A" ? ObjectType::Alias
                                    : ObjectType::Table;
        object.valid = query.integer(4) != 0;
        object.remarks = query.text(5);
        objects.push_back(std::move(object));
    }
    return objects;
}

std::vector<Storage::ExtraRow> Storage::extraTableRows()
{
    std::vector<ExtraRow> rows;
    Query query(*this, "SELECT schema, name, type, remarks FROM standin_extra_tables");
    while (query.step())
        rows.push_back({query.text(0), query.text(1), query.text(2), query.text(3)});
    return rows;
}

void Storage::bind(sqlite3_stmt* statement, int index, const SqlValue& value)
{
    switch (value.storage) {
    case SqlValue::Storage::Null:
        sqlite3_bind_null(statement, index);
        break;
    case SqlValue::Storage::Integer:
        sqlite3_bind_int64(statement, index, value.i);
        break;
    case SqlValue::Storage::Real:
        sqlite3_bind_double(statement, index, value.r);
        break;
    case SqlValue::Storage::Text:
        sqlite3_bind_text64(statement, index, value.s.data(), value.s.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8);
        break;
    case SqlValue::Storage::Blob:
        sqlite3_bind_blob64(statement, index, value.s.data(), value.s.size(), SQLITE_TRANSIENT);
        break;
    }
}

SqlValue Storage::column(sqlite3_stmt* statement, int index)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return SqlValue::integer(sqlite3_column_int64(statement, index));
    case SQLITE_FLOAT:
        return SqlValue::real(sqlite3_column_double(statement, index));
    case SQLITE_TEXT: {
        const unsigned char* text = sqlite3_column_text(statement, index);
        const int size = sqlite3_column_bytes(statement, index);
        return SqlValue::text(
            text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                 : std::string());
    }
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(statement, index);
        const int size = sqlite3_column_bytes(statement, index);
        return SqlValue::blob(
            data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                 : std::string());
    }
    default:
        return SqlValue::null();
    }
}

Query::Query(Storage& storage, std::string sql)
    : m_storage(storage), m_sql(std::move(sql)), m_statement(storage.acquire(m_sql))
{
}

Query::~Query()
{
    m_storage.release(m_sql, m_statement);
}

Query& Query::bind(int index, const SqlValue& value)
{
    Storage::bind(m_statement, index, value);
    return *this;
}

Query& Query::bind(int index, const std::string& text)
{
    return bind(index, SqlValue::text(text));
}

Query& Query::bind(int index, long long value)
{
    return bind(index, SqlValue::integer(value));
}

bool Query::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const Db2Error error = m_storage.error(rc);
    sqlite3_reset(m_statement);
    throw error;
}

void Query::run()
{
    while (step()) {
    }
}

long long Query::integer(int index) const
{
    return sqlite3_column_int64(m_statement, index);
}

std::string Query::text(int index) const
{
    const unsigned char* text = sqlite3_column_text(m_statement, index);
    if (!text)
        return std::string();
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(m_statement, index)));
}

bool Query::isNull(int index) const
{
    return sqlite3_column_type(m_statement, index) == SQLITE_NULL;
}

} // namespace db2s
