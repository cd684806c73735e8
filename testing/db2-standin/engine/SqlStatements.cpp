// DDL and DML: CREATE TABLE / VIEW / ALIAS, DROP TABLE, RENAME, INSERT, DELETE.

#include "SqlParser.h"

#include <charconv>

namespace db2s::sql {

namespace {

// SYSCAT.COLUMNS.LENGTH: characters or bytes of strings, precision of DECIMAL,
// the stored size of everything else.
long long catalogLength(const ColType& type)
{
    switch (type.kind) {
    case Kind::LongVarchar:
        return LongVarcharMax;
    case Kind::LongVargraphic:
        return LongVargraphicMax;
    case Kind::Smallint:
        return 2;
    case Kind::Integer:
    case Kind::Real:
    case Kind::Date:
        return 4;
    case Kind::Bigint:
    case Kind::Double:
        return 8;
    case Kind::Decfloat:
        return type.length == 16 ? 8 : 16;
    case Kind::Time:
        return 3;
    case Kind::Timestamp:
        return 10;
    case Kind::Boolean:
        return 1;
    case Kind::Xml:
    case Kind::Null:
        return 0;
    default:
        return type.length;
    }
}

std::string sqliteLiteral(const SqlValue& value)
{
    static const char hex[] = "0123456789ABCDEF";
    switch (value.storage) {
    case SqlValue::Storage::Null:
        return "NULL";
    case SqlValue::Storage::Integer:
        return std::to_string(value.i);
    case SqlValue::Storage::Real: {
        char buffer[64];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value.r);
        std::string text(buffer, result.ptr);
        if (text.find_first_of(".eEn") == std::string::npos)
            text += ".0";
        if (text == "inf")
            return "9e999";
        if (text == "-inf")
            return "-9e999";
        return text;
    }
    case SqlValue::Storage::Text:
        if (value.s.find('\0') == std::string::npos) {
            std::string text = "'";
            for (char c : value.s) {
                text += c;
                if (c == '\'')
                    text += '\'';
            }
            return text + "'";
        }
        [[fallthrough]];
    case SqlValue::Storage::Blob: {
        std::string text = "X'";
        for (unsigned char c : value.s) {
            text += hex[c >> 4];
            text += hex[c & 15];
        }
        text += "'";
        if (value.storage == SqlValue::Storage::Text)
            return "CAST(" + text + " AS TEXT)";
        return text;
    }
    }
    return "NULL";
}

// Replaces every ?<n> of a SQLite text by the literal of parameter n.
std::string inlineParameters(const std::string& sql, const std::vector<SqlValue>& params)
{
    std::string text;
    for (size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] == '?' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
            size_t j = i + 1;
            size_t number = 0;
            while (j < sql.size() && sql[j] >= '0' && sql[j] <= '9')
                number = number * 10 + static_cast<size_t>(sql[j++] - '0');
            text += number >= 1 && number <= params.size() ? sqliteLiteral(params[number - 1])
                                                           : std::string("NULL");
            i = j - 1;
        } else {
            text += sql[i];
        }
    }
    return text;
}

} // namespace

Outcome Parser::runCreate()
{
    if (acceptWord("TABLE"))
        return createTable();
    if (acceptWord("VIEW"))
        return createView();
    if (acceptWord("ALIAS") || acceptWord("SYNONYM"))
        return createAlias();
    fail("TABLE");
}

