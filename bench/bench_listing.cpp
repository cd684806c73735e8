// Speed of the two table listings on catalogs of many tables. Started by
// bench/run, which provides the servers and the environment (the same variables
// as the test suite).
//
//   bench_listing [tables] [rounds] [limit]   default 10000 tables, 5 rounds, 60 s
//
// Each side gets a database of its own with that many user tables. Per round and
// side it times, in turn:
//   bare       the catalog request alone through the same data access layer: open,
//              the query (PostgreSQL) or the table schema request (DB2), every row
//              read, close, nothing kept;
//   listing    PostgreSQL::ListTables / IBMDB2::ListTables into a list box set up as
//              the tables window's (a shown, sorted QListWidget) with the program's
//              event yield (EventYield), and, for comparison, with an adaptive yield;
// and reports the median of each and listing / bare (the goal is at most 1.2), and
// whether the list is sorted as the user sees it when the listing ends.
// One more listing into a list box without uniform item sizes shows what that
// setting saves; it is stopped at the limit. Before the listings, the list box alone:
// the same names added one by one and all at once.
// Exits non-zero only when a listing misses tables or a step fails.

#include "TestEnv.h"
#include "core/EventYield.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"
#include "ui/ListBoxNameList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QListWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const QString PgDatabase = QStringLiteral("bench_listing");
const QString Db2Database = QStringLiteral("BENCHLST");

[[noreturn]] void die(const QString& message)
{
    std::fprintf(stderr, "bench_listing: %s\n", qPrintable(message));
    std::exit(1);
}

// Tables are made in batches: one transaction per batch keeps PostgreSQL's lock
// table small.
void createPgTables(int tables)
{
    TestEnv::createPgDatabase(PgDatabase);
    QStringList batches;
    for (int first = 1; first <= tables; first += 500) {
        const int last = std::min(tables, first + 499);
        batches << QStringLiteral(
                       "DO $$ BEGIN FOR i IN %1..%2 LOOP "
                       "EXECUTE format('CREATE TABLE listed_%s (id integer, name text)', i); "
                       "END LOOP; END $$")
                       .arg(first)
                       .arg(last);
    }
    TestEnv::pgExec(batches, PgDatabase);
}

void createDb2Tables(int tables)
{
    TestEnv::createDb2Database(Db2Database);
    QStringList statements;
    for (int i = 1; i <= tables; ++i)
        statements
            << QStringLiteral("CREATE TABLE LISTED_%1 (ID INTEGER, NAME VARCHAR(40))").arg(i);
    // A few views, which the listing reads past without adding them.
    for (int i = 1; i <= 50; ++i)
        statements << QStringLiteral("CREATE VIEW SHOWN_%1 AS SELECT * FROM LISTED_%1").arg(i);
    TestEnv::db2Exec(statements, Db2Database);
}

// The bare requests: what each listing asks of the data access layer, without
// the list and the yields.
int barePg(const ConnectionProfile& profile)
{
    Connection connection;
    connection.setCursorLocation(Connection::ClientSide);
    connection.open(PostgreSQL::ConnectionString(profile));
    std::unique_ptr<Recordset> rows =
        connection.execute(QStringLiteral("select tablename from pg_tables;"));
    const long long count = rows->recordCount();
    int read = 0;
    for (long long row = 0; row < count; ++row) {
        if (rows->fields().item(0).value())
            ++read;
        rows->moveNext();
    }
    rows->close();
    connection.close();
    return read;
}

int bareDb2(const ConnectionProfile& profile)
{
    Connection connection;
    connection.open(IBMDB2::ConnectionString(profile));
    std::unique_ptr<Recordset> rows = connection.openSchema(Connection::SchemaTables);
    int read = 0;
    while (!rows->eof()) {
        if (rows->fields().item(QStringLiteral("TABLE_TYPE")).value() ==
                Value(QStringLiteral("TABLE")) &&
            rows->fields().item(QStringLiteral("TABLE_NAME")).value())
            ++read;
        rows->moveNext();
    }
    rows->close();
    connection.close();
    return read;
}

