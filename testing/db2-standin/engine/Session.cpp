#include "Session.h"

#include "SessionState.h"

#include <sqlite3.h>

#include <algorithm>
#include <set>

namespace db2s {

namespace {

std::string upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return text;
}

// ODBC search pattern: % any sequence, _ any one character, \ escapes.
bool matchesPattern(const std::string& text, size_t t, const std::string& pattern, size_t p)
{
    while (p < pattern.size()) {
        const char c = pattern[p];
        if (c == '%') {
            for (size_t k = t; k <= text.size(); ++k) {
                if (matchesPattern(text, k, pattern, p + 1))
                    return true;
            }
            return false;
        }
        if (t >= text.size())
            return false;
        if (c == '_') {
            // one character, not one byte
            ++t;
            while (t < text.size() && (static_cast<unsigned char>(text[t]) & 0xC0) == 0x80)
                ++t;
            ++p;
            continue;
        }
        char literal = c;
        if (c == '\\' && p + 1 < pattern.size())
            literal = pattern[++p];
        if (text[t] != literal)
            return false;
        ++t;
        ++p;
    }
    return t == text.size();
}

bool matches(const std::optional<std::string>& pattern, const std::string& text)
{
    return !pattern || matchesPattern(text, 0, *pattern, 0);
}

std::set<std::string> typeList(const std::optional<std::string>& types)
{
    std::set<std::string> list;
    if (!types)
        return list;
    size_t start = 0;
    while (start <= types->size()) {
        size_t comma = types->find(',', start);
        if (comma == std::string::npos)
            comma = types->size();
        std::string item = types->substr(start, comma - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\''))
            item.erase(item.begin());
        while (!item.empty() && (item.back() == ' ' || item.back() == '\''))
            item.pop_back();
        if (!item.empty())
            list.insert(upper(item));
        start = comma + 1;
    }
    return list;
}

ColumnDesc catalogColumn(const char* name, long long length, bool nullable)
{
    return ColumnDesc{name, ColType{Kind::Varchar, length, 0}, nullable};
}

} // namespace

RowsCursor::RowsCursor(std::vector<ColumnDesc> columns, std::vector<std::vector<SqlValue>> rows)
    : m_rows(std::move(rows))
{
    m_columns = std::move(columns);
}

bool RowsCursor::next()
{
    if (m_next >= m_rows.size()) {
        m_row.clear();
        return false;
    }
    m_row = std::move(m_rows[m_next++]);
    return true;
}

Session::Session(const std::string& file, const std::string& databaseName, const std::string& user)
    : d(std::make_unique<State>())
{
    d->storage = std::make_shared<Storage>(file, false);
    d->database = databaseName;
    d->user = upper(user);
    d->schema = upper(user);
}

Session::~Session()
{
    if (d && d->transactionOpen && d->storage)
        sqlite3_exec(d->storage->db(), "ROLLBACK", nullptr, nullptr, nullptr);
}

Outcome Session::execute(const std::string& sql)
{
    return runStatement(*d, sql);
}

std::vector<ColumnDesc> Session::describe(const std::string& sql)
{
    return describeStatement(*d, sql);
}