Outcome Parser::createTable()
{
    const Name name = objectName();
    expectSymbol("(");
    std::vector<Column> columns;
    do {
        Column column;
        column.name = identifier();
        column.type = parseType();
        if (isWord("NOT") && isWord("NULL", 1)) {
            take();
            take();
            column.nullable = false;
        }
        for (const Column& other : columns) {
            if (other.name == column.name)
                throw sqlError(612, "42711", "\"" + column.name + "\" is a duplicate name.");
        }
        columns.push_back(column);
    } while (acceptSymbol(","));
    expectSymbol(")");
    expectEnd();
    checkRowWidth(columns);

    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    checkCreatable(name);
    Query(m_storage, "INSERT INTO standin_objects(schema, name, type, definition) VALUES(?, ?, "
                     "'T', ?)")
        .bind(1, name.schema)
        .bind(2, name.name)
        .bind(3, m_sql)
        .run();
    const long long id = sqlite3_last_insert_rowid(m_storage.db());
    std::string create = "CREATE TABLE t" + std::to_string(id) + "(";
    for (size_t i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        Query(m_storage, "INSERT INTO standin_columns(object_id, colno, name, kind, length, scale, "
                         "nullable, typename, catlength) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)")
            .bind(1, id)
            .bind(2, static_cast<long long>(i))
            .bind(3, column.name)
            .bind(4, static_cast<long long>(kindCode(column.type.kind)))
            .bind(5, column.type.length)
            .bind(6, static_cast<long long>(column.type.scale))
            .bind(7, static_cast<long long>(column.nullable ? 1 : 0))
            .bind(8, typeName(column.type))
            .bind(9, catalogLength(column.type))
            .run();
        create += (i ? ", c" : "c") + std::to_string(i) + " " + sqliteDeclaration(column.type);
        if (!column.nullable)
            create += " NOT NULL";
    }
    create += ")";
    m_storage.exec(create);
    m_storage.catalogChanged();
    scope.commit();
    return Outcome();
}

void Parser::checkRowWidth(const std::vector<Column>& columns) const
{
    // Every table lands in the default table space, USERSPACE1, whose pages are
    // 4 KB: at most 500 columns and 4,005 bytes a row. The database's extended
    // row size (on by default) lets the data of VARCHAR, VARGRAPHIC and
    // VARBINARY columns leave the row; what stays of them is their 4-byte offset
    // and length and the null byte.
    constexpr size_t MaxColumns = 500;
    constexpr long long MaxRowBytes = 4005;
    if (columns.size() > MaxColumns)
        throw tooManyColumns();
    long long bytes = 0;
    for (const Column& column : columns) {
        bool varying = false;
        const long long inRow = rowBytes(column.type, column.nullable, &varying);
        bytes += varying ? 4 + (column.nullable ? 1 : 0) : inRow;
    }
    if (bytes > MaxRowBytes)
        throw rowTooLong(MaxRowBytes, "USERSPACE1");
}

Outcome Parser::createView()
{
    const Name name = objectName();
    expectWord("AS");
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    QueryPlan plan = fullselect(nullptr);
    expectEnd();
    std::vector<std::string> names;
    for (const ColumnDesc& column : plan.columns)
        names.push_back(column.name);
    bool unnamed = false;
    for (size_t i = 0; i < names.size() && !unnamed; ++i) {
        if (!names[i].empty() && names[i][0] >= '0' && names[i][0] <= '9' &&
            names[i] == std::to_string(i + 1))
            unnamed = true;
        for (size_t j = 0; j < i; ++j)
            unnamed = unnamed || names[j] == names[i];
    }
    if (unnamed)
        throw sqlError(153, "42908", "The statement does not include a required column list.");
    checkCreatable(name);
    std::string map;
    for (size_t i = 0; plan.insertable && i < plan.baseColumns.size(); ++i)
        map += (i ? "," : "") + std::to_string(plan.baseColumns[i]);
    Query insert(m_storage, "INSERT INTO standin_objects(schema, name, type, definition, "
                            "insert_base, insert_map) VALUES(?, ?, 'V', ?, ?, ?)");
    insert.bind(1, name.schema).bind(2, name.name).bind(3, m_sql);
    insert.bind(4, plan.insertable ? SqlValue::integer(plan.baseId) : SqlValue::null());
    insert.bind(5, plan.insertable ? SqlValue::text(map) : SqlValue::null());
    insert.run();
    const long long id = sqlite3_last_insert_rowid(m_storage.db());
    for (size_t i = 0; i < plan.columns.size(); ++i) {
        const ColumnDesc& column = plan.columns[i];
        Query(m_storage, "INSERT INTO standin_columns(object_id, colno, name, kind, length, scale, "
                         "nullable, typename, catlength) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)")
            .bind(1, id)
            .bind(2, static_cast<long long>(i))
            .bind(3, names[i])
            .bind(4, static_cast<long long>(kindCode(column.type.kind)))
            .bind(5, column.type.length)
            .bind(6, static_cast<long long>(column.type.scale))
            .bind(7, static_cast<long long>(column.nullable ? 1 : 0))
            .bind(8, typeName(column.type))
            .bind(9, catalogLength(column.type))
            .run();
    }
    for (long long base : m_dependencies) {
        Query(m_storage, "INSERT INTO standin_depends(view_id, base_id) VALUES(?, ?)")
            .bind(1, id)
            .bind(2, base)
            .run();
    }
    m_storage.exec("CREATE VIEW v" + std::to_string(id) + " AS " +
                   inlineParameters(plan.sql, m_params));
    m_storage.catalogChanged();
    scope.commit();
    return Outcome();
}

