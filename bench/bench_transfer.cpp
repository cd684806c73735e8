// Speed, memory and responsiveness of the two send operations, run headless on a
// generated table. Started by bench/run, which provides the servers and the
// environment (the same variables as the test suite).
//
//   bench_transfer [rows] [memory rows]   the full benchmark (default 20000 and 1000000;
//                                         memory rows 0 leaves the memory part out)
//   bench_transfer --peak DIR ROWS        one transfer in this process, then its peak memory
//
// For each direction it times the send operation against a baseline that uses no part
// of our data access layer: PostgreSQL -> IBM DB2 against a raw ODBC stream of the very
// same INSERT texts through the same driver on one statement handle plus a raw ODBC read
// of the source; IBM DB2 -> PostgreSQL against psql -f of the same texts. It does so
// with the DB2 stand-in answering at once and with 0.3 ms per statement. It also reports
// the longest gap between two event-loop turns during the operation beside one
// statement's own time, and the peak memory of a process that sends a small and a
// large table.

#include "SortedNameList.h"
#include "TestEnv.h"
#include "WholeStatements.h"
#include "app/HomePage.h"
#include "core/Dialogs.h"
#include "core/DriverWaitLoop.h"
#include "core/EventYield.h"
#include "core/ProgressDisplay.h"
#include "core/TablesWindowContext.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"
#include "db/SqlText.h"
#include "transfer/Transfer.h"
#include "transfer/TransferStatements.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/ProgressBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
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

using TestEnv::db2Profile;
using TestEnv::pgProfile;

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

