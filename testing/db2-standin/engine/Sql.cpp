// DB2 statements to SQLite: parsing, name resolution, typing and execution.
//
// Every literal becomes a numbered SQLite parameter (?1, ?2, ...), so the
// SQLite text never holds user data and repeated statements share one prepared
// statement. Tables and columns are reached by their catalog ids (t<id>.c<n>).

#include "Lexer.h"
#include "SessionState.h"

#include <sqlite3.h>

#include <charconv>
#include <ctime>
#include <map>
#include <set>

namespace db2s {

namespace {

// ---------------------------------------------------------------- helpers

struct SourceColumn
{
    std::string name;
    ColType type;
    bool nullable = true;
};

struct FromItem
{
    std::string alias; // the SQLite alias, s<n>
    bool hasCorrelation = false;
    std::string correlation;
    std::string schema, name; // exposed table name when there is no correlation name
    std::vector<SourceColumn> columns;
    std::shared_ptr<const Object> object; // null for a nested table expression
};

struct Scope
{
    std::vector<FromItem> items;
    const Scope* outer = nullptr;
};

enum class Form
{
    Other,
    Column,
    String,
    Number,
    Null,
    Boolean
};

struct Expr
{
    std::string sql; // value form, for computing, comparing and ordering
    std::string out; // stored form, for output columns
    ColType type{Kind::Null, 0, 0};
    bool nullable = true;
    Form form = Form::Other;
    std::string name; // column name of a column reference
    int param = -1;   // parameter of a literal
    SqlValue literal; // exact value of a literal
    bool aggregate = false;
    const FromItem* item = nullptr; // column reference: its FROM item and column
    int column = -1;
};

struct QueryPlan
{
    std::string sql;
    std::vector<ColumnDesc> columns;
    // A view over this query takes INSERT: one base table, plain columns.
    bool insertable = false;
    long long baseId = 0;
    std::vector<int> baseColumns;
};

bool isDecimalLike(Kind kind)
{
    return kind == Kind::Decimal || kind == Kind::Decfloat;
}

ColType typeOf(Kind kind, long long length = 0, int scale = 0)
{
    return ColType{kind, length, scale};
}

// SQLite computes DECIMAL and DECFLOAT (kept as exact text) as REAL.
std::string valueForm(const std::string& stored, const ColType& type)
{
    if (isDecimalLike(type.kind))
        return "CAST(" + stored + " AS REAL)";
    return stored;
}

Expr typedExpr(const std::string& stored, const ColType& type)
{
    Expr e;
    e.out = stored;
    e.sql = valueForm(stored, type);
    e.type = type;
    return e;
}

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

ColType outputType(const ColType& type)
{
    if (type.kind == Kind::Null)
        return typeOf(Kind::Varchar, 1);
    return type;
}

std::string quoteName(const std::string& schema, const std::string& name)
{
    return schema + "." + name;
}

std::string nowText(const char* format, bool micro)
{
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, format, &local);
    std::string text = buffer;
    if (micro)
        text += ".000000";
    return text;
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

// ---------------------------------------------------------------- cursors

class SqliteCursor : public Cursor
{
public:
    SqliteCursor(std::shared_ptr<Storage> storage, std::string sql,
                 const std::vector<SqlValue>& params, std::vector<ColumnDesc> columns)
        : m_storage(std::move(storage)), m_sql(std::move(sql))
    {
        m_columns = std::move(columns);
        m_statement = m_storage->acquire(m_sql);
        for (size_t i = 0; i < params.size(); ++i)
            Storage::bind(m_statement, static_cast<int>(i + 1), params[i]);
    }
    ~SqliteCursor() override { finish(); }

    bool next() override
    {
        if (!m_statement)
            return false;
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW) {
            m_row.resize(m_columns.size());
            for (size_t i = 0; i < m_columns.size(); ++i)
                m_row[i] = Storage::column(m_statement, static_cast<int>(i));
            return true;
        }
        if (rc == SQLITE_DONE) {
            finish();
            return false;
        }
        const Db2Error error = m_storage->error(rc);
        finish();
        throw error;
    }

private:
    void finish()
    {
        if (m_statement)
            m_storage->release(m_sql, m_statement);
        m_statement = nullptr;
        m_row.clear();
    }

    std::shared_ptr<Storage> m_storage;
    std::string m_sql;
    sqlite3_stmt* m_statement = nullptr;
};

// ---------------------------------------------------------------- transactions

// Makes one statement atomic: it runs in its own transaction (autocommit) or
// in a savepoint of the open unit of work, and a failure undoes all of it.
class WriteScope
{
public:
    explicit WriteScope(Session::State& state) : m_state(state)
    {
        Storage& storage = *state.storage;
        if (state.autocommit) {
            Query(storage, "BEGIN IMMEDIATE").run();
            m_own = true;
        } else {
            if (!state.transactionOpen) {
                Query(storage, "BEGIN IMMEDIATE").run();
                state.transactionOpen = true;
            }
            Query(storage, "SAVEPOINT standin_statement").run();
        }
    }
    ~WriteScope()
    {
        if (m_done)
            return;
        sqlite3* db = m_state.storage->db();
        if (m_own) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        } else {
            sqlite3_exec(db, "ROLLBACK TO standin_statement", nullptr, nullptr, nullptr);
            sqlite3_exec(db, "RELEASE standin_statement", nullptr, nullptr, nullptr);
        }
    }
    void commit()
    {
        Storage& storage = *m_state.storage;
        if (m_own) {
            Query(storage, "COMMIT").run();
        } else {
            Query(storage, "RELEASE standin_statement").run();
            m_state.pendingChanges = true;
        }
        m_done = true;
    }

private:
    Session::State& m_state;
    bool m_own = false;
    bool m_done = false;
};

// ---------------------------------------------------------------- the parser

struct Name
{
    std::string schema;
    std::string name;
};

class Parser
{
public:
    Parser(Session::State& state, const std::string& sql)
        : m_state(state), m_storage(*state.storage), m_sql(sql), m_tokens(tokenize(sql))
    {
    }

    Outcome run();
    std::vector<ColumnDesc> describe();

private:
    // tokens
    const Token& peek(size_t k = 0) const
    {
        return m_tokens[std::min(m_pos + k, m_tokens.size() - 1)];
    }
    const Token& take()
    {
        const Token& token = m_tokens[m_pos];
        if (m_pos + 1 < m_tokens.size())
            ++m_pos;
        return token;
    }
    bool isWord(const char* word, size_t k = 0) const
    {
        const Token& t = peek(k);
        return t.kind == TokenKind::Word && t.text == word;
    }
    bool isSymbol(const char* symbol, size_t k = 0) const
    {
        const Token& t = peek(k);
        return t.kind == TokenKind::Symbol && t.text == symbol;
    }
    bool isIdentifier(size_t k = 0) const
    {
        const TokenKind kind = peek(k).kind;
        return kind == TokenKind::Word || kind == TokenKind::QuotedName;
    }
    bool atEnd() const { return peek().kind == TokenKind::End; }
    bool acceptWord(const char* word)
    {
        if (!isWord(word))
            return false;
        take();
        return true;
    }
    bool acceptSymbol(const char* symbol)
    {
        if (!isSymbol(symbol))
            return false;
        take();
        return true;
    }
    void expectWord(const char* word)
    {
        if (!acceptWord(word))
            fail(word);
    }
    void expectSymbol(const char* symbol)
    {
        if (!acceptSymbol(symbol))
            fail(symbol);
    }
    [[noreturn]] void fail(const std::string& expected) const;
    void expectEnd()
    {
        if (!atEnd())
            fail("END-OF-STATEMENT");
    }
    std::string identifier();
    Name objectName();
    bool isClauseWord(size_t k = 0) const;

    // names
    std::shared_ptr<const Object> resolve(Name name, bool forWrite);
    std::shared_ptr<const Object> objectById(long long id);
    void checkCreatable(const Name& name);

    // queries
    QueryPlan fullselect(const Scope* outer);
    QueryPlan selectTerm(const Scope* outer, bool first, bool& ordered);
    QueryPlan subselect(const Scope* outer, bool allowOrder, bool& ordered);
    QueryPlan valuesClause(const Scope* outer);
    std::string fromClause(Scope& scope);
    std::string fromItem(Scope& scope);
    std::string orderBy(const Scope* scope, const std::vector<Expr>* items,
                        const std::vector<ColumnDesc>& columns);
    std::string fetchClause();
    void skipQueryOptions();

    // expressions
    Expr expression(const Scope& scope);
    Expr orExpression(const Scope& scope);
    Expr andExpression(const Scope& scope);
    Expr notExpression(const Scope& scope);
    Expr predicate(const Scope& scope);
    Expr additive(const Scope& scope);
    Expr multiplicative(const Scope& scope);
    Expr unary(const Scope& scope);
    Expr primary(const Scope& scope);
    Expr functionCall(const Scope& scope, const std::string& name);
    Expr columnReference(const Scope& scope, const std::vector<std::string>& parts);
    Expr castTo(const Expr& value, const ColType& type, bool cast, const std::string& target);
    Expr parameter(const SqlValue& value, const ColType& type, Form form);
    void coerce(Expr& literal, const Expr& other);
    Expr comparison(Expr left, const std::string& op, Expr right);
    ColType parseType();
    long long parseLength(bool allowUnits);
    SqlValue evaluate(const Expr& expr);

    // statements
    Outcome runQuery();
    Outcome runInsert();
    Outcome runUpdate();
    Outcome runDelete();
    Outcome runCreate();
    Outcome createTable();
    // SQL0680N or SQL0670N for a table wider than its table space's pages allow.
    void checkRowWidth(const std::vector<Column>& columns) const;
    Outcome createView();
    Outcome createAlias();
    Outcome runDrop();
    Outcome runRename();
    Outcome runSet();
    Outcome runComment();
    void insertRows(const Object& table, const std::vector<int>& targets,
                    const std::vector<std::vector<std::pair<SqlValue, ColType>>>& rows,
                    const std::vector<bool>& defaults);

    std::string newAlias() { return "s" + std::to_string(++m_aliasCounter); }

    Session::State& m_state;
    Storage& m_storage;
    const std::string& m_sql;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    std::vector<SqlValue> m_params;
    std::set<long long> m_dependencies;
    int m_aliasCounter = 0;
    std::vector<std::unique_ptr<Scope>> m_scopes;
};

