#pragma once

#include <QString>

// The one quoting rule for names in statements, and the DROP TABLE text that the
// transfers and the maintenance share. A name goes between double quotes exactly
// as the list shows it, with no schema in front; every '"' inside it is doubled,
// so that any name (a typed one included) stays one identifier and cannot end the
// statement early.
namespace SqlText {

// '"' + name with each '"' doubled + '"'.
QString quotedName(const QString& name);

// DROP TABLE "name", without a semicolon; the same on both sides.
QString dropTableStatement(const QString& tableName);

// A query as the inner part of another ("SELECT ... FROM (" + it + ") AS x"): the
// query without the blanks and semicolons at its end that would end the outer
// statement early.
QString subquery(const QString& query);

} // namespace SqlText
