#include "db/IBMDB2.h"

#include "db/Connection.h"
#include "db/Recordset.h"

namespace IBMDB2 {

QString ConnectionString(const ConnectionProfile& profile)
{
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") +
           db2AttributeValue(profile.database) + QStringLiteral(";Hostname=") +
           db2AttributeValue(profile.server) + QStringLiteral(";Port=") +
           db2AttributeValue(profile.port) + QStringLiteral(";Protocol=TCPIP;Uid=") +
           db2AttributeValue(profile.user) + QStringLiteral(";Pwd=") +
           db2AttributeValue(profile.password) + QStringLiteral(";");
}

bool CanConnect(const ConnectionProfile& profile)
{
    QString connectionString;
    try {
        connectionString = ConnectionString(profile);
    } catch (const DbError&) {
        return false; // a string that cannot be built cannot open either
    }
    return Connection::canOpen(connectionString);
}

void ListTables(NameList& list, const ConnectionProfile& profile, const YieldFn& yield)
{
    Connection connection;
    connection.open(ConnectionString(profile));
    std::unique_ptr<Recordset> tables = connection.openSchema(Connection::SchemaTables);
    list.clear();
    PendingNames names(list);
    while (!tables->eof()) {
        // Views, aliases, system tables and other spellings of the word are skipped.
        if (tables->fields().item(QStringLiteral("TABLE_TYPE")).value() ==
            Value(QStringLiteral("TABLE"))) {
            if (yield)
                yield();
            names.add(
                tables->fields().item(QStringLiteral("TABLE_NAME")).value().value_or(QString()));
        }
        tables->moveNext();
    }
    names.flush();
    tables->close();
    connection.close();
}

} // namespace IBMDB2
