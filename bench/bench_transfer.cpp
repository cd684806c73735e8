// Speed, memory and responsiveness of the two send operations, run headless on a
// generated table. Started by bench/run, which provides the servers and the
// environment (the same variables as the test suite).
//
//   bench_transfer [rows]            the full benchmark (default 20000 rows)
//   bench_transfer --peak DIR ROWS   one transfer in this process, then its peak memory
//
// For each direction it times the send operation against a baseline that executes
// the very same INSERT texts one by one through the same data access layer and
// driver, with no window, and reports handler / baseline. It also reports the
// longest gap between two event-loop turns during the operation, and the peak
// memory of a process that sends a small and a large table.

#include "Connection.h"
#include "Dialogs.h"
#include "EventYield.h"
#include "IBMDB2.h"
#include "PostgreSQL.h"
#include "ProgressDisplay.h"
#include "Recordset.h"
#include "SortedNameList.h"
#include "TablesWindowContext.h"
#include "Transfer.h"
#include "TransferStatements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString SourceTable = QStringLiteral("bench_rows");

[[noreturn]] void die(const QString& message)
{
    std::fprintf(stderr, "bench_transfer: %s\n", qPrintable(message));
    std::exit(1);
}

QString env(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        die(QStringLiteral("%1 is not set: run the benchmark through bench/run").arg(name));
    return value;
}

ConnectionProfile pgProfile(const QString& database)
{
    return {env("DOVETAB_PG_HOST"), env("DOVETAB_PG_PORT"), env("DOVETAB_PG_USER"),
            env("DOVETAB_PG_PASSWORD"), database};
}

ConnectionProfile db2Profile(const QString& database)
{
    return {env("DOVETAB_DB2_HOST"), env("DOVETAB_DB2_PORT"), env("DOVETAB_DB2_USER"),
            env("DOVETAB_DB2_PASSWORD"), database};
}

// The three databases: the PostgreSQL source, the DB2 target (and source of the
// way back), and a second PostgreSQL database for the way back.
const QString PgSource = QStringLiteral("bench_source");
const QString PgTarget = QStringLiteral("bench_target");
const QString Db2Database = QStringLiteral("BENCH");

void execAll(const ConnectionProfile& profile, bool postgres, const QStringList& statements)
{
    Connection connection;
    connection.open(postgres ? PostgreSQL::ConnectionString(profile)
                             : IBMDB2::ConnectionString(profile));
    for (const QString& sql : statements)
        connection.execute(sql);
}

void runAdmin(const QStringList& arguments)
{
    QProcess process;
    process.start(env("DOVETAB_DB2_ADMIN"),
                  QStringList{QStringLiteral("--server-dir"), env("DOVETAB_DB2_SERVER_DIR")} +
                      arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        die(QStringLiteral("db2 stand-in admin %1 failed: %2")
                .arg(arguments.join(' '), QString::fromLocal8Bit(process.readAllStandardError())));
}

void createDatabases()
{
    const ConnectionProfile admin = pgProfile(env("DOVETAB_PG_DATABASE"));
    QStringList statements;
    for (const QString& name : {PgSource, PgTarget})
        statements << QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)
                   << QStringLiteral("CREATE DATABASE %1").arg(name);
    execAll(admin, true, statements);
    runAdmin({QStringLiteral("create-database"), Db2Database, QStringLiteral("--replace")});
}

QString tableName(int rows)
{
    return SourceTable + QLatin1Char('_') + QString::number(rows);
}

// Six mixed columns, some NULLs, texts of varying length.
void createSourceTable(int rows)
{
    const QString table = tableName(rows);
    execAll(pgProfile(PgSource), true,
            {QStringLiteral("DROP TABLE IF EXISTS %1").arg(table),
             QStringLiteral("CREATE TABLE %1 (id integer, name varchar(40), amount numeric(12,2), "
                            "born date, note text, flag boolean)")
                 .arg(table),
             QStringLiteral("INSERT INTO %1 SELECT g, 'name ' || g, "
                            "CASE WHEN g % 17 = 0 THEN NULL ELSE (g * 1.25)::numeric(12,2) END, "
                            "DATE '1950-01-01' + (g % 20000), "
                            "repeat('x', g % 60) || ' it''s note ' || g, g % 2 = 0 "
                            "FROM generate_series(1, %2) AS g")
                 .arg(table)
                 .arg(rows)});
}

