#include "maintenance/MaintenanceStatements.h"

#include "db/SqlText.h"

namespace Maintenance {

using SqlText::quotedName;

QString renameTableStatement(Side side, const QString& oldName, const QString& newName)
{
    switch (side) {
    case Side::PostgreSQL:
        return QStringLiteral("ALTER TABLE ") + quotedName(oldName) +
               QStringLiteral(" RENAME TO ") + quotedName(newName) + QLatin1Char(';');
    case Side::IbmDb2:
        return QStringLiteral("RENAME ") + quotedName(oldName) + QStringLiteral(" TO ") +
               quotedName(newName);
    }
    return QString();
}

} // namespace Maintenance
