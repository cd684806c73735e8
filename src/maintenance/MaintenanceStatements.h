#pragma once

#include "maintenance/Maintenance.h"

#include <QString>

// The rename statements, with names quoted by the one rule of db/SqlText.h (which
// also has the DROP TABLE text).
namespace Maintenance {

// PostgreSQL: ALTER TABLE "old" RENAME TO "new";
// IBM DB2:    RENAME "old" TO "new"   (no semicolon)
QString renameTableStatement(Side side, const QString& oldName, const QString& newName);

} // namespace Maintenance