Outcome Parser::createAlias()
{
    const Name name = objectName();
    expectWord("FOR");
    if (acceptWord("TABLE") || acceptWord("MODULE") || acceptWord("SEQUENCE")) {
    }
    const Name target = objectName();
    expectEnd();
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    checkCreatable(name);
    if (target.schema == name.schema && target.name == name.name)
        throw sqlError(357, "42916",
                       "The alias \"" + quoteName(name.schema, name.name) +
                           "\" cannot be created because it would result in a repetitive "
                           "chain of aliases.");
    Query(m_storage, "INSERT INTO standin_objects(schema, name, type, target_schema, "
                     "target_name, definition) VALUES(?, ?, 'A', ?, ?, ?)")
        .bind(1, name.schema)
        .bind(2, name.name)
        .bind(3, target.schema)
        .bind(4, target.name)
        .bind(5, m_sql)
        .run();
    m_storage.catalogChanged();
    scope.commit();
    return Outcome();
}

Outcome Parser::runDrop()
{
    const ObjectType expected = ObjectType::Table;
    expectWord("TABLE");
    const Name name = objectName();
    expectEnd();
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    std::shared_ptr<const Object> object = m_storage.find(name.schema, name.name);
    if (!object)
        throw undefinedName(name.schema, name.name);
    if (object->type == ObjectType::System)
        throw sqlError(607, "42832", "\"DROP\" is not defined for system objects.");
    if (object->type != expected)
        throw sqlError(159, "42809",
                       "The statement references \"" + quoteName(name.schema, name.name) +
                           "\" which identifies a \"" + objectTypeName(object->type) +
                           "\" rather than a \"" + objectTypeName(expected) + "\".");
    m_storage.exec("DROP TABLE t" + std::to_string(object->id));
    // Views on the dropped object stay in the catalog, inoperative, as in DB2.
    Query(m_storage, "UPDATE standin_objects SET valid = 0 WHERE id IN (SELECT view_id FROM "
                     "standin_depends WHERE base_id = ?)")
        .bind(1, object->id)
        .run();
    Query(m_storage, "DELETE FROM standin_depends WHERE base_id = ? OR view_id = ?")
        .bind(1, object->id)
        .bind(2, object->id)
        .run();
    Query(m_storage, "DELETE FROM standin_columns WHERE object_id = ?").bind(1, object->id).run();
    Query(m_storage, "DELETE FROM standin_objects WHERE id = ?").bind(1, object->id).run();
    m_storage.catalogChanged();
    scope.commit();
    return Outcome();
}