void createDatabases()
{
    for (const QString& name : {PgSource, PgTarget})
        TestEnv::createPgDatabase(name);
    TestEnv::createDb2Database(Db2Database);
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
    int others = 0; // boxes that are neither a question nor an error report
    int messageBox(const QString& text, Buttons buttons, Icon, const QString& caption) override
    {
        if (buttons == Buttons::YesNo)
            return Yes;
        if (caption != QLatin1String("Application Error")) {
            ++others;
            std::fprintf(stderr, "bench_transfer: message: %s\n", qPrintable(text));
        } else if (++reports <= 3) {
            std::fprintf(stderr, "bench_transfer: error report:\n%s\n", qPrintable(text));
        }
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

// The longest time between two turns of the event loop while it runs: a timer that
// is due all the time fires once per turn.
class TurnGapMeter
{
public:
    explicit TurnGapMeter(double& longestMs) : m_longestMs(longestMs)
    {
        m_turn.setTimerType(Qt::PreciseTimer);
        m_turn.setInterval(1);
        QObject::connect(&m_turn, &QTimer::timeout, [this] { lap(); });
    }
    void start()
    {
        m_turn.start();
        m_sinceTurn.start();
    }
    // Counts the time since the last turn and stops.
    void stop()
    {
        lap();
        m_turn.stop();
    }

private:
    void lap()
    {
        m_longestMs = std::max(m_longestMs, m_sinceTurn.nsecsElapsed() / 1e6);
        m_sinceTurn.restart();
    }

    double& m_longestMs;
    QElapsedTimer m_sinceTurn;
    QTimer m_turn;
};

struct HandlerRun
{
    double seconds = 0;
    double longestGapMs = 0;     // between two event-loop turns
    double longestHoldMs = 0;    // between two yields: one open or statement and its driver work
    double longestRowHoldMs = 0; // the same once the rows are being sent
};

// Drops the target table of a way, if it is there.
void dropTarget(Way way, const QString& table)
{
    try {
        if (way == Way::ToIbmDb2)
            execAll(db2Profile(Db2Database), false, {SqlText::dropTableStatement(table)});
        else
            execAll(pgProfile(PgTarget), true, {SqlText::dropTableStatement(table)});
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
    BenchDialogs dialogs;
    BenchProgress progress;
    EventYield yield;
    // The time between two calls of the yield is time the operation keeps the
    // thread: a connection open or one statement with the driver's work around it.
    HandlerRun run;
    QElapsedTimer sinceYield;
    const auto holding = [&] {
        const double held = sinceYield.nsecsElapsed() / 1e6;
        run.longestHoldMs = std::max(run.longestHoldMs, held);
        if (progress.highest > 0)
            run.longestRowHoldMs = std::max(run.longestRowHoldMs, held);
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

    TurnGapMeter gaps(run.longestGapMs);
    gaps.start();
    sinceYield.start();

    QElapsedTimer clock;
    clock.start();
    if (way == Way::ToIbmDb2)
        Transfer::SendToIbmDb2(window);
    else
        Transfer::SendToPostgreSQL(window);
    run.seconds = clock.nsecsElapsed() / 1e9;
    gaps.stop();
    run.longestHoldMs = std::max(run.longestHoldMs, sinceYield.nsecsElapsed() / 1e6);

    if (dialogs.reports > 0)
        die(QStringLiteral("%1: %2 error reports").arg(wayName(way)).arg(dialogs.reports));
    // A count that is not exact would leave the bar short of 100 or pass it.
    if (progress.highest != 100.0)
        die(QStringLiteral("%1: the progress bar ended at %2, not 100")
                .arg(wayName(way))
                .arg(progress.highest));
    return run;
}

class NoHomePage : public HomePage
{
public:
    int draw() override { return 50; }
    void open(const QUrl&) override {}
};

// The real windows (offscreen), as the program runs them: the login window holds
// the login values, the tables window's send runs with its progress bar, its
// pointer and the login window's event yield, and, as the program installs it,
// the driver wait loop.
class Windows
{
public:
    Windows() : m_login(m_dialogs, m_homePage), m_waitLoop([] { return false; })
    {
        m_login.setQuitActionForTesting([] {});
        m_tables = &m_login.tablesWindow();
        m_tables->show();
        QCoreApplication::processEvents();
    }

    HandlerRun send(Way way, const QString& table, bool withWaiter)
    {
        dropTarget(way, table);
        const ConnectionProfile db2 = db2Profile(Db2Database);
        const ConnectionProfile pg = pgProfile(way == Way::ToIbmDb2 ? PgSource : PgTarget);
        const QStringList values = {db2.server, db2.port, db2.user, db2.password, db2.database,
                                    pg.server,  pg.port,  pg.user,  pg.password,  pg.database};
        for (int i = 0; i < values.size(); ++i)
            m_login.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i + 1))->setText(values[i]);
        NameList& source = way == Way::ToIbmDb2 ? m_tables->list1() : m_tables->list2();
        m_tables->list1().clear();
        m_tables->list2().clear();
        source.addItem(table);
        source.setSelected(0, true);
        source.setCurrentIndex(0);
        m_dialogs.reports = 0;
        m_dialogs.others = 0;

        // The window's own context, its yield wrapped to measure the holds.
        TablesWindowContext context = m_tables->context();
        const YieldFn yield = context.yield;
        HandlerRun run;
        QElapsedTimer sinceYield;
        bool rowsGoing = false;
        context.yield = [&] {
            const double held = sinceYield.nsecsElapsed() / 1e6;
            run.longestHoldMs = std::max(run.longestHoldMs, held);
            rowsGoing = rowsGoing || m_tables->progressBar().value() > 0;
            if (rowsGoing)
                run.longestRowHoldMs = std::max(run.longestRowHoldMs, held);
            yield();
            sinceYield.restart();
        };
        TurnGapMeter gaps(run.longestGapMs);
        if (withWaiter)
            BlockingCall::setWaiter(&m_waitLoop);
        gaps.start();
        sinceYield.start();
        QElapsedTimer clock;
        clock.start();
        m_tables->runExclusive(QStringLiteral("bench"), [&] {
            if (way == Way::ToIbmDb2)
                Transfer::SendToIbmDb2(context);
            else
                Transfer::SendToPostgreSQL(context);
        });
        run.seconds = clock.nsecsElapsed() / 1e9;
        gaps.stop();
        BlockingCall::setWaiter(nullptr);
        if (m_dialogs.reports + m_dialogs.others > 0)
            die(QStringLiteral("%1 in the window: %2 message boxes")
                    .arg(wayName(way))
                    .arg(m_dialogs.reports + m_dialogs.others));
        return run;
    }

private:
    BenchDialogs m_dialogs;
    NoHomePage m_homePage;
    Form1 m_login;
    Form2* m_tables = nullptr;
    DriverWaitLoop m_waitLoop;
};

// Raw ODBC for the baselines: nothing of our data access layer, so that they stay put
// when the layer changes.
[[noreturn]] void odbcDie(SQLSMALLINT type, SQLHANDLE handle, const char* call)
{
    SQLWCHAR state[6] = {}, text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRecW(type, handle, 1, state, &native, text, 1024, &length);
    die(QStringLiteral("%1: %2").arg(
        QString::fromLatin1(call),
        QString::fromUtf16(reinterpret_cast<const char16_t*>(text), std::min<int>(length, 1023))));
}

void odbcCheck(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call)
{
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO && rc != SQL_NO_DATA)
        odbcDie(type, handle, call);
}

SQLWCHAR* wide(const QString& text)
{
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

class RawConnection
{
public:
    explicit RawConnection(const QString& connectionString)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        odbcCheck(SQLDriverConnectW(m_dbc, nullptr, wide(connectionString),
                                    static_cast<SQLSMALLINT>(connectionString.size()), nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT),
                  SQL_HANDLE_DBC, m_dbc, "SQLDriverConnect");
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
    }
    ~RawConnection()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // One statement handle for everything.
    void exec(const QString& sql)
    {
        odbcCheck(SQLExecDirectW(m_stmt, wide(sql), static_cast<SQLINTEGER>(sql.size())),
                  SQL_HANDLE_STMT, m_stmt, "SQLExecDirect");
    }
    SQLHSTMT statement() const { return m_stmt; }

private:
    SQLHENV m_env = SQL_NULL_HANDLE;
    SQLHDBC m_dbc = SQL_NULL_HANDLE;
    SQLHSTMT m_stmt = SQL_NULL_HANDLE;
};

QString sourceString(Way way)
{
    return way == Way::ToIbmDb2 ? PostgreSQL::SourceConnectionString(pgProfile(PgSource))
                                : IBMDB2::ConnectionString(db2Profile(Db2Database));
}

QString targetString(Way way)
{
    return way == Way::ToIbmDb2 ? IBMDB2::ConnectionString(db2Profile(Db2Database))
                                : PostgreSQL::ConnectionString(pgProfile(PgTarget));
}

// The CREATE TABLE and INSERT texts the send operation builds for a table, built by
// the same statement code from the same source rows (not timed).
struct Texts
{
    QString create;
    std::vector<QString> inserts;
};

Texts buildTexts(Way way, const QString& table)
{
    Connection source;
    source.setCursorLocation(Connection::ClientSide);
    source.open(sourceString(way));
    Recordset rows;
    rows.open(Transfer::readStatement(table), source);
    std::vector<std::pair<QString, int>> columns;
    for (int i = 0; i < rows.fields().count(); ++i)
        columns.emplace_back(rows.fields()[i].name(), rows.fields()[i].type());
    Texts texts;
    texts.create = Transfer::createTableStatement(
        way == Way::ToIbmDb2 ? Side::IbmDb2 : Side::PostgreSQL, table, columns);
    const QString head = Transfer::insertHead(table);
    while (!rows.eof()) {
        QString sql;
        Transfer::beginInsert(sql, head);
        for (int i = 0; i < rows.fields().count(); ++i)
            Transfer::appendValue(sql, rows.fields()[i].value());
        Transfer::endInsert(sql);
        texts.inserts.push_back(std::move(sql));
        rows.moveNext();
    }
    return texts;
}

struct StreamRun
{
    double seconds = 0;
    double longestStatementMs = 0;
};

// The INSERT texts one by one on one reused statement handle, raw ODBC, into a fresh
// target table. Only the INSERTs are timed.
StreamRun runRawStream(Way way, const QString& table, const Texts& texts)
{
    dropTarget(way, table);
    RawConnection target(targetString(way));
    target.exec(texts.create);
    StreamRun run;
    QElapsedTimer clock, one;
    clock.start();
    for (const QString& sql : texts.inserts) {
        one.start();
        target.exec(sql);
        run.longestStatementMs = std::max(run.longestStatementMs, one.nsecsElapsed() / 1e6);
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    return run;
}

// Reading the source table, raw ODBC: connect, SELECT, every value of every row as
// wide text, as a reader that keeps nothing would. Returns seconds.
double runRawRead(Way way, const QString& table, int expectedRows)
{
    QElapsedTimer clock;
    clock.start();
    RawConnection source(sourceString(way));
    source.exec(Transfer::readStatement(table));
    const SQLHSTMT stmt = source.statement();
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    std::vector<SQLWCHAR> buffer(4096);
    int rows = 0;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        odbcCheck(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
        ++rows;
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLLEN indicator = 0;
            SQLRETURN got;
            do {
                got = SQLGetData(stmt, c, SQL_C_WCHAR, buffer.data(),
                                 static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR)), &indicator);
                odbcCheck(got, SQL_HANDLE_STMT, stmt, "SQLGetData");
            } while (got == SQL_SUCCESS_WITH_INFO);
        }
    }
    if (rows != expectedRows)
        die(QStringLiteral("the raw read gave %1 rows, not %2").arg(rows).arg(expectedRows));
    return clock.nsecsElapsed() / 1e9;
}