class BenchDialogs : public Dialogs
{
public:
    int reports = 0;
    int messageBox(const QString& text, Buttons buttons, Icon, const QString& caption) override
    {
        if (buttons == Buttons::YesNo)
            return Yes;
        if (caption == QLatin1String("Application Error") && ++reports <= 3)
            std::fprintf(stderr, "bench_transfer: error report:\n%s\n", qPrintable(text));
        return Ok;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
};

class BenchProgress : public ProgressDisplay
{
public:
    double highest = 0;
    void setValue(double value) override
    {
        m_value = value;
        highest = std::max(highest, value);
    }
    double value() const override { return m_value; }
    void setText(const QString& text) override { m_text = text; }
    QString text() const override { return m_text; }

private:
    double m_value = 0;
    QString m_text;
};

enum class Way
{
    ToIbmDb2,
    ToPostgreSQL
};

QString wayName(Way way)
{
    return way == Way::ToIbmDb2 ? QStringLiteral("PostgreSQL -> IBM DB2")
                                : QStringLiteral("IBM DB2 -> PostgreSQL");
}

struct HandlerRun
{
    double seconds = 0;
    double longestGapMs = 0;  // between two event-loop turns
    double longestHoldMs = 0; // between two yields: one open or statement and its driver work
};

// Drops the target table of a way, if it is there.
void dropTarget(Way way, const QString& table)
{
    try {
        if (way == Way::ToIbmDb2)
            execAll(db2Profile(Db2Database), false, {Transfer::dropStatement(table)});
        else
            execAll(pgProfile(PgTarget), true, {Transfer::dropStatement(table)});
    } catch (const DbError&) {
        // Not there yet.
    }
}

// The real send operation on one table, as the window runs it.
HandlerRun runHandler(Way way, const QString& table)
{
    dropTarget(way, table);
    SortedNameList pgList, db2List;
    SortedNameList& source = way == Way::ToIbmDb2 ? pgList : db2List;
    source.addItem(table);
    source.setSelected(0, true);
    source.setCurrentIndex(0);
    BenchDialogs dialogs;
    BenchProgress progress;
    EventYield yield;
    // The time between two calls of the yield is time the operation keeps the
    // thread: a connection open or one statement with the driver's work around it.
    HandlerRun run;
    QElapsedTimer sinceYield;
    const auto holding = [&] {
        run.longestHoldMs = std::max(run.longestHoldMs, sinceYield.nsecsElapsed() / 1e6);
        yield();
        sinceYield.restart();
    };
    const QString pgDatabase = way == Way::ToIbmDb2 ? PgSource : PgTarget;
    TablesWindowContext window{pgList,
                               db2List,
                               progress,
                               dialogs,
                               [] { return db2Profile(Db2Database); },
                               [pgDatabase] { return pgProfile(pgDatabase); },
                               [](int) {},
                               [&] { holding(); }};

    // A timer that is due all the time fires once per event-loop turn.
    QElapsedTimer sinceTurn;
    QTimer turn;
    turn.setTimerType(Qt::PreciseTimer);
    turn.setInterval(1);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        run.longestGapMs = std::max(run.longestGapMs, sinceTurn.nsecsElapsed() / 1e6);
        sinceTurn.restart();
    });
    turn.start();
    sinceTurn.start();
    sinceYield.start();

    QElapsedTimer clock;
    clock.start();
    if (way == Way::ToIbmDb2)
        Transfer::SendToIbmDb2(window);
    else
        Transfer::SendToPostgreSQL(window);
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.longestGapMs = std::max(run.longestGapMs, sinceTurn.nsecsElapsed() / 1e6);
    run.longestHoldMs = std::max(run.longestHoldMs, sinceYield.nsecsElapsed() / 1e6);
    turn.stop();

    if (dialogs.reports > 0)
        die(QStringLiteral("%1: %2 error reports").arg(wayName(way)).arg(dialogs.reports));
    if (progress.highest > 100.0)
        die(QStringLiteral("%1: the progress bar passed 100").arg(wayName(way)));
    return run;
}

struct BaselineRun
{
    double seconds = 0;
    double readSeconds = 0; // reading the source and building the texts (not in seconds)
    double longestStatementMs = 0;
};