void Parser::fail(const std::string& expected) const
{
    const Token& t = peek();
    std::string token = t.kind == TokenKind::End ? std::string("END-OF-STATEMENT")
                                                 : m_sql.substr(t.begin, t.end - t.begin);
    size_t begin = t.begin > 20 ? t.begin - 20 : 0;
    while (begin > 0 && begin < t.begin && m_sql[begin - 1] != ' ')
        ++begin;
    std::string following = m_sql.substr(begin, t.begin - begin);
    while (!following.empty() && (following.back() == ' ' || following.back() == '\n' ||
                                  following.back() == '\t' || following.back() == '\r'))
        following.pop_back();
    if (following.empty())
        following = "BEGIN-OF-STATEMENT";
    throw syntaxError(token, following, expected);
}

std::string Parser::identifier()
{
    if (!isIdentifier())
        fail("<identifier>");
    std::string name = take().text;
    if (name.size() > 128)
        throw sqlError(107, "42622",
                       "The name \"" + name.substr(0, 40) +
                           "\" is too long.  The maximum length is \"128\".");
    return name;
}

Name Parser::objectName()
{
    std::string first = identifier();
    if (acceptSymbol(".")) {
        std::string second = identifier();
        return Name{first, second};
    }
    return Name{m_state.schema, first};
}

bool Parser::isClauseWord(size_t k) const
{
    static const std::set<std::string> words = {
        "FROM",      "WHERE", "GROUP", "HAVING", "ORDER",    "FETCH", "UNION", "EXCEPT",
        "INTERSECT", "INNER", "LEFT",  "RIGHT",  "FULL",     "CROSS", "JOIN",  "ON",
        "WITH",      "FOR",   "LIMIT", "OFFSET", "OPTIMIZE", "SET",   "USING"};
    const Token& t = peek(k);
    return t.kind == TokenKind::Word && words.count(t.text) > 0;
}

std::shared_ptr<const Object> Parser::resolve(Name name, bool forWrite)
{
    std::shared_ptr<const Object> object = m_storage.find(name.schema, name.name);
    int hops = 0;
    while (object && object->type == ObjectType::Alias) {
        if (++hops > 32)
            throw sqlError(20480, "56098",
                           "The alias \"" + quoteName(name.schema, name.name) +
                               "\" is part of a chain of aliases that refers back to itself.");
        name = Name{object->targetSchema, object->targetName};
        object = m_storage.find(name.schema, name.name);
    }
    if (!object)
        throw undefinedName(name.schema, name.name);
    if (object->type == ObjectType::System && (object->source.empty() || forWrite)) {
        const std::string operation = forWrite ? "INSERT" : "SELECT";
        throw sqlError(551, "42501",
                       "The statement failed because the authorization ID does not have the "
                       "required authorization or privilege to perform the operation.  "
                       "Authorization ID: \"" +
                           m_state.user + "\".  Operation: \"" + operation + "\". Object: \"" +
                           quoteName(name.schema, name.name) + "\".");
    }
    if (object->type == ObjectType::View && !object->valid)
        throw sqlError(575, "51024",
                       "View or materialized query table \"" +
                           quoteName(object->schema, object->name) +
                           "\" cannot be used because it has been marked inoperative.");
    return object;
}

std::shared_ptr<const Object> Parser::objectById(long long id)
{
    Query query(m_storage, "SELECT schema, name FROM standin_objects WHERE id = ?");
    query.bind(1, id);
    if (!query.step())
        return nullptr;
    const std::string schema = query.text(0);
    const std::string name = query.text(1);
    return m_storage.find(schema, name);
}

void Parser::checkCreatable(const Name& name)
{
    if (name.schema.compare(0, 3, "SYS") == 0)
        throw sqlError(553, "42939",
                       "An object cannot be created with the schema name \"" + name.schema + "\".");
    std::shared_ptr<const Object> existing = m_storage.find(name.schema, name.name);
    if (existing)
        throw duplicateObject(name.schema, name.name, objectTypeName(existing->type));
}

// ---------------------------------------------------------------- queries

QueryPlan Parser::fullselect(const Scope* outer)
{
    bool ordered = false;
    QueryPlan plan = selectTerm(outer, true, ordered);
    bool compound = false;
    while (isWord("UNION") || isWord("EXCEPT") || isWord("INTERSECT")) {
        if (ordered)
            fail("FETCH");
        const std::string op = take().text;
        const bool all = acceptWord("ALL");
        if (!all)
            acceptWord("DISTINCT");
        if (all && op != "UNION")
            fail("DISTINCT"); // SQLite has no EXCEPT ALL / INTERSECT ALL
        bool ignored = false;
        QueryPlan next = selectTerm(outer, false, ignored);
        if (next.columns.size() != plan.columns.size())
            throw sqlError(421, "42826",
                           "The operands of a set operator or a VALUES clause do not have the "
                           "same number of columns.");
        plan.sql += " " + op + (all ? " ALL " : " ") + next.sql;
        for (size_t i = 0; i < plan.columns.size(); ++i)
            plan.columns[i].nullable = plan.columns[i].nullable || next.columns[i].nullable;
        compound = true;
        plan.insertable = false;
    }
    if (compound && isWord("ORDER") && isWord("BY", 1)) {
        plan.sql += orderBy(nullptr, nullptr, plan.columns);
        plan.insertable = false;
    }
    const std::string fetch = fetchClause();
    if (!fetch.empty()) {
        plan.sql += fetch;
        plan.insertable = false;
    }
    return plan;
}

QueryPlan Parser::selectTerm(const Scope* outer, bool first, bool& ordered)
{
    if (acceptSymbol("(")) {
        QueryPlan inner = fullselect(outer);
        expectSymbol(")");
        QueryPlan plan;
        plan.sql = "SELECT * FROM (" + inner.sql + ")";
        plan.columns = inner.columns;
        return plan;
    }
    if (isWord("VALUES"))
        return valuesClause(outer);
    if (!isWord("SELECT"))
        fail("SELECT");
    return subselect(outer, first, ordered);
}

QueryPlan Parser::valuesClause(const Scope* outer)
{
    expectWord("VALUES");
    Scope scope;
    scope.outer = outer;
    QueryPlan plan;
    std::string rows;
    size_t width = 0;
    bool firstRow = true;
    do {
        std::vector<Expr> row;
        if (acceptSymbol("(")) {
            do {
                row.push_back(expression(scope));
            } while (acceptSymbol(","));
            expectSymbol(")");
        } else {
            row.push_back(expression(scope));
        }
        if (firstRow) {
            width = row.size();
            for (size_t i = 0; i < row.size(); ++i)
                plan.columns.push_back(
                    ColumnDesc{std::to_string(i + 1), outputType(row[i].type), true});
        } else if (row.size() != width) {
            throw sqlError(421, "42826",
                           "The operands of a set operator or a VALUES clause do not have the "
                           "same number of columns.");
        }
        rows += firstRow ? "(" : ", (";
        for (size_t i = 0; i < row.size(); ++i)
            rows += (i ? ", " : "") + row[i].out;
        rows += ")";
        firstRow = false;
    } while (acceptSymbol(","));
    plan.sql = "SELECT ";
    for (size_t i = 0; i < width; ++i)
        plan.sql +=
            (i ? ", column" : "column") + std::to_string(i + 1) + " AS c" + std::to_string(i);
    plan.sql += " FROM (VALUES " + rows + ")";
    return plan;
}

QueryPlan Parser::subselect(const Scope* outer, bool allowOrder, bool& ordered)
{
    expectWord("SELECT");
    const bool distinct = acceptWord("DISTINCT");
    if (!distinct)
        acceptWord("ALL");
    const size_t listStart = m_pos;
    // The select list names columns of the FROM clause: read that first.
    size_t fromAt = m_pos;
    int depth = 0;
    while (true) {
        const Token& t = m_tokens[fromAt];
        if (t.kind == TokenKind::End) {
            m_pos = fromAt;
            fail("FROM");
        }
        if (t.kind == TokenKind::Symbol && t.text == "(")
            ++depth;
        if (t.kind == TokenKind::Symbol && t.text == ")") {
            if (depth == 0) {
                m_pos = fromAt;
                fail("FROM");
            }
            --depth;
        }
        if (depth == 0 && t.kind == TokenKind::Word && t.text == "FROM")
            break;
        ++fromAt;
    }
    m_pos = fromAt + 1;
    m_scopes.push_back(std::make_unique<Scope>());
    Scope& scope = *m_scopes.back();
    scope.outer = outer;
    const std::string from = fromClause(scope);
    std::string where;
    if (acceptWord("WHERE"))
        where = " WHERE " + expression(scope).sql;
    std::string group;
    if (isWord("GROUP") && isWord("BY", 1)) {
        take();
        take();
        group = " GROUP BY ";
        bool firstKey = true;
        do {
            group += (firstKey ? "" : ", ") + expression(scope).sql;
            firstKey = false;
        } while (acceptSymbol(","));
    }
    std::string having;
    if (acceptWord("HAVING"))
        having = " HAVING " + expression(scope).sql;
    const size_t afterClauses = m_pos;

    m_pos = listStart;
    std::vector<Expr> items;
    QueryPlan plan;
    bool plain = true;
    auto addColumns = [&](const FromItem& item) {
        for (size_t c = 0; c < item.columns.size(); ++c) {
            Expr e = typedExpr(item.alias + ".c" + std::to_string(c), item.columns[c].type);
            e.form = Form::Column;
            e.name = item.columns[c].name;
            e.nullable = item.columns[c].nullable;
            e.item = &item;
            e.column = static_cast<int>(c);
            plan.columns.push_back(ColumnDesc{e.name, outputType(e.type), e.nullable});
            items.push_back(e);
        }
    };
    do {
        if (acceptSymbol("*")) {
            for (const FromItem& item : scope.items)
                addColumns(item);
        } else if (isIdentifier() && isSymbol(".", 1) && isSymbol("*", 2)) {
            const std::string qualifier = identifier();
            take();
            take();
            const FromItem* found = nullptr;
            for (const FromItem& item : scope.items) {
                if (item.hasCorrelation ? item.correlation == qualifier : item.name == qualifier)
                    found = &item;
            }
            if (!found)
                throw invalidColumn(qualifier + ".*");
            addColumns(*found);
        } else if (isIdentifier() && isSymbol(".", 1) && isIdentifier(2) && isSymbol(".", 3) &&
                   isSymbol("*", 4)) {
            const std::string schema = identifier();
            take();
            const std::string name = identifier();
            take();
            take();
            const FromItem* found = nullptr;
            for (const FromItem& item : scope.items) {
                if (!item.hasCorrelation && item.schema == schema && item.name == name)
                    found = &item;
            }
            if (!found)
                throw invalidColumn(schema + "." + name + ".*");
            addColumns(*found);
        } else {
            Expr e = expression(scope);
            std::string name;
            if (acceptWord("AS"))
                name = identifier();
            else if (isIdentifier() && !isWord("FROM"))
                name = identifier();
            else if (e.form == Form::Column)
                name = e.name;
            else
                name = std::to_string(items.size() + 1);
            if (e.form != Form::Column)
                plain = false;
            plan.columns.push_back(ColumnDesc{name, outputType(e.type), e.nullable});
            items.push_back(e);
        }
    } while (acceptSymbol(","));
    if (m_pos != fromAt)
        fail("FROM");
    m_pos = afterClauses;

    plan.sql = distinct ? "SELECT DISTINCT " : "SELECT ";
    bool aggregate = false;
    for (size_t i = 0; i < items.size(); ++i) {
        plan.sql += (i ? ", " : "") + items[i].out + " AS c" + std::to_string(i);
        aggregate = aggregate || items[i].aggregate;
    }
    plan.sql += from + where + group + having;
    if (allowOrder && isWord("ORDER") && isWord("BY", 1)) {
        plan.sql += orderBy(&scope, &items, plan.columns);
        ordered = true;
    }
    // A view of plain columns of one table takes INSERT (no DISTINCT, grouping or order).
    if (plain && !distinct && !aggregate && group.empty() && having.empty() && !ordered &&
        scope.items.size() == 1 && scope.items[0].object) {
        const Object& base = *scope.items[0].object;
        std::vector<int> map;
        long long baseId = 0;
        bool ok = true;
        if (base.type == ObjectType::Table) {
            baseId = base.id;
            for (const Expr& e : items)
                map.push_back(e.column);
        } else if (base.type == ObjectType::View && base.insertBase != 0) {
            baseId = base.insertBase;
            for (const Expr& e : items) {
                const int mapped =
                    e.column >= 0 && e.column < static_cast<int>(base.insertMap.size())
                        ? base.insertMap[static_cast<size_t>(e.column)]
                        : -1;
                ok = ok && mapped >= 0;
                map.push_back(mapped);
            }
        } else {
            ok = false;
        }
        plan.insertable = ok;
        plan.baseId = baseId;
        plan.baseColumns = map;
    }
    return plan;
}