std::unique_ptr<Cursor> Session::tables(const TableFilter& filter)
{
    std::vector<ColumnDesc> columns = {
        catalogColumn("TABLE_CAT", 128, true), catalogColumn("TABLE_SCHEM", 128, true),
        catalogColumn("TABLE_NAME", 128, false), catalogColumn("TABLE_TYPE", 128, false),
        catalogColumn("REMARKS", 254, true)};
    struct Row
    {
        std::string schema, name, type, remarks;
        bool hasRemarks = false;
    };
    std::vector<Row> rows;
    d->storage->refreshCatalog();
    for (const Object& object : d->storage->allObjects()) {
        Row row{object.schema, object.name, "TABLE", object.remarks, !object.remarks.empty()};
        if (object.type == ObjectType::View)
            row.type = object.valid ? "VIEW" : "INOPERATIVE VIEW";
        else if (object.type == ObjectType::Alias)
            row.type = "ALIAS";
        rows.push_back(row);
    }
    for (const Storage::ExtraRow& extra : d->storage->extraTableRows())
        rows.push_back(
            Row{extra.schema, extra.name, extra.type, extra.remarks, !extra.remarks.empty()});
    for (const SystemObject& system : systemObjects())
        rows.push_back(Row{system.schema, system.name, system.type, std::string(), false});

    const auto empty = [](const std::optional<std::string>& v) { return v && v->empty(); };
    std::vector<std::vector<SqlValue>> result;
    const auto text = [](const std::string& v) { return SqlValue::text(v); };
    if (filter.catalog && *filter.catalog == "%" && empty(filter.schema) && empty(filter.table))
        return std::make_unique<RowsCursor>(columns, std::move(result)); // no catalogs in DB2
    if (filter.schema && *filter.schema == "%" && empty(filter.catalog) && empty(filter.table)) {
        std::set<std::string> schemas;
        for (const Row& row : rows)
            schemas.insert(row.schema);
        for (const std::string& schema : schemas)
            result.push_back({SqlValue::null(), text(schema), SqlValue::null(), SqlValue::null(),
                              SqlValue::null()});
        return std::make_unique<RowsCursor>(columns, std::move(result));
    }
    if (filter.types && *filter.types == "%" && empty(filter.catalog) && empty(filter.schema) &&
        empty(filter.table)) {
        for (const char* type : {"ALIAS", "HIERARCHY TABLE", "INOPERATIVE VIEW", "NICKNAME",
                                 "MATERIALIZED QUERY TABLE", "SYSTEM TABLE", "TABLE", "TYPED TABLE",
                                 "TYPED VIEW", "VIEW"})
            result.push_back({SqlValue::null(), SqlValue::null(), SqlValue::null(), text(type),
                              SqlValue::null()});
        return std::make_unique<RowsCursor>(columns, std::move(result));
    }
    const std::set<std::string> types = typeList(filter.types);
    std::vector<const Row*> selected;
    for (const Row& row : rows) {
        if (!matches(filter.schema, row.schema) || !matches(filter.table, row.name))
            continue;
        if (!types.empty() && types.count(upper(row.type)) == 0)
            continue;
        if (filter.catalog && !filter.catalog->empty())
            continue; // DB2 objects belong to no catalog
        selected.push_back(&row);
    }
    std::sort(selected.begin(), selected.end(), [](const Row* a, const Row* b) {
        if (a->type != b->type)
            return a->type < b->type;
        if (a->schema != b->schema)
            return a->schema < b->schema;
        return a->name < b->name;
    });
    for (const Row* row : selected)
        result.push_back({SqlValue::null(), text(row->schema), text(row->name), text(row->type),
                          row->hasRemarks ? text(row->remarks) : SqlValue::null()});
    return std::make_unique<RowsCursor>(columns, std::move(result));
}

void Session::setAutocommit(bool on)
{
    if (on && d->transactionOpen)
        commit();
    d->autocommit = on;
}

void Session::commit()
{
    if (d->transactionOpen) {
        Query(*d->storage, "COMMIT").run();
        d->transactionOpen = false;
    }
    d->pendingChanges = false;
}

void Session::rollback()
{
    if (d->transactionOpen) {
        Query(*d->storage, "ROLLBACK").run();
        d->transactionOpen = false;
    }
    d->pendingChanges = false;
}

bool Session::hasPendingChanges() const
{
    return d->pendingChanges;
}

const std::string& Session::databaseName() const
{
    return d->database;
}

const std::string& Session::user() const
{
    return d->user;
}

void createDatabaseFile(const std::string& path)
{
    Storage storage(path, true);
}

void addCatalogRow(const std::string& path, const std::string& schema, const std::string& name,
                   const std::string& type)
{
    Storage storage(path, false);
    Query(storage, "INSERT INTO standin_extra_tables(schema, name, type) VALUES(?, ?, ?)")
        .bind(1, schema)
        .bind(2, name)
        .bind(3, type)
        .run();
}

} // namespace db2s