// The INSERT texts the send operation builds for a table, built by the same
// statement code from the same source rows, then executed one by one on a fresh
// target table. Only the executes are timed.
BaselineRun runBaseline(Way way, const QString& table)
{
    const bool sourceIsPg = way == Way::ToIbmDb2;
    Connection source;
    source.setCursorLocation(Connection::ClientSide);
    source.open(sourceIsPg ? PostgreSQL::ConnectionString(pgProfile(PgSource))
                           : IBMDB2::ConnectionString(db2Profile(Db2Database)));
    QElapsedTimer reading;
    reading.start();
    Recordset rows;
    rows.open(Transfer::readStatement(table), source);
    const Transfer::Target target =
        sourceIsPg ? Transfer::Target::IbmDb2 : Transfer::Target::PostgreSQL;
    std::vector<std::pair<QString, int>> columns;
    for (int i = 0; i < rows.fields().count(); ++i)
        columns.emplace_back(rows.fields()[i].name(), rows.fields()[i].type());
    const QString create = Transfer::createTableStatement(target, table, columns);
    const QString head = Transfer::insertHead(table);
    std::vector<QString> inserts;
    while (!rows.eof()) {
        QString sql;
        Transfer::beginInsert(sql, head);
        for (int i = 0; i < rows.fields().count(); ++i)
            Transfer::appendValue(sql, rows.fields()[i].value());
        Transfer::endInsert(sql);
        inserts.push_back(std::move(sql));
        rows.moveNext();
    }
    rows.close();
    source.close();
    const double readSeconds = reading.nsecsElapsed() / 1e9;

    dropTarget(way, table);
    Connection connection;
    connection.setCursorLocation(Connection::ServerSide);
    connection.open(sourceIsPg ? IBMDB2::ConnectionString(db2Profile(Db2Database))
                               : PostgreSQL::ConnectionString(pgProfile(PgTarget)));
    connection.execute(create);
    BaselineRun run;
    run.readSeconds = readSeconds;
    QElapsedTimer clock, one;
    clock.start();
    for (const QString& sql : inserts) {
        one.start();
        connection.execute(sql);
        run.longestStatementMs = std::max(run.longestStatementMs, one.nsecsElapsed() / 1e6);
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    connection.close();
    return run;
}

// The same work as the send operation, without a window: open both, SELECT,
// CREATE TABLE, then read a row, build its INSERT and execute it, row by row. No
// yield, no error trap, no progress. Timed whole, like the operation.
double runStreamed(Way way, const QString& table)
{
    dropTarget(way, table);
    const bool sourceIsPg = way == Way::ToIbmDb2;
    const Transfer::Target target =
        sourceIsPg ? Transfer::Target::IbmDb2 : Transfer::Target::PostgreSQL;
    QElapsedTimer clock;
    clock.start();
    Connection connection;
    connection.setCursorLocation(Connection::ServerSide);
    connection.open(sourceIsPg ? IBMDB2::ConnectionString(db2Profile(Db2Database))
                               : PostgreSQL::ConnectionString(pgProfile(PgTarget)));
    Connection source;
    source.setCursorLocation(Connection::ClientSide);
    source.open(sourceIsPg ? PostgreSQL::ConnectionString(pgProfile(PgSource))
                           : IBMDB2::ConnectionString(db2Profile(Db2Database)));
    Recordset rows;
    rows.open(Transfer::readStatement(table), source);
    std::vector<std::pair<QString, int>> columns;
    for (int i = 0; i < rows.fields().count(); ++i)
        columns.emplace_back(rows.fields()[i].name(), rows.fields()[i].type());
    connection.execute(Transfer::createTableStatement(target, table, columns));
    const QString head = Transfer::insertHead(table);
    QString sql;
    while (!rows.eof()) {
        Transfer::beginInsert(sql, head);
        for (int i = 0; i < rows.fields().count(); ++i)
            Transfer::appendValue(sql, rows.fields()[i].value());
        Transfer::endInsert(sql);
        connection.execute(sql);
        rows.moveNext();
    }
    rows.close();
    source.close();
    connection.close();
    return clock.nsecsElapsed() / 1e9;
}

long long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // kilobytes on Linux
}

