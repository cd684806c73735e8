#include "TestEnv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
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

Db2DriverKey::Db2DriverKey(const QString& key, const QString& value)
    : m_previous(qgetenv("ODBCSYSINI"))
{
    const QString from = QString::fromLocal8Bit(m_previous) + QStringLiteral("/odbcinst.ini");
    QFile source(from);
    if (m_previous.isEmpty() || !source.open(QIODevice::ReadOnly))
        fail(QStringLiteral("no odbcinst.ini in ODBCSYSINI to copy (%1)").arg(from));
    QString text = QString::fromUtf8(source.readAll());
    const QString section = QStringLiteral("[IBM DB2 ODBC DRIVER]\n");
    const qsizetype at = text.indexOf(section);
    if (at < 0)
        fail(QStringLiteral("%1 has no stand-in section").arg(from));
    text.insert(at + section.size(), key + QLatin1Char('=') + value + QLatin1Char('\n'));
    m_folder = QDir::temp().filePath(
        QStringLiteral("dovetab-odbc-%1-%2").arg(QCoreApplication::applicationPid()).arg(key));
    QDir().mkpath(m_folder);
    for (const QString& name : {QStringLiteral("odbcinst.ini"), QStringLiteral("odbc.ini")}) {
        QFile out(m_folder + QLatin1Char('/') + name);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fail(QStringLiteral("cannot write %1").arg(out.fileName()));
        if (name == QLatin1String("odbcinst.ini"))
            out.write(text.toUtf8());
    }
    qputenv("ODBCSYSINI", QFile::encodeName(m_folder));
}

Db2DriverKey::~Db2DriverKey()
{
    qputenv("ODBCSYSINI", m_previous);
    QDir(m_folder).removeRecursively();
}

} // namespace TestEnv