std::string Parser::fromClause(Scope& scope)
{
    std::string sql = " FROM " + fromItem(scope);
    while (true) {
        if (acceptSymbol(",")) {
            sql += ", " + fromItem(scope);
            continue;
        }
        std::string join;
        if (isWord("JOIN") || (isWord("INNER") && isWord("JOIN", 1))) {
            acceptWord("INNER");
            take();
            join = " JOIN ";
        } else if (isWord("LEFT") || isWord("RIGHT") || isWord("FULL")) {
            const std::string kind = take().text;
            acceptWord("OUTER");
            expectWord("JOIN");
            join = " " + kind + " JOIN ";
        } else if (isWord("CROSS") && isWord("JOIN", 1)) {
            take();
            take();
            sql += " CROSS JOIN " + fromItem(scope);
            continue;
        } else {
            break;
        }
        sql += join + fromItem(scope);
        expectWord("ON");
        sql += " ON " + expression(scope).sql;
    }
    return sql;
}

std::string Parser::fromItem(Scope& scope)
{
    FromItem item;
    item.alias = newAlias();
    std::string sql;
    if (acceptSymbol("(")) {
        if (!(isWord("SELECT") || isWord("VALUES") || isSymbol("(")))
            fail("SELECT");
        QueryPlan inner = fullselect(scope.outer);
        expectSymbol(")");
        for (const ColumnDesc& column : inner.columns)
            item.columns.push_back(SourceColumn{column.name, column.type, column.nullable});
        sql = "(" + inner.sql + ") AS " + item.alias;
    } else {
        const Name name = objectName();
        std::shared_ptr<const Object> object = resolve(name, false);
        if (object->id > 0)
            m_dependencies.insert(object->id);
        item.schema = name.schema;
        item.name = name.name;
        item.object = object;
        for (const Column& column : object->columns)
            item.columns.push_back(SourceColumn{column.name, column.type, column.nullable});
        sql = object->source + " AS " + item.alias;
    }
    if (acceptWord("AS")) {
        item.hasCorrelation = true;
        item.correlation = identifier();
    } else if (isIdentifier() && !isClauseWord()) {
        item.hasCorrelation = true;
        item.correlation = identifier();
    }
    if (item.hasCorrelation && isSymbol("(") && (isIdentifier(1))) {
        // Correlation with new column names: AS x (a, b)
        take();
        size_t index = 0;
        do {
            const std::string name = identifier();
            if (index >= item.columns.size())
                throw sqlError(154, "42909",
                               "The statement failed because the number of "
                               "column names does not match.");
            item.columns[index++].name = name;
        } while (acceptSymbol(","));
        expectSymbol(")");
    }
    scope.items.push_back(std::move(item));
    return sql;
}

std::string Parser::orderBy(const Scope* scope, const std::vector<Expr>* items,
                            const std::vector<ColumnDesc>& columns)
{
    expectWord("ORDER");
    expectWord("BY");
    std::string sql = " ORDER BY ";
    bool first = true;
    do {
        std::string key;
        if (peek().kind == TokenKind::Integer) {
            const long long position = std::stoll(take().text);
            if (position < 1 || position > static_cast<long long>(columns.size()))
                throw sqlError(125, "42805",
                               "The number specified in the ORDER BY clause is not in the range "
                               "of the number of columns of the result table.");
            key = std::to_string(position);
        } else if (isIdentifier() && !isSymbol(".", 1) && !isSymbol("(", 1)) {
            // A result column name first, then a column of the FROM clause.
            const Token& t = peek();
            int found = -1;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (columns[i].name == t.text) {
                    found = static_cast<int>(i);
                    break;
                }
            }
            if (found >= 0) {
                take();
                key = items ? (*items)[static_cast<size_t>(found)].sql : std::to_string(found + 1);
            } else if (scope) {
                key = expression(*scope).sql;
            } else {
                throw invalidColumn(t.text);
            }
        } else if (scope) {
            key = expression(*scope).sql;
        } else {
            fail("<column name>");
        }
        bool descending = false;
        if (acceptWord("DESC"))
            descending = true;
        else
            acceptWord("ASC");
        // DB2 sorts NULL as the highest value.
        sql += (first ? "" : ", ") + key + (descending ? " DESC NULLS FIRST" : " ASC NULLS LAST");
        first = false;
    } while (acceptSymbol(","));
    return sql;
}

std::string Parser::fetchClause()
{
    std::string sql;
    if (acceptWord("LIMIT")) {
        if (peek().kind != TokenKind::Integer)
            fail("<integer>");
        sql = " LIMIT " + take().text;
        if (acceptWord("OFFSET")) {
            if (peek().kind != TokenKind::Integer)
                fail("<integer>");
            sql += " OFFSET " + take().text;
        }
        return sql;
    }
    std::string offset;
    if (acceptWord("OFFSET")) {
        if (peek().kind != TokenKind::Integer)
            fail("<integer>");
        offset = " OFFSET " + take().text;
        if (!acceptWord("ROWS"))
            expectWord("ROW");
    }
    if (acceptWord("FETCH")) {
        if (!acceptWord("FIRST"))
            expectWord("NEXT");
        std::string count = "1";
        if (peek().kind == TokenKind::Integer)
            count = take().text;
        if (!acceptWord("ROWS"))
            expectWord("ROW");
        expectWord("ONLY");
        return " LIMIT " + count + offset;
    }
    if (!offset.empty())
        return " LIMIT -1" + offset;
    return sql;
}

void Parser::skipQueryOptions()
{
    while (true) {
        if (isWord("FOR") && (isWord("READ", 1) || isWord("FETCH", 1)) && isWord("ONLY", 2)) {
            take();
            take();
            take();
        } else if (isWord("FOR") && isWord("UPDATE", 1)) {
            take();
            take();
            if (acceptWord("OF")) {
                do {
                    identifier();
                } while (acceptSymbol(","));
            }
        } else if (isWord("WITH") &&
                   (isWord("UR", 1) || isWord("CS", 1) || isWord("RS", 1) || isWord("RR", 1))) {
            take();
            take();
        } else if (isWord("OPTIMIZE") && isWord("FOR", 1)) {
            take();
            take();
            if (peek().kind == TokenKind::Integer)
                take();
            if (!acceptWord("ROWS"))
                expectWord("ROW");
        } else {
            return;
        }
    }
}

// ---------------------------------------------------------------- expressions

Expr Parser::parameter(const SqlValue& value, const ColType& type, Form form)
{
    m_params.push_back(value);
    Expr e;
    e.param = static_cast<int>(m_params.size() - 1);
    e.out = "?" + std::to_string(m_params.size());
    e.sql = e.out;
    e.type = type;
    e.form = form;
    e.literal = value;
    e.nullable = false;
    return e;
}

void Parser::coerce(Expr& literal, const Expr& other)
{
    if (literal.form != Form::String || literal.param < 0)
        return;
    const Kind kind = other.type.kind;
    if (kind == Kind::Null || isString(kind) || kind == Kind::Xml || isBinary(kind))
        return;
    SqlValue converted;
    ColType target = other.type;
    if (isNumeric(kind))
        target = typeOf(Kind::Double);
    converted = convertValue(literal.literal, literal.type, target, ConvertMode::Cast, "");
    m_params[static_cast<size_t>(literal.param)] = converted;
    literal.type = target;
    literal.form = Form::Other;
}

Expr Parser::comparison(Expr left, const std::string& op, Expr right)
{
    coerce(left, right);
    coerce(right, left);
    Expr e;
    const std::string sqlOp = op == "!=" ? "<>" : op;
    // Strings compare in their stored form; numbers in their value form.
    const bool text = isString(left.type.kind) && isString(right.type.kind);
    e.sql = "(" + (text ? left.out : left.sql) + " " + sqlOp + " " +
            (text ? right.out : right.sql) + ")";
    e.out = e.sql;
    e.type = typeOf(Kind::Boolean);
    e.aggregate = left.aggregate || right.aggregate;
    return e;
}

Expr Parser::expression(const Scope& scope)
{
    return orExpression(scope);
}

Expr Parser::orExpression(const Scope& scope)
{
    Expr left = andExpression(scope);
    while (acceptWord("OR")) {
        Expr right = andExpression(scope);
        Expr e;
        e.sql = e.out = "(" + left.sql + " OR " + right.sql + ")";
        e.type = typeOf(Kind::Boolean);
        e.aggregate = left.aggregate || right.aggregate;
        left = e;
    }
    return left;
}

