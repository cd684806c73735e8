#include "TestEnv.h"
#include "db/SqlText.h"

#include "db/Connection.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"

namespace TestEnv {

namespace {

[[noreturn]] void fail(const QString& what, const DbError& error)
{
    TestEnv::fail(what + QStringLiteral(": ") + error.description());
}

QString quoted(const QString& name)
{
    return SqlText::quotedName(name);
}

} // namespace

ConnectionProfile pgProfile(const QString& database)
{
    ConnectionProfile profile;
    profile.server = requireEnv("DOVETAB_PG_HOST");
    profile.port = requireEnv("DOVETAB_PG_PORT");
    profile.user = requireEnv("DOVETAB_PG_USER");
    profile.password = requireEnv("DOVETAB_PG_PASSWORD");
    profile.database = database.isEmpty() ? requireEnv("DOVETAB_PG_DATABASE") : database;
    return profile;
}

ConnectionProfile createPgDatabase(const QString& name)
{
    const ConnectionProfile admin = pgProfile(QString());
    pgExec({QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(quoted(name)),
            QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(quoted(name), quoted(admin.user))});
    ConnectionProfile profile = admin;
    profile.database = name;
    return profile;
}

void pgExec(const QStringList& statements, const QString& database)
{
    const ConnectionProfile profile = pgProfile(database);
    QString current;
    try {
        Connection connection;
        connection.open(PostgreSQL::ConnectionString(profile));
        for (const QString& statement : statements) {
            current = statement;
            connection.execute(statement);
        }
    } catch (const DbError& error) {
        fail(QStringLiteral("pgExec(%1)").arg(current), error);
    }
}

QStringList pgQuery(const QString& sql, const QString& database)
{
    const ConnectionProfile profile = pgProfile(database);
    QStringList result;
    try {
        Connection connection;
        connection.open(PostgreSQL::ConnectionString(profile));
        std::unique_ptr<Recordset> rows = connection.execute(sql);
        if (!rows)
            throw DbError(QStringLiteral("the statement returned no rows"));
        while (!rows->eof()) {
            result << rows->fields().item(0).value().value_or(QStringLiteral("<NULL>"));
            rows->moveNext();
        }
    } catch (const DbError& error) {
        fail(QStringLiteral("pgQuery(%1)").arg(sql), error);
    }
    return result;
}

} // namespace TestEnv
