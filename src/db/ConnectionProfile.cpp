#include "db/ConnectionProfile.h"

#include "db/DbError.h"

QString odbcAttributeValue(const QString& value)
{
    const bool needsBraces =
        value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{')) ||
        value.contains(QLatin1Char('}')) ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString db2AttributeValue(const QString& value)
{
    if (value.contains(QLatin1Char(';')))
        throw DbError(QStringLiteral("The IBM DB2 driver cannot take a login value that contains "
                                     "a semicolon (;)."));
    return value;
}