Expr Parser::andExpression(const Scope& scope)
{
    Expr left = notExpression(scope);
    while (acceptWord("AND")) {
        Expr right = notExpression(scope);
        Expr e;
        e.sql = e.out = "(" + left.sql + " AND " + right.sql + ")";
        e.type = typeOf(Kind::Boolean);
        e.aggregate = left.aggregate || right.aggregate;
        left = e;
    }
    return left;
}

Expr Parser::notExpression(const Scope& scope)
{
    if (acceptWord("NOT")) {
        Expr inner = notExpression(scope);
        Expr e;
        e.sql = e.out = "(NOT " + inner.sql + ")";
        e.type = typeOf(Kind::Boolean);
        e.aggregate = inner.aggregate;
        return e;
    }
    return predicate(scope);
}

Expr Parser::predicate(const Scope& scope)
{
    if (acceptWord("EXISTS")) {
        expectSymbol("(");
        QueryPlan inner = fullselect(&scope);
        expectSymbol(")");
        Expr e;
        e.sql = e.out = "EXISTS (" + inner.sql + ")";
        e.type = typeOf(Kind::Boolean);
        return e;
    }
    Expr left = additive(scope);
    const Token& t = peek();
    if (t.kind == TokenKind::Symbol &&
        (t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" || t.text == ">" ||
         t.text == "<=" || t.text == ">=")) {
        const std::string op = take().text;
        if (isWord("ANY") || isWord("SOME") || isWord("ALL"))
            fail("(");
        Expr right = additive(scope);
        return comparison(left, op, right);
    }
    if (acceptWord("IS")) {
        const bool negated = acceptWord("NOT");
        expectWord("NULL");
        Expr e;
        e.sql = e.out = "(" + left.out + (negated ? " IS NOT NULL)" : " IS NULL)");
        e.type = typeOf(Kind::Boolean);
        e.nullable = false;
        e.aggregate = left.aggregate;
        return e;
    }
    const bool negated =
        isWord("NOT") && (isWord("BETWEEN", 1) || isWord("IN", 1) || isWord("LIKE", 1));
    if (negated)
        take();
    if (acceptWord("BETWEEN")) {
        Expr low = additive(scope);
        expectWord("AND");
        Expr high = additive(scope);
        coerce(low, left);
        coerce(high, left);
        Expr e;
        e.sql = e.out = "(" + left.sql + (negated ? " NOT BETWEEN " : " BETWEEN ") + low.sql +
                        " AND " + high.sql + ")";
        e.type = typeOf(Kind::Boolean);
        return e;
    }
    if (acceptWord("IN")) {
        expectSymbol("(");
        std::string list;
        if (isWord("SELECT") || isWord("VALUES")) {
            QueryPlan inner = fullselect(&scope);
            if (inner.columns.size() != 1)
                throw sqlError(412, "42823",
                               "Multiple columns are returned from a subquery that is allowed "
                               "only one column.");
            list = inner.sql;
        } else {
            bool first = true;
            do {
                Expr value = additive(scope);
                coerce(value, left);
                list += (first ? "" : ", ") + value.sql;
                first = false;
            } while (acceptSymbol(","));
        }
        expectSymbol(")");
        Expr e;
        e.sql = e.out = "(" + left.sql + (negated ? " NOT IN (" : " IN (") + list + "))";
        e.type = typeOf(Kind::Boolean);
        return e;
    }
    if (acceptWord("LIKE")) {
        Expr pattern = additive(scope);
        std::string sql = "(" + left.out + (negated ? " NOT LIKE " : " LIKE ") + pattern.out;
        if (acceptWord("ESCAPE"))
            sql += " ESCAPE " + additive(scope).out;
        Expr e;
        e.sql = e.out = sql + ")";
        e.type = typeOf(Kind::Boolean);
        return e;
    }
    if (negated)
        fail("BETWEEN");
    return left;
}

Expr Parser::additive(const Scope& scope)
{
    Expr left = multiplicative(scope);
    while (isSymbol("+") || isSymbol("-") || isSymbol("||") ||
           (isWord("CONCAT") && !isSymbol("(", 1))) {
        std::string op = take().text;
        Expr right = multiplicative(scope);
        Expr e;
        e.aggregate = left.aggregate || right.aggregate;
        if (op == "||" || op == "CONCAT") {
            e.sql = e.out = "(" + left.out + " || " + right.out + ")";
            const long long length =
                std::min<long long>(32672, std::max<long long>(1, left.type.length) +
                                               std::max<long long>(1, right.type.length));
            e.type = typeOf(Kind::Varchar, length);
        } else {
            coerce(left, right);
            coerce(right, left);
            const Kind a = left.type.kind;
            const Kind b = right.type.kind;
            if (isExactInteger(a) && isExactInteger(b))
                e.type =
                    typeOf(a == Kind::Bigint || b == Kind::Bigint ? Kind::Bigint : Kind::Integer);
            else if ((a == Kind::Decimal || isExactInteger(a) || a == Kind::Null) &&
                     (b == Kind::Decimal || isExactInteger(b) || b == Kind::Null))
                e.type = typeOf(Kind::Decimal, 31, std::max(left.type.scale, right.type.scale));
            else
                e.type = typeOf(Kind::Double);
            e.sql = e.out = "(" + left.sql + " " + op + " " + right.sql + ")";
        }
        left = e;
    }
    return left;
}

Expr Parser::multiplicative(const Scope& scope)
{
    Expr left = unary(scope);
    while (isSymbol("*") || isSymbol("/")) {
        const std::string op = take().text;
        Expr right = unary(scope);
        coerce(left, right);
        coerce(right, left);
        Expr e;
        e.aggregate = left.aggregate || right.aggregate;
        const Kind a = left.type.kind;
        const Kind b = right.type.kind;
        if (isExactInteger(a) && isExactInteger(b))
            e.type = typeOf(a == Kind::Bigint || b == Kind::Bigint ? Kind::Bigint : Kind::Integer);
        else if (op == "*" && (a == Kind::Decimal || isExactInteger(a)) &&
                 (b == Kind::Decimal || isExactInteger(b)))
            e.type = typeOf(Kind::Decimal, 31, std::min(31, left.type.scale + right.type.scale));
        else
            e.type = typeOf(Kind::Double);
        e.sql = e.out = "(" + left.sql + " " + op + " " + right.sql + ")";
        left = e;
    }
    return left;
}

Expr Parser::unary(const Scope& scope)
{
    if (isSymbol("-") || isSymbol("+")) {
        const std::string op = take().text;
        const Token& t = peek();
        if (t.kind == TokenKind::Integer || t.kind == TokenKind::Decimal ||
            t.kind == TokenKind::Float) {
            // A signed constant stays a constant (INSERT ... VALUES(-5)).
            Expr value = primary(scope);
            if (op == "-" && value.param >= 0) {
                SqlValue& param = m_params[static_cast<size_t>(value.param)];
                if (param.storage == SqlValue::Storage::Integer)
                    param.i = -param.i;
                else if (param.storage == SqlValue::Storage::Real)
                    param.r = -param.r;
                if (value.literal.storage == SqlValue::Storage::Integer)
                    value.literal.i = -value.literal.i;
                else if (value.literal.storage == SqlValue::Storage::Text)
                    value.literal.s = "-" + value.literal.s;
                else if (value.literal.storage == SqlValue::Storage::Real)
                    value.literal.r = -value.literal.r;
            }
            return value;
        }
        Expr inner = unary(scope);
        if (op == "+")
            return inner;
        Expr e = inner;
        e.form = Form::Other;
        e.param = -1;
        e.sql = e.out = "(- " + inner.sql + ")";
        return e;
    }
    return primary(scope);
}

