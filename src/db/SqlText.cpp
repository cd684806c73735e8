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

QString subquery(const QString& query)
{
    qsizetype end = query.size();
    while (end > 0 && (query.at(end - 1).isSpace() || query.at(end - 1) == QLatin1Char(';')))
        --end;
    return query.left(end);
}

} // namespace SqlText
