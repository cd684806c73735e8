// DB2 statements to SQLite: parsing, name resolution, typing and execution.
//
// Every literal becomes a numbered SQLite parameter (?1, ?2, ...), so the
// SQLite text never holds user data and repeated statements share one prepared
// statement. Tables and columns are reached by their catalog ids (t<id>.c<n>).

#include "SqlParser.h"

namespace db2s {

namespace sql {

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

// Words that may follow a table reference and so are never its correlation name;
// most begin clauses this parser does not take, which then fail as syntax errors
// at that word.
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

// ---------------------------------------------------------------- statements

Outcome Parser::run()
{
    if (atEnd())
        throw sqlError(198, "42617",
                       "The statement string of the PREPARE or EXECUTE IMMEDIATE statement is "
                       "blank or empty.");
    if (isWord("SELECT"))
        return runQuery();
    if (acceptWord("INSERT"))
        return runInsert();
    if (acceptWord("DELETE"))
        return runDelete();
    if (acceptWord("CREATE"))
        return runCreate();
    if (acceptWord("DROP"))
        return runDrop();
    if (acceptWord("RENAME"))
        return runRename();
    fail("<space>");
}

std::vector<ColumnDesc> Parser::describe()
{
    if (isWord("SELECT")) {
        m_storage.refreshCatalog();
        QueryPlan plan = fullselect(nullptr);
        expectEnd();
        return plan.columns;
    }
    return {};
}

Outcome Parser::runQuery()
{
    m_storage.refreshCatalog();
    QueryPlan plan = fullselect(nullptr);
    expectEnd();
    Outcome outcome;
    outcome.cursor =
        std::make_unique<SqliteCursor>(m_state.storage, plan.sql, m_params, plan.columns);
    return outcome;
}

} // namespace sql

Outcome runStatement(Session::State& state, const std::string& sql)
{
    sql::Parser parser(state, sql);
    return parser.run();
}

std::vector<ColumnDesc> describeStatement(Session::State& state, const std::string& sql)
{
    sql::Parser parser(state, sql);
    return parser.describe();
}

} // namespace db2s