Expr Parser::primary(const Scope& scope)
{
    const Token& t = peek();
    switch (t.kind) {
    case TokenKind::String: {
        const std::string text = take().text;
        return parameter(
            SqlValue::text(text),
            typeOf(Kind::Varchar, std::max<long long>(1, static_cast<long long>(text.size()))),
            Form::String);
    }
    case TokenKind::HexString: {
        const std::string bytes = take().text;
        return parameter(
            SqlValue::blob(bytes),
            typeOf(Kind::Varbinary, std::max<long long>(1, static_cast<long long>(bytes.size()))),
            Form::Other);
    }
    case TokenKind::Integer: {
        const std::string text = take().text;
        long long value = 0;
        auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec == std::errc() && result.ptr == text.data() + text.size()) {
            const bool small = value <= 2147483647LL;
            Expr e = parameter(SqlValue::integer(value),
                               typeOf(small ? Kind::Integer : Kind::Bigint), Form::Number);
            return e;
        }
        double real = 0;
        parseDouble(text, real);
        Expr e = parameter(
            SqlValue::real(real),
            typeOf(Kind::Decimal, std::min<long long>(31, static_cast<long long>(text.size())), 0),
            Form::Number);
        e.literal = SqlValue::text(text);
        return e;
    }
    case TokenKind::Decimal: {
        const std::string text = take().text;
        double real = 0;
        parseDouble(text, real);
        const size_t point = text.find('.');
        const int scale = static_cast<int>(text.size() - point - 1);
        const long long precision = std::min<long long>(
            31, std::max<long long>(static_cast<long long>(text.size()) - 1, scale));
        Expr e =
            parameter(SqlValue::real(real), typeOf(Kind::Decimal, precision, scale), Form::Number);
        e.literal = SqlValue::text(text);
        return e;
    }
    case TokenKind::Float: {
        const std::string text = take().text;
        double real = 0;
        if (!parseDouble(text, real))
            throw numericOverflow();
        return parameter(SqlValue::real(real), typeOf(Kind::Double), Form::Number);
    }
    case TokenKind::Parameter:
        throw sqlError(313, "07004",
                       "The number of variables in the EXECUTE statement, the number of "
                       "variables in the OPEN statement, or the number of arguments in an OPEN "
                       "statement for a parameterized cursor is not equal to the number of "
                       "values required.");
    case TokenKind::Symbol:
        if (t.text == "(") {
            take();
            if (isWord("SELECT") || isWord("VALUES")) {
                QueryPlan inner = fullselect(&scope);
                expectSymbol(")");
                if (inner.columns.size() != 1)
                    throw sqlError(412, "42823",
                                   "Multiple columns are returned from a subquery that is "
                                   "allowed only one column.");
                Expr e = typedExpr("(" + inner.sql + ")", inner.columns[0].type);
                return e;
            }
            Expr inner = expression(scope);
            expectSymbol(")");
            Expr e = inner;
            e.sql = "(" + inner.sql + ")";
            e.out = "(" + inner.out + ")";
            return e;
        }
        fail("<expression>");
    case TokenKind::Word: {
        const std::string word = t.text;
        if (word == "NULL") {
            take();
            Expr e;
            e.sql = e.out = "NULL";
            e.form = Form::Null;
            return e;
        }
        if ((word == "TRUE" || word == "FALSE") && !isSymbol("(", 1) && !isSymbol(".", 1)) {
            take();
            return parameter(SqlValue::integer(word == "TRUE" ? 1 : 0), typeOf(Kind::Boolean),
                             Form::Boolean);
        }
        if (word == "CASE") {
            take();
            std::string sql = "CASE";
            Expr subject;
            bool simple = false;
            if (!isWord("WHEN")) {
                subject = expression(scope);
                sql += " " + subject.sql;
                simple = true;
            }
            ColType type = typeOf(Kind::Null);
            while (acceptWord("WHEN")) {
                Expr condition = simple ? additive(scope) : expression(scope);
                if (simple)
                    coerce(condition, subject);
                expectWord("THEN");
                Expr result = expression(scope);
                if (type.kind == Kind::Null)
                    type = result.type;
                sql += " WHEN " + condition.sql + " THEN " + result.out;
            }
            if (sql == "CASE" || (simple && sql.find(" WHEN ") == std::string::npos))
                fail("WHEN");
            if (acceptWord("ELSE")) {
                Expr result = expression(scope);
                if (type.kind == Kind::Null)
                    type = result.type;
                sql += " ELSE " + result.out;
            }
            expectWord("END");
            return typedExpr("(" + sql + " END)", type);
        }
        if (word == "CAST" && isSymbol("(", 1)) {
            take();
            take();
            Expr value = expression(scope);
            expectWord("AS");
            const ColType type = parseType();
            expectSymbol(")");
            return castTo(value, type, true, "");
        }
        // Special registers.
        if (word == "CURRENT" && (isWord("DATE", 1) || isWord("TIME", 1) ||
                                  isWord("TIMESTAMP", 1) || isWord("SCHEMA", 1) ||
                                  isWord("SQLID", 1) || isWord("USER", 1) || isWord("SERVER", 1))) {
            take();
            const std::string which = take().text;
            if (which == "DATE")
                return typedExpr("date('now','localtime')", typeOf(Kind::Date));
            if (which == "TIME")
                return typedExpr("time('now','localtime')", typeOf(Kind::Time));
            if (which == "TIMESTAMP")
                return typedExpr("(strftime('%Y-%m-%d %H:%M:%f','now','localtime') || '000')",
                                 typeOf(Kind::Timestamp, 0, 6));
            if (which == "SERVER")
                return parameter(SqlValue::text(m_state.database), typeOf(Kind::Varchar, 18),
                                 Form::Other);
            if (which == "USER")
                return parameter(SqlValue::text(m_state.user), typeOf(Kind::Varchar, 128),
                                 Form::Other);
            return parameter(SqlValue::text(m_state.schema), typeOf(Kind::Varchar, 128),
                             Form::Other);
        }
        if (word == "CURRENT_DATE") {
            take();
            return typedExpr("date('now','localtime')", typeOf(Kind::Date));
        }
        if (word == "CURRENT_TIME") {
            take();
            return typedExpr("time('now','localtime')", typeOf(Kind::Time));
        }
        if (word == "CURRENT_TIMESTAMP") {
            take();
            return typedExpr("(strftime('%Y-%m-%d %H:%M:%f','now','localtime') || '000')",
                             typeOf(Kind::Timestamp, 0, 6));
        }
        if (word == "CURRENT_SCHEMA") {
            take();
            return parameter(SqlValue::text(m_state.schema), typeOf(Kind::Varchar, 128),
                             Form::Other);
        }
        if ((word == "USER" || word == "SESSION_USER" || word == "CURRENT_USER" ||
             word == "SYSTEM_USER") &&
            !isSymbol("(", 1) && !isSymbol(".", 1)) {
            take();
            return parameter(SqlValue::text(m_state.user), typeOf(Kind::Varchar, 128), Form::Other);
        }
        if (isSymbol("(", 1)) {
            take();
            take();
            return functionCall(scope, word);
        }
        break;
    }
    default:
        break;
    }
    if (!isIdentifier())
        fail("<expression>");
    std::vector<std::string> parts{identifier()};
    while (isSymbol(".") && isIdentifier(1) && parts.size() < 3) {
        take();
        parts.push_back(identifier());
    }
    return columnReference(scope, parts);
}

Expr Parser::columnReference(const Scope& scope, const std::vector<std::string>& parts)
{
    const std::string& column = parts.back();
    for (const Scope* s = &scope; s; s = s->outer) {
        const FromItem* found = nullptr;
        int index = -1;
        int matches = 0;
        for (const FromItem& item : s->items) {
            if (parts.size() == 2 &&
                !(item.hasCorrelation ? item.correlation == parts[0] : item.name == parts[0]))
                continue;
            if (parts.size() == 3 &&
                (item.hasCorrelation || item.schema != parts[0] || item.name != parts[1]))
                continue;
            for (size_t c = 0; c < item.columns.size(); ++c) {
                if (item.columns[c].name == column) {
                    found = &item;
                    index = static_cast<int>(c);
                    ++matches;
                }
            }
        }
        if (matches > 1)
            throw sqlError(203, "42702", "A reference to column \"" + column + "\" is ambiguous.");
        if (found) {
            const SourceColumn& source = found->columns[static_cast<size_t>(index)];
            Expr e = typedExpr(found->alias + ".c" + std::to_string(index), source.type);
            e.form = Form::Column;
            e.name = source.name;
            e.nullable = source.nullable;
            e.item = found;
            e.column = index;
            return e;
        }
    }
    std::string shown;
    for (size_t i = 0; i < parts.size(); ++i)
        shown += (i ? "." : "") + parts[i];
    throw invalidColumn(shown);
}

Expr Parser::castTo(const Expr& value, const ColType& type, bool cast, const std::string& target)
{
    if (value.form == Form::Null) {
        Expr e = typedExpr("NULL", type);
        return e;
    }
    if (value.param >= 0 &&
        (value.form == Form::String || value.form == Form::Number || value.form == Form::Boolean)) {
        // Constants are converted at once, so errors show before anything runs.
        const SqlValue converted =
            convertValue(value.literal, value.type, type,
                         cast ? ConvertMode::Cast : ConvertMode::Assignment, target);
        Expr e = parameter(converted, type, Form::Other);
        e.sql = valueForm(e.out, type);
        return e;
    }
    const ColType from = value.type.kind == Kind::Null ? typeOf(Kind::Varchar, 1) : value.type;
    Expr targetName = parameter(SqlValue::text(target), typeOf(Kind::Varchar, 128), Form::Other);
    const std::string sql =
        "db2_convert(" + value.out + ", " + std::to_string(kindCode(from.kind)) + ", " +
        std::to_string(from.length) + ", " + std::to_string(from.scale) + ", " +
        std::to_string(kindCode(type.kind)) + ", " + std::to_string(type.length) + ", " +
        std::to_string(type.scale) + ", " + (cast ? "1" : "0") + ", " + targetName.out + ")";
    Expr e = typedExpr(sql, type);
    e.aggregate = value.aggregate;
    return e;
}