// psql -f of the INSERT texts (each ended by ';') into a fresh PostgreSQL target
// table over TCP, as the driver connects. Returns the wall time of the psql process.
double runPsql(const QString& table, const Texts& texts, const QString& folder)
{
    dropTarget(Way::ToPostgreSQL, table);
    execAll(pgProfile(PgTarget), true, {texts.create});
    const QString path = folder + QStringLiteral("/inserts.sql");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            die(QStringLiteral("cannot write %1").arg(path));
        for (const QString& sql : texts.inserts) {
            file.write(sql.toUtf8());
            file.write(";\n");
        }
    }
    QProcess psql;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), TestEnv::requireEnv("DOVETAB_PG_PASSWORD"));
    environment.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
    psql.setProcessEnvironment(environment);
    psql.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                TestEnv::requireEnv("DOVETAB_PG_HOST"), QStringLiteral("-p"),
                TestEnv::requireEnv("DOVETAB_PG_PORT"), QStringLiteral("-U"),
                TestEnv::requireEnv("DOVETAB_PG_USER"), QStringLiteral("-d"), PgTarget,
                QStringLiteral("-f"), path});
    if (!psql.waitForFinished(-1) || psql.exitStatus() != QProcess::NormalExit ||
        psql.exitCode() != 0)
        die(QStringLiteral("psql failed: %1")
                .arg(QString::fromLocal8Bit(psql.readAllStandardError())));
    return clock.nsecsElapsed() / 1e9;
}

