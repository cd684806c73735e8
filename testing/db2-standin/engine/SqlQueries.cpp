// Fullselects: one subselect of one table reference (a table, view, alias or
// nested fullselect), WHERE and ORDER BY.

#include "SqlParser.h"

namespace db2s::sql {

QueryPlan Parser::fullselect(const Scope* outer)
{
    if (!isWord("SELECT"))
        fail("SELECT");
    return subselect(outer);
}

QueryPlan Parser::subselect(const Scope* outer)
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
    plan.sql += from + where;
    bool ordered = false;
    if (isWord("ORDER") && isWord("BY", 1)) {
        plan.sql += orderBy(scope, items, plan.columns);
        ordered = true;
    }
    // A view of plain columns of one table takes INSERT (no DISTINCT, aggregate or order).
    if (plain && !distinct && !aggregate && !ordered && scope.items[0].object) {
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
    return " FROM " + fromItem(scope);
}

std::string Parser::fromItem(Scope& scope)
{
    FromItem item;
    item.alias = newAlias();
    std::string sql;
    if (acceptSymbol("(")) {
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
    scope.items.push_back(std::move(item));
    return sql;
}

std::string Parser::orderBy(const Scope& scope, const std::vector<Expr>& items,
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
                key = items[static_cast<size_t>(found)].sql;
            } else {
                key = expression(scope).sql;
            }
        } else {
            key = expression(scope).sql;
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

} // namespace db2s::sql