Expr Parser::functionCall(const Scope& scope, const std::string& name)
{
    // Aggregates.
    if (name == "COUNT" || name == "COUNT_BIG") {
        const ColType type = typeOf(name == "COUNT" ? Kind::Integer : Kind::Bigint);
        std::string sql;
        if (acceptSymbol("*")) {
            sql = "COUNT(*)";
        } else {
            const bool distinct = acceptWord("DISTINCT");
            if (!distinct)
                acceptWord("ALL");
            sql =
                std::string("COUNT(") + (distinct ? "DISTINCT " : "") + expression(scope).sql + ")";
        }
        expectSymbol(")");
        Expr e = typedExpr(sql, type);
        e.aggregate = true;
        e.nullable = false;
        return e;
    }
    if (name == "SUM" || name == "AVG" || name == "MIN" || name == "MAX") {
        const bool distinct = acceptWord("DISTINCT");
        if (!distinct)
            acceptWord("ALL");
        Expr argument = expression(scope);
        expectSymbol(")");
        ColType type = argument.type;
        if (name == "SUM" && (type.kind == Kind::Smallint || type.kind == Kind::Integer))
            type = typeOf(Kind::Integer);
        if ((name == "SUM" || name == "AVG") && type.kind == Kind::Decimal)
            type = typeOf(Kind::Decimal, 31, type.scale);
        if ((name == "SUM" || name == "AVG") && !isNumeric(type.kind))
            type = typeOf(Kind::Double);
        const bool keepsStoredForm = (name == "MIN" || name == "MAX") && !isNumeric(type.kind);
        Expr e = typedExpr(name + "(" + (distinct ? std::string("DISTINCT ") : std::string()) +
                               (keepsStoredForm ? argument.out : argument.sql) + ")",
                           type);
        if (isDecimalLike(type.kind))
            e.sql = e.out; // the aggregate already computes a REAL
        e.aggregate = true;
        return e;
    }

    std::vector<Expr> args;
    if (!isSymbol(")")) {
        do {
            args.push_back(expression(scope));
        } while (acceptSymbol(","));
    }
    // Casting functions: DECIMAL(x, p, s), CHAR(x), DATE(x) ...
    auto lengthArg = [&](size_t index, long long fallback) {
        if (args.size() <= index)
            return fallback;
        if (args[index].literal.storage != SqlValue::Storage::Integer)
            fail("<integer>");
        return args[index].literal.i;
    };
    auto needArgs = [&](size_t minimum, size_t maximum) {
        if (args.size() < minimum || args.size() > maximum)
            throw sqlError(440, "42884",
                           "No authorized routine named \"" + name +
                               "\" of type \"FUNCTION\" having compatible arguments was found.");
    };
    expectSymbol(")");
    bool aggregate = false;
    for (const Expr& a : args)
        aggregate = aggregate || a.aggregate;
    Expr e;
    auto make = [&](const std::string& sql, const ColType& type) {
        e = typedExpr(sql, type);
        e.aggregate = aggregate;
        return e;
    };
    if (name == "UPPER" || name == "UCASE" || name == "LOWER" || name == "LCASE") {
        needArgs(1, 1);
        const bool up = name == "UPPER" || name == "UCASE";
        return make(std::string(up ? "upper(" : "lower(") + args[0].out + ")",
                    typeOf(Kind::Varchar, std::max<long long>(1, args[0].type.length)));
    }
    if (name == "LENGTH" || name == "OCTET_LENGTH") {
        needArgs(1, 2);
        return make("length(CAST(" + args[0].out + " AS BLOB))", typeOf(Kind::Integer));
    }
    if (name == "CHARACTER_LENGTH" || name == "CHAR_LENGTH") {
        needArgs(1, 2);
        return make("length(" + args[0].out + ")", typeOf(Kind::Integer));
    }
    if (name == "SUBSTR" || name == "SUBSTRING") {
        needArgs(2, 3);
        std::string sql = "substr(" + args[0].out + ", " + args[1].sql;
        if (args.size() == 3)
            sql += ", " + args[2].sql;
        return make(sql + ")", typeOf(Kind::Varchar, std::max<long long>(1, args[0].type.length)));
    }
    if (name == "TRIM" || name == "LTRIM" || name == "RTRIM") {
        needArgs(1, 1);
        const std::string function = name == "TRIM" ? "trim" : name == "LTRIM" ? "ltrim" : "rtrim";
        return make(function + "(" + args[0].out + ", ' ')",
                    typeOf(Kind::Varchar, std::max<long long>(1, args[0].type.length)));
    }
    if (name == "COALESCE" || name == "VALUE" || name == "NVL" || name == "IFNULL") {
        needArgs(2, 64);
        ColType type = typeOf(Kind::Null);
        for (const Expr& a : args) {
            if (type.kind == Kind::Null)
                type = a.type;
        }
        std::string sql = "coalesce(";
        for (size_t i = 0; i < args.size(); ++i) {
            Expr a = args[i];
            coerce(a, typedExpr("", type));
            sql += (i ? ", " : "") + a.out;
        }
        return make(sql + ")", type);
    }
    if (name == "NULLIF") {
        needArgs(2, 2);
        Expr b = args[1];
        coerce(b, args[0]);
        return make("nullif(" + args[0].out + ", " + b.out + ")", args[0].type);
    }
    if (name == "ABS" || name == "ABSVAL") {
        needArgs(1, 1);
        return make("abs(" + args[0].sql + ")", args[0].type);
    }
    if (name == "MOD") {
        needArgs(2, 2);
        return make("(" + args[0].sql + " % " + args[1].sql + ")", args[0].type);
    }
    if (name == "ROUND") {
        needArgs(1, 2);
        return make("round(" + args[0].sql + (args.size() == 2 ? ", " + args[1].sql : "") + ")",
                    args[0].type);
    }
    if (name == "CONCAT") {
        needArgs(2, 2);
        return make("(" + args[0].out + " || " + args[1].out + ")", typeOf(Kind::Varchar, 32672));
    }
    if (name == "REPLACE") {
        needArgs(3, 3);
        return make("replace(" + args[0].out + ", " + args[1].out + ", " + args[2].out + ")",
                    typeOf(Kind::Varchar, 32672));
    }
    if (name == "LOCATE" || name == "POSSTR" || name == "INSTR") {
        needArgs(2, 2);
        const bool needleFirst = name == "LOCATE";
        return make("instr(" + args[needleFirst ? 1 : 0].out + ", " +
                        args[needleFirst ? 0 : 1].out + ")",
                    typeOf(Kind::Integer));
    }
    if (name == "HEX") {
        needArgs(1, 1);
        return make("(CASE WHEN " + args[0].out + " IS NULL THEN NULL ELSE hex(" + args[0].out +
                        ") END)",
                    typeOf(Kind::Varchar, 32672));
    }
    if (name == "YEAR" || name == "MONTH" || name == "DAY" || name == "HOUR" || name == "MINUTE" ||
        name == "SECOND") {
        needArgs(1, 1);
        Expr a = args[0];
        if (a.form == Form::String)
            a = castTo(a, typeOf(Kind::Timestamp, 0, 6), true, "");
        const bool timeOnly = a.type.kind == Kind::Time;
        int start = 1;
        int length = 4;
        if (name == "MONTH") {
            start = 6;
            length = 2;
        } else if (name == "DAY") {
            start = 9;
            length = 2;
        } else if (name == "HOUR") {
            start = timeOnly ? 1 : 12;
            length = 2;
        } else if (name == "MINUTE") {
            start = timeOnly ? 4 : 15;
            length = 2;
        } else if (name == "SECOND") {
            start = timeOnly ? 7 : 18;
            length = 2;
        }
        return make("CAST(substr(" + a.out + ", " + std::to_string(start) + ", " +
                        std::to_string(length) + ") AS INTEGER)",
                    typeOf(Kind::Integer));
    }
    // Casting functions.
    static const std::map<std::string, Kind> castFunctions = {
        {"CHAR", Kind::Char},         {"VARCHAR", Kind::Varchar},
        {"CLOB", Kind::Clob},         {"SMALLINT", Kind::Smallint},
        {"INT", Kind::Integer},       {"INTEGER", Kind::Integer},
        {"BIGINT", Kind::Bigint},     {"DECIMAL", Kind::Decimal},
        {"DEC", Kind::Decimal},       {"REAL", Kind::Real},
        {"DOUBLE", Kind::Double},     {"FLOAT", Kind::Double},
        {"DECFLOAT", Kind::Decfloat}, {"DATE", Kind::Date},
        {"TIME", Kind::Time},         {"TIMESTAMP", Kind::Timestamp},
        {"BLOB", Kind::Blob},         {"BOOLEAN", Kind::Boolean},
        {"GRAPHIC", Kind::Graphic},   {"VARGRAPHIC", Kind::Vargraphic}};
    auto castIt = castFunctions.find(name);
    if (castIt != castFunctions.end()) {
        needArgs(1, 3);
        ColType type = typeOf(castIt->second);
        switch (type.kind) {
        case Kind::Char:
        case Kind::Varchar:
        case Kind::Graphic:
        case Kind::Vargraphic: {
            long long fallback = args[0].type.length > 0 ? args[0].type.length : 254;
            if (isNumeric(args[0].type.kind) || isDatetime(args[0].type.kind))
                fallback = std::max<long long>(fallback, displaySize(args[0].type));
            type.length = lengthArg(1, std::min<long long>(32672, fallback));
            break;
        }
        case Kind::Clob:
            type.length = lengthArg(1, 2147483647LL);
            break;
        case Kind::Blob:
            type.length = lengthArg(1, 2147483647LL);
            break;
        case Kind::Decimal:
            type.length = lengthArg(1, 15);
            type.scale = static_cast<int>(lengthArg(2, 0));
            break;
        case Kind::Decfloat:
            type.length = 34;
            break;
        case Kind::Timestamp:
            type.scale = 6;
            break;
        default:
            break;
        }
        return castTo(args[0], type, true, "");
    }
    throw sqlError(440, "42884",
                   "No authorized routine named \"" + name +
                       "\" of type \"FUNCTION\" having compatible arguments was found.");
}

long long Parser::parseLength(bool allowUnits)
{
    if (peek().kind != TokenKind::Integer)
        fail("<integer>");
    long long value = 0;
    const std::string text = take().text;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc())
        value = -1;
    if (allowUnits) {
        if (acceptWord("K"))
            value *= 1024;
        else if (acceptWord("M"))
            value *= 1024 * 1024;
        else if (acceptWord("G"))
            value *= 1024LL * 1024 * 1024;
    }
    return value;
}

ColType Parser::parseType()
{
    if (!isIdentifier())
        fail("<data type>");
    const Token& t = peek();
    const std::string word = t.kind == TokenKind::Word ? t.text : std::string();
    const std::string typeName = t.text;
    ColType type;
    auto invalid = [&]() {
        return sqlError(604, "42611",
                        "The length, precision, or scale attribute for column, distinct type, "
                        "structured type, array type, attribute of structured type, routine, "
                        "cast target type, type mapping, or global variable \"" +
                            typeName + "\" is not valid.");
    };
    auto optionalLength = [&](long long fallback, bool units) {
        if (acceptSymbol("(")) {
            const long long length = parseLength(units);
            expectSymbol(")");
            return length;
        }
        return fallback;
    };
    auto check = [&](long long low, long long high) {
        if (type.length < low || type.length > high)
            throw invalid();
    };
    take();
    if (word == "CHAR" || word == "CHARACTER") {
        if (acceptWord("VARYING")) {
            type.kind = Kind::Varchar;
            expectSymbol("(");
            type.length = parseLength(false);
            expectSymbol(")");
            check(1, 32672);
        } else if (acceptWord("LARGE")) {
            expectWord("OBJECT");
            type.kind = Kind::Clob;
            type.length = optionalLength(1048576, true);
            check(1, 2147483647LL);
        } else {
            type.kind = Kind::Char;
            type.length = optionalLength(1, false);
            check(1, 255);
        }
    } else if (word == "VARCHAR") {
        type.kind = Kind::Varchar;
        expectSymbol("(");
        type.length = parseLength(false);
        expectSymbol(")");
        check(1, 32672);
    } else if (word == "LONG") {
        if (acceptWord("VARCHAR")) {
            type.kind = Kind::LongVarchar;
            type.length = LongVarcharMax;
        } else {
            expectWord("VARGRAPHIC");
            type.kind = Kind::LongVargraphic;
            type.length = LongVargraphicMax;
        }
    } else if (word == "CLOB") {
        type.kind = Kind::Clob;
        type.length = optionalLength(1048576, true);
        check(1, 2147483647LL);
    } else if (word == "GRAPHIC") {
        type.kind = Kind::Graphic;
        type.length = optionalLength(1, false);
        check(1, 127);
    } else if (word == "VARGRAPHIC") {
        type.kind = Kind::Vargraphic;
        expectSymbol("(");
        type.length = parseLength(false);
        expectSymbol(")");
        check(1, 16336);
    } else if (word == "DBCLOB") {
        type.kind = Kind::Dbclob;
        type.length = optionalLength(1048576, true);
        check(1, 1073741823LL);
    } else if (word == "BLOB" || (word == "BINARY" && isWord("LARGE"))) {
        if (word == "BINARY") {
            take();
            expectWord("OBJECT");
        }
        type.kind = Kind::Blob;
        type.length = optionalLength(1048576, true);
        check(1, 2147483647LL);
    } else if (word == "BINARY") {
        if (acceptWord("VARYING")) {
            type.kind = Kind::Varbinary;
            expectSymbol("(");
            type.length = parseLength(false);
            expectSymbol(")");
            check(1, 32672);
        } else {
            type.kind = Kind::Binary;
            type.length = optionalLength(1, false);
            check(1, 255);
        }
    } else if (word == "VARBINARY") {
        type.kind = Kind::Varbinary;
        expectSymbol("(");
        type.length = parseLength(false);
        expectSymbol(")");
        check(1, 32672);
    } else if (word == "SMALLINT") {
        type.kind = Kind::Smallint;
    } else if (word == "INT" || word == "INTEGER") {
        type.kind = Kind::Integer;
    } else if (word == "BIGINT") {
        type.kind = Kind::Bigint;
    } else if (word == "DEC" || word == "DECIMAL" || word == "NUMERIC" || word == "NUM") {
        type.kind = Kind::Decimal;
        type.length = 5;
        type.scale = 0;
        if (acceptSymbol("(")) {
            type.length = parseLength(false);
            if (acceptSymbol(",")) {
                const long long scale = parseLength(false);
                if (scale < 0 || scale > 31)
                    throw invalid();
                type.scale = static_cast<int>(scale);
            }
            expectSymbol(")");
        }
        check(1, 31);
        if (type.scale > type.length)
            throw invalid();
    } else if (word == "REAL") {
        type.kind = Kind::Real;
    } else if (word == "FLOAT") {
        type.kind = Kind::Double;
        type.length = optionalLength(53, false);
        check(1, 53);
        if (type.length <= 24)
            type.kind = Kind::Real;
        type.length = 0;
    } else if (word == "DOUBLE") {
        acceptWord("PRECISION");
        type.kind = Kind::Double;
    } else if (word == "DECFLOAT") {
        type.kind = Kind::Decfloat;
        type.length = optionalLength(34, false);
        if (type.length != 16 && type.length != 34)
            throw invalid();
    } else if (word == "DATE") {
        type.kind = Kind::Date;
    } else if (word == "TIME") {
        type.kind = Kind::Time;
    } else if (word == "TIMESTAMP") {
        type.kind = Kind::Timestamp;
        const long long precision = optionalLength(6, false);
        if (precision < 0 || precision > 12)
            throw invalid();
        type.scale = static_cast<int>(precision);
    } else if (word == "BOOLEAN") {
        type.kind = Kind::Boolean;
    } else if (word == "XML") {
        type.kind = Kind::Xml;
    } else {
        throw undefinedName(m_state.schema, typeName);
    }
    if (isCharacter(type.kind) && isWord("FOR") && isWord("BIT", 1) && isWord("DATA", 2)) {
        take();
        take();
        take();
        if (type.kind == Kind::Char)
            type.kind = Kind::Binary;
        else if (type.kind == Kind::Varchar)
            type.kind = Kind::Varbinary;
        else if (type.kind == Kind::LongVarchar) {
            type.kind = Kind::Varbinary;
            type.length = LongVarcharMax;
        }
    }
    return type;
}

