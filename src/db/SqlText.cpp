#include "db/SqlText.h"

namespace SqlText {

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

} // namespace SqlText
