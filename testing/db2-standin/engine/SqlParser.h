#pragma once

// Private to the engine: the parser of DB2 statements, split over the files
// Sql.cpp (names, dispatch), SqlQueries.cpp (fullselects), SqlExpressions.cpp
// (expressions, functions, data types) and SqlStatements.cpp (DDL and DML).

#include "Lexer.h"
#include "SessionState.h"

#include <sqlite3.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace db2s::sql {

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

inline bool isDecimalLike(Kind kind)
{
    return kind == Kind::Decimal || kind == Kind::Decfloat;
}

inline ColType typeOf(Kind kind, long long length = 0, int scale = 0)
{
    return ColType{kind, length, scale};
}

// SQLite computes DECIMAL and DECFLOAT (kept as exact text) as REAL.
inline std::string valueForm(const std::string& stored, const ColType& type)
{
    if (isDecimalLike(type.kind))
        return "CAST(" + stored + " AS REAL)";
    return stored;
}

inline Expr typedExpr(const std::string& stored, const ColType& type)
{
    Expr e;
    e.out = stored;
    e.sql = valueForm(stored, type);
    e.type = type;
    return e;
}

inline ColType outputType(const ColType& type)
{
    if (type.kind == Kind::Null)
        return typeOf(Kind::Varchar, 1);
    return type;
}

inline std::string quoteName(const std::string& schema, const std::string& name)
{
    return schema + "." + name;
}

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
    QueryPlan subselect(const Scope* outer);
    std::string fromClause(Scope& scope);
    std::string fromItem(Scope& scope);
    std::string orderBy(const Scope& scope, const std::vector<Expr>& items,
                        const std::vector<ColumnDesc>& columns);

    // expressions
    Expr expression(const Scope& scope);
    Expr predicate(const Scope& scope);
    Expr concatenation(const Scope& scope);
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
    Outcome runDelete();
    Outcome runCreate();
    Outcome createTable();
    // SQL0680N or SQL0670N for a table wider than its table space's pages allow.
    void checkRowWidth(const std::vector<Column>& columns) const;
    Outcome createView();
    Outcome createAlias();
    Outcome runDrop();
    Outcome runRename();
    void insertRows(const Object& table, const std::vector<int>& targets,
                    const std::vector<std::vector<std::pair<SqlValue, ColType>>>& rows);

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

} // namespace db2s::sql