SqlValue Parser::evaluate(const Expr& expr)
{
    if (expr.form == Form::Null)
        return SqlValue::null();
    if (expr.param >= 0 &&
        (expr.form == Form::String || expr.form == Form::Number || expr.form == Form::Boolean))
        return expr.literal;
    const std::string sql = "SELECT " + expr.out;
    sqlite3_stmt* statement = m_storage.acquire(sql);
    for (size_t i = 0; i < m_params.size(); ++i)
        Storage::bind(statement, static_cast<int>(i + 1), m_params[i]);
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW) {
        const Db2Error error = m_storage.error(rc);
        m_storage.release(sql, statement);
        throw error;
    }
    SqlValue value = Storage::column(statement, 0);
    m_storage.release(sql, statement);
    return value;
}

// ---------------------------------------------------------------- statements

Outcome Parser::run()
{
    if (atEnd())
        throw sqlError(198, "42617",
                       "The statement string of the PREPARE or EXECUTE IMMEDIATE statement is "
                       "blank or empty.");
    if (isWord("SELECT") || isWord("VALUES") || isSymbol("("))
        return runQuery();
    if (acceptWord("INSERT"))
        return runInsert();
    if (acceptWord("UPDATE"))
        return runUpdate();
    if (acceptWord("DELETE"))
        return runDelete();
    if (acceptWord("CREATE"))
        return runCreate();
    if (acceptWord("DROP"))
        return runDrop();
    if (acceptWord("RENAME"))
        return runRename();
    if (acceptWord("SET"))
        return runSet();
    if (acceptWord("COMMENT"))
        return runComment();
    if (isWord("COMMIT") || isWord("ROLLBACK")) {
        const bool commit = take().text == "COMMIT";
        acceptWord("WORK");
        expectEnd();
        if (m_state.transactionOpen) {
            Query(m_storage, commit ? "COMMIT" : "ROLLBACK").run();
            m_state.transactionOpen = false;
            m_state.pendingChanges = false;
        }
        return Outcome();
    }
    fail("<space>");
}

std::vector<ColumnDesc> Parser::describe()
{
    if (isWord("SELECT") || isWord("VALUES") || isSymbol("(")) {
        m_storage.refreshCatalog();
        QueryPlan plan = fullselect(nullptr);
        skipQueryOptions();
        expectEnd();
        return plan.columns;
    }
    return {};
}

Outcome Parser::runQuery()
{
    m_storage.refreshCatalog();
    QueryPlan plan = fullselect(nullptr);
    skipQueryOptions();
    expectEnd();
    Outcome outcome;
    outcome.cursor =
        std::make_unique<SqliteCursor>(m_state.storage, plan.sql, m_params, plan.columns);
    return outcome;
}

Outcome Parser::runCreate()
{
    if (acceptWord("TABLE"))
        return createTable();
    if (acceptWord("VIEW"))
        return createView();
    if (acceptWord("ALIAS") || acceptWord("SYNONYM"))
        return createAlias();
    if (acceptWord("PUBLIC")) {
        if (!acceptWord("ALIAS"))
            expectWord("SYNONYM");
        return createAlias();
    }
    if (acceptWord("SCHEMA")) {
        identifier();
        if (acceptWord("AUTHORIZATION"))
            identifier();
        expectEnd();
        return Outcome(); // schemas come into being with their first object
    }
    fail("TABLE");
}

