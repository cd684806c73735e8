#include "db/PostgreSQL.h"

#include "db/AdoTypes.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/SqlText.h"

#include <limits>

namespace PostgreSQL {

QString ConnectionString(const ConnectionProfile& profile)
{
    return QStringLiteral("Driver={PostgreSQL Unicode};Server=") +
           odbcAttributeValue(profile.server) + QStringLiteral(";Port=") +
           odbcAttributeValue(profile.port) + QStringLiteral(";Uid=") +
           odbcAttributeValue(profile.user) + QStringLiteral(";Pwd=") +
           odbcAttributeValue(profile.password) + QStringLiteral(";Database=") +
           odbcAttributeValue(profile.database);
}

const QString KeepAliveAttribute =
    QStringLiteral("pqopt={keepalives=1 keepalives_idle=30 keepalives_interval=10 "
                   "keepalives_count=9 tcp_user_timeout=120000}");

QString SessionConnectionString(const ConnectionProfile& profile)
{
    return ConnectionString(profile) + QLatin1Char(';') + KeepAliveAttribute;
}

QString SourceConnectionString(const ConnectionProfile& profile)
{
    return SessionConnectionString(profile) + QStringLiteral(";UseDeclareFetch=1;Fetch=") +
           QString::number(SourceFetchRows);
}

bool StandardConformingStrings(Connection& connection)
{
    std::unique_ptr<Recordset> answer =
        connection.execute(QStringLiteral("SHOW standard_conforming_strings"));
    if (!answer || answer->eof())
        throw DbError(QStringLiteral("The server did not say how it reads backslashes in "
                                     "string constants."));
    const bool on = answer->fields().item(0).value() == QStringLiteral("on");
    answer->close();
    return on;
}

QString ServerTextQuery(const QString& sql, const std::vector<ResultColumn>& columns)
{
    bool needed = false;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.isEmpty())
            return QString();
        for (size_t j = 0; j < i; ++j) {
            if (columns[j].name == columns[i].name)
                return QString();
        }
        needed = needed || columnType(columns[i].sqlType).isDateOrTime;
    }
    if (!needed)
        return QString();
    QString list;
    for (const ResultColumn& column : columns) {
        if (!list.isEmpty())
            list += QStringLiteral(", ");
        list += QStringLiteral("dovetab_source.") + SqlText::quotedName(column.name);
        if (columnType(column.sqlType).isDateOrTime)
            list += QStringLiteral("::text");
    }
    return QStringLiteral("SELECT ") + list + QStringLiteral(" FROM (") + SqlText::subquery(sql) +
           QStringLiteral(") AS dovetab_source");
}

bool CanConnect(const ConnectionProfile& profile)
{
    return Connection::canOpen(ConnectionString(profile));
}

void ListTables(NameList& list, const ConnectionProfile& profile, const YieldFn& yield)
{
    Connection connection;
    connection.setCursorLocation(Connection::ClientSide);
    connection.open(SessionConnectionString(profile));
    std::unique_ptr<Recordset> tables =
        connection.execute(QStringLiteral("select tablename from pg_tables;"));
    if (!tables)
        throw DbError(QStringLiteral("The table query returned no result."));
    list.clear();
    const long long count = tables->recordCount();
    if (count > std::numeric_limits<qint32>::max())
        throw DbError(QStringLiteral("Overflow: %1 tables cannot be listed.").arg(count));
    // The count bounds the loop, as it was read before the first row.
    const qint32 rows = static_cast<qint32>(count);
    PendingNames names(list);
    for (qint32 row = 1; row <= rows; ++row) {
        if (yield)
            yield();
        names.add(tables->fields().item(0).value().value_or(QString()));
        tables->moveNext();
    }
    names.flush();
    tables->close();
    connection.close();
}

} // namespace PostgreSQL
