#pragma once

#include "maintenance/Maintenance.h"

#include <QString>

// The statement texts of delete and rename. A table name goes between double
// quotes exactly as the list shows it, with no schema in front; every '"' inside
// it is doubled, so that any name (a typed one included) stays one identifier
// and cannot end the statement early.
namespace Maintenance {

// '"' + name with each '"' doubled + '"'.
QString quotedName(const QString& name);

// DROP TABLE "name", without a semicolon; the same on both sides.
QString dropTableStatement(const QString& tableName);

// PostgreSQL: ALTER TABLE "old" RENAME TO "new";
// IBM DB2:    RENAME "old" TO "new"   (no semicolon)
QString renameTableStatement(Side side, const QString& oldName, const QString& newName);

} // namespace Maintenance