Outcome Parser::createTable()
{
    const Name name = objectName();
    expectSymbol("(");
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> keys; // primary key first when present
    bool hasPrimaryKey = false;
    std::vector<bool> defaultIsCurrent;
    auto keyList = [&]() {
        std::vector<std::string> names;
        expectSymbol("(");
        do {
            names.push_back(identifier());
            if (!acceptWord("ASC"))
                acceptWord("DESC");
        } while (acceptSymbol(","));
        expectSymbol(")");
        return names;
    };
    do {
        if (acceptWord("CONSTRAINT"))
            identifier();
        if (isWord("PRIMARY") && isWord("KEY", 1)) {
            take();
            take();
            if (hasPrimaryKey)
                throw sqlError(624, "42889",
                               "Table \"" + quoteName(name.schema, name.name) +
                                   "\" already has a \"PRIMARY KEY\".");
            keys.insert(keys.begin(), keyList());
            hasPrimaryKey = true;
            continue;
        }
        if (isWord("UNIQUE") && isSymbol("(", 1)) {
            take();
            keys.push_back(keyList());
            continue;
        }
        Column column;
        column.name = identifier();
        column.type = parseType();
        bool current = false;
        while (true) {
            if (isWord("NOT") && isWord("NULL", 1)) {
                take();
                take();
                column.nullable = false;
            } else if (acceptWord("WITH")) {
                expectWord("DEFAULT");
                column.hasDefault = true;
                if (!(isSymbol(",") || isSymbol(")") || isWord("NOT") || isWord("PRIMARY") ||
                      isWord("UNIQUE") || isWord("CONSTRAINT"))) {
                    Scope empty;
                    Expr value = expression(empty);
                    if (value.form != Form::Null && value.param < 0)
                        current = true;
                    else
                        column.defaultValue = convertValue(evaluate(value), value.type, column.type,
                                                           ConvertMode::Assignment, column.name);
                } else if (isNumeric(column.type.kind) || column.type.kind == Kind::Boolean) {
                    column.defaultValue =
                        convertValue(SqlValue::integer(0), typeOf(Kind::Integer), column.type,
                                     ConvertMode::Assignment, column.name);
                } else if (isString(column.type.kind)) {
                    column.defaultValue =
                        convertValue(SqlValue::text(""), typeOf(Kind::Varchar), column.type,
                                     ConvertMode::Assignment, column.name);
                } else if (isDatetime(column.type.kind)) {
                    current = true;
                } else if (isBinary(column.type.kind)) {
                    column.defaultValue = SqlValue::blob("");
                }
            } else if (acceptWord("DEFAULT")) {
                column.hasDefault = true;
                Scope empty;
                Expr value = expression(empty);
                if (value.form != Form::Null && value.param < 0)
                    current = true;
                else
                    column.defaultValue = convertValue(evaluate(value), value.type, column.type,
                                                       ConvertMode::Assignment, column.name);
            } else if (isWord("PRIMARY") && isWord("KEY", 1)) {
                take();
                take();
                if (hasPrimaryKey)
                    throw sqlError(624, "42889",
                                   "Table \"" + quoteName(name.schema, name.name) +
                                       "\" already has a \"PRIMARY KEY\".");
                keys.insert(keys.begin(), std::vector<std::string>{column.name});
                hasPrimaryKey = true;
            } else if (acceptWord("UNIQUE")) {
                keys.push_back({column.name});
            } else if (acceptWord("CONSTRAINT")) {
                identifier();
            } else {
                break;
            }
        }
        for (const Column& other : columns) {
            if (other.name == column.name)
                throw sqlError(612, "42711", "\"" + column.name + "\" is a duplicate name.");
        }
        columns.push_back(column);
        defaultIsCurrent.push_back(current);
    } while (acceptSymbol(","));
    expectSymbol(")");
    if (acceptWord("IN")) {
        identifier();
        if (acceptWord("INDEX")) {
            expectWord("IN");
            identifier();
        }
        if (acceptWord("LONG")) {
            expectWord("IN");
            identifier();
        }
    }
    if (acceptWord("ORGANIZE")) {
        expectWord("BY");
        if (!acceptWord("ROW"))
            expectWord("COLUMN");
    }
    expectEnd();
    if (columns.empty())
        fail("<column definition>");
    checkRowWidth(columns);

    std::vector<std::vector<int>> keyColumns;
    for (const std::vector<std::string>& key : keys) {
        std::vector<int> indexes;
        for (const std::string& keyName : key) {
            int found = -1;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (columns[i].name == keyName)
                    found = static_cast<int>(i);
            }
            if (found < 0)
                throw sqlError(205, "42703",
                               "Column, attribute, or period \"" + keyName +
                                   "\" is not defined in object \"" +
                                   quoteName(name.schema, name.name) + "\".");
            if (columns[static_cast<size_t>(found)].nullable)
                throw sqlError(542, "42831",
                               "\"" + keyName +
                                   "\" cannot be a column of a primary key or unique key "
                                   "because it can contain null values.");
            indexes.push_back(found);
        }
        keyColumns.push_back(indexes);
    }

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
        SqlValue defaultValue = column.defaultValue;
        if (defaultIsCurrent[i])
            defaultValue = SqlValue::text("CURRENT");
        Query(m_storage, "INSERT INTO standin_columns(object_id, colno, name, kind, length, scale, "
                         "nullable, has_default, default_value, typename, catlength) VALUES(?, ?, "
                         "?, ?, ?, ?, ?, ?, ?, ?, ?)")
            .bind(1, id)
            .bind(2, static_cast<long long>(i))
            .bind(3, column.name)
            .bind(4, static_cast<long long>(kindCode(column.type.kind)))
            .bind(5, column.type.length)
            .bind(6, static_cast<long long>(column.type.scale))
            .bind(7, static_cast<long long>(column.nullable ? 1 : 0))
            .bind(8, static_cast<long long>(column.hasDefault ? (defaultIsCurrent[i] ? 2 : 1) : 0))
            .bind(9, defaultValue)
            .bind(10, typeName(column.type))
            .bind(11, catalogLength(column.type))
            .run();
        create += (i ? ", c" : "c") + std::to_string(i) + " " + sqliteDeclaration(column.type);
        if (!column.nullable)
            create += " NOT NULL";
    }
    for (size_t k = 0; k < keyColumns.size(); ++k) {
        create += (k == 0 && hasPrimaryKey) ? ", PRIMARY KEY(" : ", UNIQUE(";
        for (size_t i = 0; i < keyColumns[k].size(); ++i)
            create += (i ? ", c" : "c") + std::to_string(keyColumns[k][i]);
        create += ")";
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
    std::vector<std::string> names;
    if (acceptSymbol("(")) {
        do {
            names.push_back(identifier());
        } while (acceptSymbol(","));
        expectSymbol(")");
    }
    expectWord("AS");
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    QueryPlan plan = fullselect(nullptr);
    if (acceptWord("WITH")) {
        if (!acceptWord("CASCADED"))
            acceptWord("LOCAL");
        expectWord("CHECK");
        expectWord("OPTION");
    }
    expectEnd();
    if (names.empty()) {
        for (const ColumnDesc& column : plan.columns)
            names.push_back(column.name);
    }
    bool unnamed = names.size() != plan.columns.size();
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
    ObjectType expected = ObjectType::Table;
    if (acceptWord("TABLE"))
        expected = ObjectType::Table;
    else if (acceptWord("VIEW"))
        expected = ObjectType::View;
    else if (acceptWord("ALIAS") || acceptWord("SYNONYM"))
        expected = ObjectType::Alias;
    else if (acceptWord("PUBLIC") && (acceptWord("ALIAS") || acceptWord("SYNONYM")))
        expected = ObjectType::Alias;
    else
        fail("TABLE");
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
    if (object->type == ObjectType::Table)
        m_storage.exec("DROP TABLE t" + std::to_string(object->id));
    else if (object->type == ObjectType::View)
        m_storage.exec("DROP VIEW v" + std::to_string(object->id));
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

Outcome Parser::runSet()
{
    acceptWord("CURRENT");
    if (!acceptWord("SCHEMA") && !acceptWord("SQLID"))
        fail("SCHEMA");
    acceptSymbol("=");
    std::string schema;
    if (peek().kind == TokenKind::String)
        schema = take().text;
    else if (isWord("USER") || isWord("SESSION_USER")) {
        take();
        schema = m_state.user;
    } else
        schema = identifier();
    expectEnd();
    m_state.schema = schema;
    return Outcome();
}

Outcome Parser::runComment()
{
    expectWord("ON");
    if (!acceptWord("TABLE"))
        fail("TABLE");
    const Name name = objectName();
    expectWord("IS");
    if (peek().kind != TokenKind::String)
        fail("<string>");
    const std::string text = take().text;
    expectEnd();
    WriteScope scope(m_state);
    m_storage.refreshCatalog();
    std::shared_ptr<const Object> object = m_storage.find(name.schema, name.name);
    if (!object || object->type == ObjectType::System)
        throw undefinedName(name.schema, name.name);
    Query(m_storage, "UPDATE standin_objects SET remarks = ? WHERE id = ?")
        .bind(1, text)
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
    if (isSymbol("(") && !(isWord("SELECT", 1) || isWord("VALUES", 1) || isSymbol("(", 1))) {
        take();
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
    std::vector<bool> defaults; // per row and column, flattened: DEFAULT keyword given
    if (acceptWord("VALUES")) {
        do {
            std::vector<std::pair<SqlValue, ColType>> row;
            auto value = [&]() {
                if (acceptWord("DEFAULT")) {
                    row.emplace_back(SqlValue::null(), typeOf(Kind::Null));
                    defaults.push_back(true);
                    return;
                }
                Scope empty;
                const Expr e = expression(empty);
                row.emplace_back(evaluate(e), e.type);
                defaults.push_back(false);
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
    } else {
        QueryPlan plan = fullselect(nullptr);
        skipQueryOptions();
        expectEnd();
        if (plan.columns.size() != targets.size())
            throw sqlError(117, "42802", valueCountError);
        SqliteCursor cursor(m_state.storage, plan.sql, m_params, plan.columns);
        while (cursor.next()) {
            std::vector<std::pair<SqlValue, ColType>> row;
            for (size_t i = 0; i < plan.columns.size(); ++i) {
                row.emplace_back(cursor.row()[i], plan.columns[i].type);
                defaults.push_back(false);
            }
            rows.push_back(std::move(row));
        }
    }
    if (!viewMap.empty()) {
        for (int& t : targets)
            t = viewMap[static_cast<size_t>(t)];
    }
    insertRows(*table, targets, rows, defaults);
    scope.commit();
    Outcome outcome;
    outcome.rowCount = static_cast<long long>(rows.size());
    return outcome;
}

void Parser::insertRows(const Object& table, const std::vector<int>& targets,
                        const std::vector<std::vector<std::pair<SqlValue, ColType>>>& rows,
                        const std::vector<bool>& defaults)
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
    std::vector<int> given(width, -1);
    size_t flat = 0;
    for (const auto& row : rows) {
        std::fill(given.begin(), given.end(), -1);
        for (size_t k = 0; k < targets.size(); ++k) {
            if (!defaults[flat + k])
                given[static_cast<size_t>(targets[k])] = static_cast<int>(k);
        }
        for (size_t c = 0; c < width; ++c) {
            const Column& column = table.columns[c];
            SqlValue value;
            if (given[c] >= 0) {
                const auto& source = row[static_cast<size_t>(given[c])];
                value = convertValue(source.first, source.second, column.type,
                                     ConvertMode::Assignment, column.name);
            } else if (column.hasDefault) {
                value = column.defaultValue;
                if (value.storage == SqlValue::Storage::Text && value.s == "CURRENT" &&
                    isDatetime(column.type.kind)) {
                    if (column.type.kind == Kind::Date)
                        value = SqlValue::text(nowText("%Y-%m-%d", false));
                    else if (column.type.kind == Kind::Time)
                        value = SqlValue::text(nowText("%H:%M:%S", false));
                    else
                        value = convertValue(SqlValue::text(nowText("%Y-%m-%d %H:%M:%S", true)),
                                             typeOf(Kind::Varchar, 26), column.type,
                                             ConvertMode::Assignment, column.name);
                }
            }
            if (value.isNull() && !column.nullable)
                throw sqlError(407, "23502",
                               "Assignment of a NULL value to a NOT NULL column \"TBSPACEID=2, "
                               "TABLEID=" +
                                   std::to_string(table.id) + ", COLNO=" + std::to_string(c) +
                                   "\" is not allowed.");
            insert.bind(static_cast<int>(c + 1), value);
        }
        flat += targets.size();
        const int rc = sqlite3_step(insert.statement());
        if (rc != SQLITE_DONE) {
            const Db2Error error = m_storage.error(rc, quoteName(table.schema, table.name));
            sqlite3_reset(insert.statement());
            throw error;
        }
        sqlite3_reset(insert.statement());
    }
}

Outcome Parser::runUpdate()
{
    const Name name = objectName();
    FromItem item;
    item.alias = "s0";
    if (acceptWord("AS")) {
        item.hasCorrelation = true;
        item.correlation = identifier();
    } else if (isIdentifier() && !isWord("SET")) {
        item.hasCorrelation = true;
        item.correlation = identifier();
    }
    expectWord("SET");
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
    Scope updateScope;
    updateScope.items.push_back(item);
    std::string sets;
    do {
        const std::string columnName = identifier();
        int index = -1;
        for (size_t i = 0; i < target->columns.size(); ++i) {
            if (target->columns[i].name == columnName)
                index = static_cast<int>(i);
        }
        if (index < 0)
            throw invalidColumn(columnName);
        expectSymbol("=");
        const Column& column = target->columns[static_cast<size_t>(index)];
        std::string value;
        if (acceptWord("DEFAULT")) {
            value = column.hasDefault ? parameter(column.defaultValue, column.type, Form::Other).out
                                      : std::string("NULL");
        } else {
            Expr e = expression(updateScope);
            value = e.form == Form::Null ? std::string("NULL")
                                         : castTo(e, column.type, false, column.name).out;
        }
        sets += (sets.empty() ? "c" : ", c") + std::to_string(index) + " = " + value;
    } while (acceptSymbol(","));
    std::string where;
    if (acceptWord("WHERE"))
        where = " WHERE " + expression(updateScope).sql;
    expectEnd();
    const std::string sql = "UPDATE " + target->source + " AS s0 SET " + sets + where;
    Query update(m_storage, sql);
    for (size_t i = 0; i < m_params.size(); ++i)
        update.bind(static_cast<int>(i + 1), m_params[i]);
    const int rc = sqlite3_step(update.statement());
    if (rc != SQLITE_DONE) {
        const Db2Error error = m_storage.error(rc, std::to_string(target->id));
        sqlite3_reset(update.statement());
        throw error;
    }
    Outcome outcome;
    outcome.rowCount = sqlite3_changes64(m_storage.db());
    scope.commit();
    return outcome;
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

} // namespace

Outcome runStatement(Session::State& state, const std::string& sql)
{
    Parser parser(state, sql);
    return parser.run();
}

std::vector<ColumnDesc> describeStatement(Session::State& state, const std::string& sql)
{
    Parser parser(state, sql);
    return parser.describe();
}

} // namespace db2s
