#pragma once

#include "db/ConnectionProfile.h"

#include <QString>
#include <QStringList>

// Where the test servers are. scripts/test starts them and sets the environment:
//   DOVETAB_PG_HOST, DOVETAB_PG_PORT, DOVETAB_PG_USER, DOVETAB_PG_PASSWORD,
//   DOVETAB_PG_DATABASE (a superuser login and its database), DOVETAB_PG_LOG (server log),
//   DOVETAB_DB2_HOST, DOVETAB_DB2_PORT, DOVETAB_DB2_USER, DOVETAB_DB2_PASSWORD,
//   DOVETAB_DB2_SERVER_DIR (the stand-in's server folder), DOVETAB_DB2_ADMIN (its tool).
// A missing variable fails the test (QFAIL through requireEnv): database tests are
// never skipped into a pass. The benchmarks (bench/run sets the same variables)
// use these helpers too.
namespace TestEnv {

// Fails the running test with the message and throws, so that the test ends there.
// Outside a test (a benchmark) it writes the message and ends the process with 1.
[[noreturn]] void fail(const QString& message);

QString requireEnv(const char* name);

// The profiles of the test logins: PostgreSQL's superuser on a database (default:
// the admin database), and the DB2 test user on a stand-in database (a long name
// stands for its short one, as in createDb2Database).
ConnectionProfile pgProfile(const QString& database = QString());
ConnectionProfile db2Profile(const QString& database);

// PostgreSQL: a fresh database of the given name (dropped first if it exists),
// owned by the test login, and the profile that reaches it.
ConnectionProfile createPgDatabase(const QString& name);
// Runs statements as the superuser on the given database (default: the admin database).
void pgExec(const QStringList& statements, const QString& database = QString());
// The first column of every row of a query, as text ("<NULL>" for NULL).
QStringList pgQuery(const QString& sql, const QString& database);

// IBM DB2 stand-in: a fresh database of the given name with the test user, and
// the profile that reaches it. A name longer than DB2's 8 bytes stands for a short
// one made from it, in the profile and in every call below that takes the name.
ConnectionProfile createDb2Database(const QString& name);
// Runs DB2 SQL statements against a stand-in database as the test user.
void db2Exec(const QStringList& statements, const QString& database);
// The first column of every row of a query, as text ("<NULL>" for NULL).
QStringList db2Query(const QString& sql, const QString& database);
// Runs the stand-in's admin tool on the test server folder, e.g.
// {"down", "--database", name} to make a database go away mid-operation, {"up", ...}
// to bring it back, {"hang", "--host", h, "--port", p}, {"set", "statement_delay_ms", "5"}.
// Fails the test when the tool fails.
void db2Admin(const QStringList& arguments);

// While it lives, the driver manager and the stand-in read an odbcinst.ini whose
// "IBM DB2 ODBC DRIVER" section holds one key more (a copy of the test one in a
// folder of its own, through ODBCSYSINI), as a user's odbcinst.ini would; e.g.
// {"LengthBits", "32"} registers the stand-in as IBM's libdb2.so behaves under a
// 64-bit driver manager. Connections opened meanwhile keep what they read.
class Db2DriverKey
{
public:
    Db2DriverKey(const QString& key, const QString& value);
    ~Db2DriverKey();
    Db2DriverKey(const Db2DriverKey&) = delete;
    Db2DriverKey& operator=(const Db2DriverKey&) = delete;

private:
    QByteArray m_previous;
    QString m_folder;
};
} // namespace TestEnv
