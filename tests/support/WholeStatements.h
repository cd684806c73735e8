#pragma once

// Whole CREATE TABLE and INSERT texts, built with the transfers' own pieces, for
// tests that have all the parts at hand.

#include "transfer/TransferStatements.h"

#include <utility>
#include <vector>

namespace Transfer {

inline QString createTableStatement(Side target, const QString& table,
                                    const std::vector<std::pair<QString, int>>& columnsAndTypes)
{
    QString sql;
    beginCreateTable(sql, table);
    for (const auto& [column, code] : columnsAndTypes)
        appendColumnClause(sql, column, columnTypeText(target, columnTypeName(code)));
    endCreateTable(sql, target);
    return sql;
}

inline QString insertStatement(const QString& table, const std::vector<Value>& values,
                               LiteralForm form = LiteralForm::Standard)
{
    QString sql;
    beginInsert(sql, insertHead(table));
    for (const Value& value : values)
        appendValue(sql, value, form);
    endInsert(sql);
    return sql;
}

} // namespace Transfer
