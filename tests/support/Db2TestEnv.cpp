#include "TestEnv.h"

#include <QCryptographicHash>
#include <QProcess>

// The DB2 side of the test environment: the stand-in's admin tool, run as a
// separate process so that seeding never goes through the code under test.
namespace TestEnv {

namespace {

// DB2 takes database names of at most 8 bytes, while tests name their databases
// after themselves: a longer name stands for a short one made from it, the same
// one every time and in any letter case.
QString db2DatabaseName(const QString& name)
{
    if (name.toUtf8().size() <= 8)
        return name;
    const QByteArray digest =
        QCryptographicHash::hash(name.toUpper().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("T") + QString::fromLatin1(digest.left(7)).toUpper();
}

// Runs the admin tool; returns its standard output. Fails the test on any error.
QByteArray runAdmin(const QStringList& arguments)
{
    const QString admin = requireEnv("DOVETAB_DB2_ADMIN");
    QStringList all{QStringLiteral("--server-dir"), requireEnv("DOVETAB_DB2_SERVER_DIR")};
    all += arguments;
    // Database names as the tests give them, wherever the tool takes one.
    const QStringList namedFirst{QStringLiteral("create-database"), QStringLiteral("create-db"),
                                 QStringLiteral("drop-database")};
    for (int i = 2; i + 1 < all.size(); ++i) {
        if (all[i] == QLatin1String("--database") || (i == 2 && namedFirst.contains(all[i])))
            all[i + 1] = db2DatabaseName(all[i + 1]);
    }
    QProcess process;
    process.start(admin, all);
    if (!process.waitForStarted(-1))
        fail(QStringLiteral("cannot start %1: %2").arg(admin, process.errorString()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("db2standin-admin %1 failed: %2")
                 .arg(arguments.join(QLatin1Char(' ')),
                      QString::fromUtf8(process.readAllStandardError()).trimmed()));
    return out;
}

// One value of the tool's output: \N is NULL, \\ \t \r \n are escapes.
QString unescape(const QByteArray& field)
{
    if (field == "\\N")
        return QStringLiteral("<NULL>");
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            const char next = field[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

} // namespace

ConnectionProfile db2Profile(const QString& database)
{
    ConnectionProfile profile;
    profile.server = requireEnv("DOVETAB_DB2_HOST");
    profile.port = requireEnv("DOVETAB_DB2_PORT");
    profile.user = requireEnv("DOVETAB_DB2_USER");
    profile.password = requireEnv("DOVETAB_DB2_PASSWORD");
    profile.database = db2DatabaseName(database);
    return profile;
}

ConnectionProfile createDb2Database(const QString& name)
{
    runAdmin({QStringLiteral("create-database"), name, QStringLiteral("--replace")});
    return db2Profile(name);
}

void db2Exec(const QStringList& statements, const QString& database)
{
    QStringList arguments{QStringLiteral("exec"), QStringLiteral("--database"), database,
                          QStringLiteral("--user"), requireEnv("DOVETAB_DB2_USER")};
    arguments += statements;
    runAdmin(arguments);
}

QStringList db2Query(const QString& sql, const QString& database)
{
    const QByteArray out =
        runAdmin({QStringLiteral("exec"), QStringLiteral("--database"), database,
                  QStringLiteral("--user"), requireEnv("DOVETAB_DB2_USER"), sql});
    QStringList rows;
    QList<QByteArray> lines = out.split('\n');
    lines.removeLast(); // after the last line's end; an empty line is a row of an empty text
    for (const QByteArray& line : lines) {
        const int tab = line.indexOf('\t');
        rows << unescape(tab < 0 ? line : line.left(tab));
    }
    return rows;
}

void db2Admin(const QStringList& arguments)
{
    runAdmin(arguments);
}

} // namespace TestEnv