QStringList texts(const NameList& list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result << list.text(i);
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

template <typename F> double timeMs(F&& run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct Side
{
    const char* name;
    std::function<int()> bare;
    std::function<void(NameList&, const YieldFn&)> listing;
};

// A list box set up like List1 and List2 of the tables window (Form2.cpp: sorted,
// extended selection, uniform item sizes, Arial 9 bold).
struct WindowList
{
    explicit WindowList(bool uniformItemSizes)
    {
        box.setSelectionMode(QAbstractItemView::ExtendedSelection);
        box.setSortingEnabled(true);
        box.setUniformItemSizes(uniformItemSizes);
        QFont font(QStringLiteral("Arial"), 9);
        font.setBold(true);
        box.setFont(font);
        box.resize(222, 109); // 3330 x 1635 twips at 96 DPI
        box.show();
    }
    QListWidget box;
    ListBoxNameList list{box};
};

// A yield as EventYield could do it: the interval runs from the end of the last
// event processing and is at least twice as long as that processing took, so a
// repaint that grows with the list can never take more than a third of the time.
// Measured beside the program's own yield, as a proposal.
class AdaptiveYield
{
public:
    AdaptiveYield() { m_timer.start(); }
    void operator()()
    {
        const qint64 start = m_timer.elapsed();
        if (start < m_next)
            return;
        QCoreApplication::processEvents();
        const qint64 end = m_timer.elapsed();
        m_next = end + std::max<qint64>(EventYield::DefaultIntervalMs, 2 * (end - start));
    }

private:
    QElapsedTimer m_timer;
    qint64 m_next = 0;
};

struct Stopped
{
};

// One listing with a yield, stopped once it has run for longer than the limit.
// Returns the time in ms and the share of it spent in the yield.
struct Run
{
    double ms = 0;
    double yieldMs = 0;
    bool stopped = false;
};

Run listOnce(const Side& side, NameList& list, const std::function<void()>& yield, double limitMs)
{
    Run run;
    QElapsedTimer total, inYield;
    total.start();
    qint64 yieldNs = 0;
    const YieldFn timed = [&] {
        if (static_cast<double>(total.elapsed()) > limitMs)
            throw Stopped{};
        inYield.start();
        yield();
        yieldNs += inYield.nsecsElapsed();
    };
    try {
        side.listing(list, timed);
    } catch (const Stopped&) {
        run.stopped = true;
    }
    run.ms = static_cast<double>(total.nsecsElapsed()) / 1e6;
    run.yieldMs = static_cast<double>(yieldNs) / 1e6;
    return run;
}

bool measure(const Side& side, int rounds, int minimumEntries, double limitMs)
{
    // Rounds alternate between the bare request and the listings, so that a
    // change in the machine's load touches all of them alike.
    WindowList window(true), windowAdaptive(true);
    EventYield programYield;
    AdaptiveYield adaptive;
    std::vector<double> bare, listing, listingAdaptive;
    int bareRows = 0;
    Run last;
    for (int round = 0; round < rounds; ++round) {
        bare.push_back(timeMs([&] { bareRows = side.bare(); }));
        last = listOnce(side, window.list, programYield.function(), limitMs);
        listing.push_back(last.ms);
        listingAdaptive.push_back(
            listOnce(side, windowAdaptive.list, std::ref(adaptive), limitMs).ms);
    }
    const double b = median(bare), l = median(listing), a = median(listingAdaptive);
    std::printf("%-10s  bare request      %6d tables  median %9.1f ms\n", side.name, bareRows, b);
    std::printf("%-10s  listing           %6d entries median %9.1f ms = %5.2f x bare  %s  "
                "(%.0f%% of the last run in the yield)\n",
                side.name, window.list.count(), l, l / b, l <= 1.2 * b ? "ok" : "above 1.2",
                100.0 * last.yieldMs / last.ms);
    std::printf("%-10s  adaptive yield    %6d entries median %9.1f ms = %5.2f x bare\n", side.name,
                windowAdaptive.list.count(), a, a / b);

    // What uniform item sizes save: one run, stopped at the limit.
    WindowList measured(false);
    EventYield yield;
    const Run slow = listOnce(side, measured.list, yield.function(), limitMs);
    std::printf("%-10s  without uniform item sizes: %s %.0f ms, %d of %d entries listed\n",
                side.name, slow.stopped ? "stopped after" : "done in", slow.ms,
                measured.list.count(), bareRows);
    std::fflush(stdout);

    if (bareRows < minimumEntries || window.list.count() < minimumEntries ||
        windowAdaptive.list.count() < minimumEntries) {
        std::printf("%-10s  FAILED: fewer than %d entries listed\n", side.name, minimumEntries);
        return false;
    }
    for (int i = 1; i < window.list.count(); ++i) {
        if (tableNameLess(window.list.text(i), window.list.text(i - 1))) {
            std::printf("%-10s  FAILED: the list is not sorted at entry %d\n", side.name, i);
            return false;
        }
    }
    return true;
}

// The list box alone: the same names, in the order a catalog gives them, added one
// by one (each placed by a search) and all at once (as the listings add them).
void measureListBox(int tables, int rounds)
{
    QStringList names;
    for (int i = 1; i <= tables; ++i)
        names << QStringLiteral("listed_%1").arg((i * 7919) % tables + 1);
    std::vector<double> oneByOne, atOnce;
    for (int round = 0; round < rounds; ++round) {
        WindowList single(true), together(true);
        oneByOne.push_back(timeMs([&] {
            for (const QString& name : names)
                single.list.addItem(name);
        }));
        atOnce.push_back(timeMs([&] { together.list.addItems(names); }));
        if (texts(single.list) != texts(together.list))
            die(QStringLiteral("the list box differs when the names are added at once"));
    }
    std::printf("list box    %6d names  one by one median %7.1f ms, at once median %7.1f ms\n",
                tables, median(oneByOne), median(atOnce));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const int tables = args.size() > 0 ? args[0].toInt() : 10000;
    const int rounds = args.size() > 1 ? args[1].toInt() : 5;
    const double limitMs = 1000.0 * (args.size() > 2 ? args[2].toDouble() : 60.0);
    if (tables <= 0 || rounds <= 0 || limitMs <= 0)
        die(QStringLiteral("usage: bench_listing [tables] [rounds] [limit in seconds]"));

    QElapsedTimer setup;
    setup.start();
    createPgTables(tables);
    const qint64 pgSetup = setup.restart();
    createDb2Tables(tables);
    const qint64 db2Setup = setup.elapsed();
    std::printf("bench_listing: %d tables per side, %d rounds (setup: PostgreSQL %lld ms, "
                "DB2 stand-in %lld ms)\n",
                tables, rounds, static_cast<long long>(pgSetup), static_cast<long long>(db2Setup));

    const ConnectionProfile pg = TestEnv::pgProfile(PgDatabase);
    const ConnectionProfile db2 = TestEnv::db2Profile(Db2Database);
    const Side sides[] = {
        {"PostgreSQL", [&] { return barePg(pg); },
         [&](NameList& list, const YieldFn& yield) { PostgreSQL::ListTables(list, pg, yield); }},
        {"IBM DB2", [&] { return bareDb2(db2); },
         [&](NameList& list, const YieldFn& yield) { IBMDB2::ListTables(list, db2, yield); }},
    };
    measureListBox(tables, rounds);
    bool ok = true;
    try {
        ok = measure(sides[0], rounds, tables, limitMs) && ok;
        ok = measure(sides[1], rounds, tables, limitMs) && ok;
    } catch (const DbError& error) {
        die(error.description());
    }
    return ok ? 0 : 1;
}