void setStatementDelay(const QString& milliseconds)
{
    TestEnv::db2Admin({QStringLiteral("set"), QStringLiteral("statement_delay_ms"), milliseconds});
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
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();

    if (args.size() == 4 && args[1] == QLatin1String("--peak")) {
        const Way way = args[2] == QLatin1String("to-db2") ? Way::ToIbmDb2 : Way::ToPostgreSQL;
        runHandler(way, tableName(args[3].toInt()));
        std::printf("%lld\n", peakKilobytes());
        return 0;
    }

    // For a profiler: only the window's send of one direction, round after round.
    if (args.size() >= 5 && args[1] == QLatin1String("--profile")) {
        const Way way = args[2] == QLatin1String("to-db2") ? Way::ToIbmDb2 : Way::ToPostgreSQL;
        const int rows = args[3].toInt();
        const bool withWaiter = args.size() < 6 || args[5] != QLatin1String("nowait");
        createDatabases();
        createSourceTable(rows);
        setStatementDelay(QStringLiteral("0"));
        runHandler(Way::ToIbmDb2, tableName(rows));
        Windows windows;
        // The process's own processor time and thread switches, which the load of
        // other work on the machine changes far less than the elapsed time.
        const auto usage = [] {
            rusage now{};
            getrusage(RUSAGE_SELF, &now);
            return now;
        };
        const auto cpuSeconds = [](const rusage& u) {
            return u.ru_utime.tv_sec + u.ru_stime.tv_sec +
                   (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        for (int round = 0; round < args[4].toInt(); ++round) {
            const rusage before = usage();
            const HandlerRun run = windows.send(way, tableName(rows), withWaiter);
            const rusage after = usage();
            std::printf("%s: %.3f s, gap %.1f ms, processor %.3f s, thread switches per row "
                        "%.2f voluntary %.2f involuntary\n",
                        qPrintable(wayName(way)), run.seconds, run.longestGapMs,
                        cpuSeconds(after) - cpuSeconds(before),
                        double(after.ru_nvcsw - before.ru_nvcsw) / rows,
                        double(after.ru_nivcsw - before.ru_nivcsw) / rows);
            std::fflush(stdout);
        }
        return 0;
    }

    const int rows = args.size() > 1 ? args[1].toInt() : 20000;
    const int memoryRows = args.size() > 2 ? args[2].toInt() : 1000000;
    const int Rounds = args.size() > 3 ? args[3].toInt() : 5;
    if (rows <= 0 || memoryRows < 0 || Rounds <= 0)
        die(QStringLiteral("usage: bench_transfer [rows] [memory rows, 0 for none] [rounds]"));
    QTemporaryDir folder;
    if (!folder.isValid())
        die(QStringLiteral("no temporary folder"));

    try {
        createDatabases();
        createSourceTable(rows);
        if (memoryRows > 0 && memoryRows != rows)
            createSourceTable(memoryRows);
        setStatementDelay(QStringLiteral("0"));

        // The way there also makes the DB2 table the way back reads.
        runHandler(Way::ToIbmDb2, tableName(rows));
        std::vector<Texts> texts;
        for (Way way : {Way::ToIbmDb2, Way::ToPostgreSQL})
            texts.push_back(buildTexts(way, tableName(rows)));

        Windows windows;
        struct WindowLine
        {
            QString way;
            QString delay;
            double waiter, noWaiter, baseline, medianWaiter, medianNoWaiter, gap, rowHold;
        };
        std::vector<WindowLine> windowLines;
        const auto median = [](std::vector<double> values) {
            std::sort(values.begin(), values.end());
            const size_t n = values.size();
            return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        };

        std::printf("Send operations on %d rows of 6 columns, best of %d rounds each\n\n", rows,
                    Rounds);
        std::printf("%-22s %5s %9s %8s %10s %8s %8s %6s %6s %6s %7s %6s %7s\n", "direction",
                    "delay", "handler s", "rows/s", "baseline s", "rows/s", "stream s", "read s",
                    "ratio", "gap ms", "hold ms", "row ms", "stmt ms");
        for (const char* delay : {"0", "0.3"}) {
            setStatementDelay(QString::fromLatin1(delay));
            for (Way way : {Way::ToIbmDb2, Way::ToPostgreSQL}) {
                const Texts& t = texts[way == Way::ToIbmDb2 ? 0 : 1];
                double handler = 1e300, baseline = 1e300, read = 1e300, streamed = 1e300;
                double gap = 0, hold = 0, rowHold = 0, statement = 0;
                double waiter = 1e300, noWaiter = 1e300, windowGap = 0, windowRowHold = 0;
                std::vector<double> waiterRatios, noWaiterRatios;
                for (int round = 0; round < Rounds; ++round) {
                    // PostgreSQL -> IBM DB2: a bare read of the source plus a bare stream
                    // of the INSERTs through the same driver. IBM DB2 -> PostgreSQL: psql
                    // -f of the INSERTs; the bare stream there gives one statement's time.
                    const StreamRun stream = runRawStream(way, tableName(rows), t);
                    statement = std::max(statement, stream.longestStatementMs);
                    streamed = std::min(streamed, stream.seconds);
                    const double readNow = runRawRead(way, tableName(rows), rows);
                    read = std::min(read, readNow);
                    double baselineNow = stream.seconds + readNow;
                    if (way == Way::ToPostgreSQL) {
                        baselineNow = runPsql(tableName(rows), t, folder.path());
                        baseline = std::min(baseline, baselineNow);
                    }
                    const HandlerRun h = runHandler(way, tableName(rows));
                    handler = std::min(handler, h.seconds);
                    gap = std::max(gap, h.longestGapMs);
                    hold = std::max(hold, h.longestHoldMs);
                    rowHold = std::max(rowHold, h.longestRowHoldMs);
                    // The real windows, without and with the driver wait loop.
                    const HandlerRun bare = windows.send(way, tableName(rows), false);
                    const HandlerRun waited = windows.send(way, tableName(rows), true);
                    noWaiter = std::min(noWaiter, bare.seconds);
                    waiter = std::min(waiter, waited.seconds);
                    noWaiterRatios.push_back(bare.seconds / baselineNow);
                    waiterRatios.push_back(waited.seconds / baselineNow);
                    windowGap = std::max(windowGap, waited.longestGapMs);
                    windowRowHold = std::max(windowRowHold, waited.longestRowHoldMs);
                }
                // Other work on the machine only ever adds time: the best round of each
                // is the closest to its own cost.
                const double whole = way == Way::ToIbmDb2 ? streamed + read : baseline;
                std::printf("%-22s %5s %9.2f %8.0f %10.2f %8.0f %8.2f %6.2f %6.3f %6.1f %7.1f "
                            "%6.1f %7.2f\n",
                            qPrintable(wayName(way)), delay, handler, rows / handler, whole,
                            rows / whole, streamed, read, handler / whole, gap, hold, rowHold,
                            statement);
                std::fflush(stdout);
                windowLines.push_back({wayName(way), QString::fromLatin1(delay), waiter, noWaiter,
                                       whole, median(waiterRatios), median(noWaiterRatios),
                                       windowGap, windowRowHold});
            }
        }
        std::printf("\nThe same sends in the real tables window (offscreen): its progress bar, "
                    "pointer and yield,\nwithout and with the driver wait loop of the program\n\n");
        std::printf("%-22s %5s %10s %8s %7s %7s %9s %7s %7s %6s %6s\n", "direction", "delay",
                    "baseline s", "window s", "ratio", "median", "no-wait s", "ratio", "median",
                    "gap ms", "row ms");
        for (const WindowLine& line : windowLines)
            std::printf("%-22s %5s %10.2f %8.2f %7.3f %7.3f %9.2f %7.3f %7.3f %6.1f %6.1f\n",
                        qPrintable(line.way), qPrintable(line.delay), line.baseline, line.waiter,
                        line.waiter / line.baseline, line.medianWaiter, line.noWaiter,
                        line.noWaiter / line.baseline, line.medianNoWaiter, line.gap, line.rowHold);
        setStatementDelay(QStringLiteral("0"));
        std::printf(
            "\ndelay: the DB2 stand-in's statement_delay_ms (a network round trip per statement);\n"
            "stream s: the INSERT texts one by one on one reused statement handle (raw ODBC,\n"
            "  same driver); read s: a raw ODBC read of the source, every value as text;\n"
            "baseline: PostgreSQL -> IBM DB2: stream s + read s;\n"
            "  IBM DB2 -> PostgreSQL: psql -f of the same INSERT texts against the same server;\n"
            "ratio: handler / baseline;\n"
            "gap ms: longest time between two event-loop turns during the operation (worst "
            "round);\n"
            "hold ms: longest time between two yields of the operation: one open or statement;\n"
            "row ms: the same while the rows are sent (one row read and its INSERT);\n"
            "stmt ms: one statement's own time: the longest single INSERT of the raw stream;\n"
            "window s: the send in the real window with the driver wait loop; no-wait s: the same\n"
            "  without it; ratio: best / best baseline; median: the median of each round's own\n"
            "  window / baseline ratio (the rounds share the machine's load of their moment).\n");

        if (memoryRows > 0) {
            // Memory: one process per size and direction. The DB2 tables the way
            // there leaves behind are the sources of the way back.
            std::printf("\nPeak memory (VmHWM) of a process that sends one table\n");
            std::printf("%-22s %10d rows %10d rows %7s\n", "direction", rows, memoryRows, "ratio");
            for (Way way : {Way::ToIbmDb2, Way::ToPostgreSQL}) {
                const long long small = peakInChild(args[0], way, rows);
                const long long large = peakInChild(args[0], way, memoryRows);
                std::printf("%-22s %12.1f MB %12.1f MB %7.2f\n", qPrintable(wayName(way)),
                            small / 1024.0, large / 1024.0,
                            static_cast<double>(large) / static_cast<double>(small));
                std::fflush(stdout);
            }
        }
    } catch (const DbError& error) {
        die(error.description());
    }
    return 0;
}