Outcome Parser::runRename()
{
    acceptWord("TABLE");
    const Name source = objectName();
    expectWord("TO");
    const std::string target = identifier();
    if (isSymbol(".")) {
        take();
        const std::string second = identifier();
        throw sqlError(108, "42601",
                       "The name \"" + target + "." + second +
                           "\" has the wrong number of qualifiers.");
    }
    expectEnd();
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    std::shared_ptr<const Object> object = m_storage.find(source.schema, source.name);
    if (!object)
        throw undefinedName(source.schema, source.name);
    if (object->type == ObjectType::System)
        throw sqlError(607, "42832", "\"RENAME\" is not defined for system objects.");
    if (object->type != ObjectType::Table)
        throw sqlError(156, "42809", "The name used for this operation is not a table.");
    std::shared_ptr<const Object> existing = m_storage.find(source.schema, target);
    if (existing)
        throw duplicateObject(source.schema, target, objectTypeName(existing->type));
    Query dependents(m_storage, "SELECT COUNT(*) FROM standin_depends WHERE base_id = ?");
    dependents.bind(1, object->id);
    if (dependents.step() && dependents.integer(0) > 0)
        throw sqlError(750, "42986",
                       "The source table cannot be renamed because it is referenced in a view, "
                       "materialized query table, trigger, SQL function, SQL method, check "
                       "constraint, or referential constraint.");
    Query(m_storage, "UPDATE standin_objects SET name = ? WHERE id = ?")
        .bind(1, target)
        .bind(2, object->id)
        .run();
    m_storage.catalogChanged();
    scope.commit();
    return Outcome();
}

Outcome Parser::runInsert()
{
    expectWord("INTO");
    const Name name = objectName();
    std::vector<std::string> columnNames;
    if (acceptSymbol("(")) {
        do {
            columnNames.push_back(identifier());
        } while (acceptSymbol(","));
        expectSymbol(")");
    }
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    std::shared_ptr<const Object> target = resolve(name, true);
    std::shared_ptr<const Object> table = target;
    std::vector<int> viewMap; // view column -> table column
    if (target->type == ObjectType::View) {
        if (target->insertBase == 0 || !(table = objectById(target->insertBase)) ||
            table->type != ObjectType::Table)
            throw sqlError(150, "42807",
                           "The target fullselect, view, typed table, materialized query table, "
                           "range-clustered table, or staging table in the INSERT, DELETE, "
                           "UPDATE, MERGE, or TRUNCATE statement is a target for which the "
                           "requested operation is not permitted.");
        viewMap = target->insertMap;
    }
    // Target columns, as indexes into the columns of the named object.
    std::vector<int> targets;
    if (columnNames.empty()) {
        for (size_t i = 0; i < target->columns.size(); ++i)
            targets.push_back(static_cast<int>(i));
    } else {
        for (const std::string& columnName : columnNames) {
            int found = -1;
            for (size_t i = 0; i < target->columns.size(); ++i) {
                if (target->columns[i].name == columnName)
                    found = static_cast<int>(i);
            }
            if (found < 0)
                throw invalidColumn(columnName);
            for (int other : targets) {
                if (other == found)
                    throw sqlError(121, "42701",
                                   "The target name \"" + columnName +
                                       "\" is specified more than once for assignment in the "
                                       "same SQL statement.");
            }
            targets.push_back(found);
        }
    }
    const std::string valueCountError =
        "The number of values assigned is not the same as the number of specified or implied "
        "columns or variables.";
    std::vector<std::vector<std::pair<SqlValue, ColType>>> rows;
    expectWord("VALUES");
    do {
        std::vector<std::pair<SqlValue, ColType>> row;
        auto value = [&]() {
            Scope empty;
            const Expr e = expression(empty);
            row.emplace_back(evaluate(e), e.type);
        };
        if (acceptSymbol("(")) {
            do {
                value();
            } while (acceptSymbol(","));
            expectSymbol(")");
        } else {
            value();
        }
        if (row.size() != targets.size())
            throw sqlError(117, "42802", valueCountError);
        rows.push_back(std::move(row));
    } while (acceptSymbol(","));
    expectEnd();
    if (!viewMap.empty()) {
        for (int& t : targets)
            t = viewMap[static_cast<size_t>(t)];
    }
    insertRows(*table, targets, rows);
    scope.commit();
    Outcome outcome;
    outcome.rowCount = static_cast<long long>(rows.size());
    return outcome;
}