// Runs one transfer in a process of its own and returns its peak memory in kB.
long long peakInChild(const QString& program, Way way, int rows)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--peak"),
                          way == Way::ToIbmDb2 ? QStringLiteral("to-db2") : QStringLiteral("to-pg"),
                          QString::number(rows)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        die(QStringLiteral("the memory run of %1 rows failed").arg(rows));
    return child.readAllStandardOutput().trimmed().toLongLong();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    if (args.size() == 4 && args[1] == QLatin1String("--peak")) {
        const Way way = args[2] == QLatin1String("to-db2") ? Way::ToIbmDb2 : Way::ToPostgreSQL;
        runHandler(way, tableName(args[3].toInt()));
        std::printf("%lld\n", peakKilobytes());
        return 0;
    }

    const int rows = args.size() > 1 ? args[1].toInt() : 20000;
    if (rows <= 0)
        die(QStringLiteral("usage: bench_transfer [rows]"));
    const int smallRows = std::max(1, rows / 4);
    constexpr int Rounds = 5;

    try {
        createDatabases();
        createSourceTable(rows);
        createSourceTable(smallRows);

        // The way there also makes the DB2 tables the way back reads.
        runHandler(Way::ToIbmDb2, tableName(smallRows));
        runHandler(Way::ToIbmDb2, tableName(rows));

        std::printf("Send operations on %d rows of 6 columns, best of %d rounds\n\n", rows, Rounds);
        std::printf("%-22s %9s %10s %7s %8s %6s %10s %12s %7s %8s %9s\n", "direction", "handler s",
                    "baseline s", "read s", "stream s", "ratio", "ratio+read", "ratio/stream",
                    "gap ms", "hold ms", "INSERT ms");
        for (Way way : {Way::ToIbmDb2, Way::ToPostgreSQL}) {
            std::vector<double> handler, baseline, reads, streamed;
            double gap = 0, hold = 0, longest = 0;
            for (int round = 0; round < Rounds; ++round) {
                const BaselineRun b = runBaseline(way, tableName(rows));
                const HandlerRun h = runHandler(way, tableName(rows));
                streamed.push_back(runStreamed(way, tableName(rows)));
                handler.push_back(h.seconds);
                baseline.push_back(b.seconds);
                reads.push_back(b.readSeconds);
                gap = std::max(gap, h.longestGapMs);
                hold = std::max(hold, h.longestHoldMs);
                longest = std::max(longest, b.longestStatementMs);
            }
            // Other work on the machine only ever adds time: the best round of each
            // is the closest to its own cost.
            const double bestHandler = *std::min_element(handler.begin(), handler.end());
            const double bestBaseline = *std::min_element(baseline.begin(), baseline.end());
            const double bestRead = *std::min_element(reads.begin(), reads.end());
            const double bestStreamed = *std::min_element(streamed.begin(), streamed.end());
            std::printf("%-22s %9.2f %10.2f %7.2f %8.2f %6.3f %10.3f %12.3f %7.1f %8.1f %9.1f\n",
                        qPrintable(wayName(way)), bestHandler, bestBaseline, bestRead, bestStreamed,
                        bestHandler / bestBaseline, bestHandler / (bestBaseline + bestRead),
                        bestHandler / bestStreamed, gap, hold, longest);
            std::fflush(stdout);
        }
        std::printf(
            "\nratio: handler / baseline (the INSERT texts executed one by one, nothing else);\n"
            "ratio+read: handler / (baseline + reading the source rows through the same layer);\n"
            "ratio/stream: handler / the same reads, texts and executes row by row, no window;\n"
            "gap ms: longest time between two event-loop turns during the operation (worst "
            "round);\n"
            "hold ms: longest time between two yields of the operation: one open or statement;\n"
            "INSERT ms: longest single INSERT of the baseline.\n");

        // Memory: one process per size and direction. The DB2 tables the way
        // there leaves behind are the sources of the way back.
        std::printf("\nPeak memory (VmHWM) of a process that sends one table\n");
        std::printf("%-22s %10d rows %10d rows\n", "direction", smallRows, rows);
        for (Way way : {Way::ToIbmDb2, Way::ToPostgreSQL}) {
            const long long small = peakInChild(args[0], way, smallRows);
            const long long large = peakInChild(args[0], way, rows);
            std::printf("%-22s %12.1f MB %12.1f MB\n", qPrintable(wayName(way)), small / 1024.0,
                        large / 1024.0);
        }
    } catch (const DbError& error) {
        die(error.description());
    }
    return 0;
}
