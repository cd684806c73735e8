#include "maintenance/MaintenanceStatements.h"

namespace Maintenance {

QString quotedName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString dropTableStatement(const QString& tableName)
{
    return QStringLiteral("DROP TABLE ") + quotedName(tableName);
}

QString renameTableStatement(Side side, const QString& oldName, const QString& newName)
{
    switch (side) {
    case Side::PostgreSQL:
        return QStringLiteral("ALTER TABLE ") + quotedName(oldName) +
               QStringLiteral(" RENAME TO ") + quotedName(newName) + QLatin1Char(';');
    case Side::IBMDB2:
        return QStringLiteral("RENAME ") + quotedName(oldName) + QStringLiteral(" TO ") +
               quotedName(newName);
    }
    return QString();
}

} // namespace Maintenance