void Parser::insertRows(const Object& table, const std::vector<int>& targets,
                        const std::vector<std::vector<std::pair<SqlValue, ColType>>>& rows)
{
    const size_t width = table.columns.size();
    std::string sql = "INSERT INTO " + table.source + "(";
    for (size_t i = 0; i < width; ++i)
        sql += (i ? ", c" : "c") + std::to_string(i);
    sql += ") VALUES(";
    for (size_t i = 0; i < width; ++i)
        sql += (i ? ", ?" : "?") + std::to_string(i + 1);
    sql += ")";
    Query insert(m_storage, sql);
    // The value of each table column: an index into the row, or -1 for none.
    std::vector<int> given(width, -1);
    for (size_t k = 0; k < targets.size(); ++k)
        given[static_cast<size_t>(targets[k])] = static_cast<int>(k);
    for (const auto& row : rows) {
        for (size_t c = 0; c < width; ++c) {
            const Column& column = table.columns[c];
            SqlValue value;
            if (given[c] >= 0) {
                const auto& source = row[static_cast<size_t>(given[c])];
                value = convertValue(source.first, source.second, column.type,
                                     ConvertMode::Assignment, column.name);
            }
            if (value.isNull() && !column.nullable)
                throw sqlError(407, "23502",
                               "Assignment of a NULL value to a NOT NULL column \"TBSPACEID=2, "
                               "TABLEID=" +
                                   std::to_string(table.id) + ", COLNO=" + std::to_string(c) +
                                   "\" is not allowed.");
            insert.bind(static_cast<int>(c + 1), value);
        }
        const int rc = sqlite3_step(insert.statement());
        if (rc != SQLITE_DONE) {
            const Db2Error error = m_storage.error(rc, quoteName(table.schema, table.name));
            sqlite3_reset(insert.statement());
            throw error;
        }
        sqlite3_reset(insert.statement());
    }
}

Outcome Parser::runDelete()
{
    expectWord("FROM");
    const Name name = objectName();
    FromItem item;
    item.alias = "s0";
    if (acceptWord("AS")) {
        item.hasCorrelation = true;
        item.correlation = identifier();
    } else if (isIdentifier() && !isWord("WHERE")) {
        item.hasCorrelation = true;
        item.correlation = identifier();
    }
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    std::shared_ptr<const Object> target = resolve(name, true);
    if (target->type != ObjectType::Table)
        throw sqlError(150, "42807",
                       "The target fullselect, view, typed table, materialized query table, "
                       "range-clustered table, or staging table in the INSERT, DELETE, UPDATE, "
                       "MERGE, or TRUNCATE statement is a target for which the requested "
                       "operation is not permitted.");
    item.schema = name.schema;
    item.name = name.name;
    item.object = target;
    for (const Column& column : target->columns)
        item.columns.push_back(SourceColumn{column.name, column.type, column.nullable});
    Scope deleteScope;
    deleteScope.items.push_back(item);
    std::string where;
    if (acceptWord("WHERE"))
        where = " WHERE " + expression(deleteScope).sql;
    expectEnd();
    const std::string sql = "DELETE FROM " + target->source + " AS s0" + where;
    Query remove(m_storage, sql);
    for (size_t i = 0; i < m_params.size(); ++i)
        remove.bind(static_cast<int>(i + 1), m_params[i]);
    remove.run();
    Outcome outcome;
    outcome.rowCount = sqlite3_changes64(m_storage.db());
    scope.commit();
    return outcome;
}

} // namespace db2s::sql
