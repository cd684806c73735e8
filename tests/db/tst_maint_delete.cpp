#include "ErrorReports.h"
#include "FakeTablesWindow.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "core/PointerState.h"
#include "maintenance/Maintenance.h"

#include <QTest>

using Window = FakeTablesWindow;

// "Delete Table/s" on both sides, against the PostgreSQL server and the DB2 stand-in.
class TestMaintDelete : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void noCurrentEntryOpensThenAsks_data() { addSideRows(); }
    void noCurrentEntryOpensThenAsks();
    void currentEntryWithoutSelectionDoesNothing_data() { addSideRows(); }
    void currentEntryWithoutSelectionDoesNothing();
    void dropsSelectedFromLastToFirst_data() { addSideRows(); }
    void dropsSelectedFromLastToFirst();
    void selectAllDropsEveryTableItCan_data() { addSideRows(); }
    void selectAllDropsEveryTableItCan();
    void refusedDropKeepsItsEntry_data() { addSideRows(); }
    void refusedDropKeepsItsEntry();
    void failedOpenKeepsEveryEntry_data() { addSideRows(); }
    void failedOpenKeepsEveryEntry();

private:
    static void run(Window& w, Side side)
    {
        TablesWindowContext context = w.context();
        Maintenance::DeleteTables(context, side);
    }

    const QStringList m_tables = {"a01",    "a02", "A03 Mixed", "a04", "a05",
                                  "a06\"q", "a07", "a08 x",     "a09"};
};

void TestMaintDelete::initTestCase()
{
    Main::SetAppTitle();
    QVERIFY(!Main::AppTitle().isEmpty());
}

void TestMaintDelete::noCurrentEntryOpensThenAsks()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintdel", m_tables);
    w.loadList(side); // a load leaves no entry current
    const QStringList before = w.list(side).names();

    // Wrong login values: the open is tried (and reported) before the list is looked at.
    const ConnectionProfile good = w.profile(side);
    w.profile(side).password += QStringLiteral("-wrong");
    run(w, side);

    const QString message = side == Side::PostgreSQL
                                ? QStringLiteral("Please select a table")
                                : QStringLiteral("Please select a table to delete");
    const auto& shown = w.dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].caption, QStringLiteral("Application Error"));
    QCOMPARE(reportStep(shown[0].text, HandlerName::deleteTables(side)), 104);
    QCOMPARE(shown[1].text, message);
    QCOMPARE(shown[1].caption, Main::AppTitle());
    QCOMPARE(shown[1].buttons, Dialogs::Buttons::Ok);
    QCOMPARE(shown[1].icon, Dialogs::Icon::None);
    QCOMPARE(w.pointerAtBox, (QVector<int>{PointerState::Hourglass, PointerState::Hourglass}));
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));

    // With the right login values only the message shows.
    w.profile(side) = good;
    w.dialogs.clear();
    w.pointerChanges.clear();
    run(w, side);
    QCOMPARE(w.dialogs.messageTexts(), QStringList{message});
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
    QCOMPARE(w.list(side).names(), before);
    QCOMPARE(w.catalogNames(side), before);
}

void TestMaintDelete::currentEntryWithoutSelectionDoesNothing()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintdel", m_tables);
    w.loadList(side);
    // "Deselect All": the last entry holds the focus and none is selected.
    Window::select(w.list(side), {"a04"});
    Window::selectAll(w.list(side), false);
    QCOMPARE(w.list(side).currentIndex(), w.list(side).count() - 1);
    const QStringList before = w.list(side).names();

    run(w, side);

    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join('\n')));
    QCOMPARE(w.list(side).names(), before);
    QCOMPARE(w.catalogNames(side), before);
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
}

void TestMaintDelete::dropsSelectedFromLastToFirst()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintdel", m_tables);
    w.loadList(side);
    RecordingList& list = w.list(side);
    QCOMPARE(list.text(2), QStringLiteral("A03 Mixed"));
    QCOMPARE(list.text(5), QStringLiteral("a06\"q"));
    QCOMPARE(list.text(7), QStringLiteral("a08 x"));
    list.setSelected(2, true);
    list.setSelected(5, true);
    list.setSelected(7, true);
    // Each entry leaves the list right after its table left the database.
    QStringList goneBeforeRemoval;
    list.beforeRemove = [&](const QString& name) {
        if (!w.tableExists(side, name))
            goneBeforeRemoval << name;
    };

    run(w, side);

    QVERIFY2(w.dialogs.shown().isEmpty(), qPrintable(w.dialogs.messageTexts().join('\n')));
    const QStringList order{"a08 x", "a06\"q", "A03 Mixed"};
    QCOMPARE(list.removed, order);
    QCOMPARE(goneBeforeRemoval, order);
    QCOMPARE(list.names(), w.catalogNames(side));
    for (const char* name : {"a01", "a02", "a04", "a05", "a07", "a09"})
        QVERIFY2(list.names().contains(name), name);
    QCOMPARE(list.selectedCount(), 0);
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
}

void TestMaintDelete::selectAllDropsEveryTableItCan()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintdel", m_tables);
    w.loadList(side);
    RecordingList& list = w.list(side);
    Window::selectAll(list, true);
    // The PostgreSQL list shows the system catalogs too; they cannot be dropped.
    QStringList undroppable = list.names();
    for (const QString& table : m_tables)
        undroppable.removeAll(table);

    run(w, side);

    // No question is asked; only the refusals are reported, each at step 112.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(w.dialogs.shown().size(), reports.size());
    QCOMPARE(reports.size(), undroppable.size());
    for (const QString& report : reports)
        QCOMPARE(reportStep(report, HandlerName::deleteTables(side)), 112);
    QCOMPARE(list.names(), undroppable);
    QCOMPARE(list.names(), w.catalogNames(side));
    for (const QString& table : m_tables)
        QVERIFY2(!w.tableExists(side, table), qPrintable(table));
    if (side == Side::IbmDb2)
        QCOMPARE(list.count(), 0);
}

void TestMaintDelete::refusedDropKeepsItsEntry()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintdel", {"base", "plain"});
    w.loadList(side);
    if (side == Side::PostgreSQL)
        w.exec(side, {"CREATE SCHEMA other", "CREATE TABLE other.\"elsewhere\" (id integer)",
                      "CREATE VIEW \"base_v\" AS SELECT * FROM \"base\""});
    else
        w.exec(side, {"CREATE TABLE OTHER.\"elsewhere\" (ID INTEGER)"});
    w.list(side).clear();
    w.reload(side, w.list(side));
    // An entry whose table is gone already (dropped outside the program).
    w.list(side).addItem(QStringLiteral("ghost"));
    QStringList refused{"elsewhere", "ghost"};
    if (side == Side::PostgreSQL)
        refused << "base"; // a view depends on it
    Window::select(w.list(side), refused + QStringList{"plain"});
    const QStringList before = w.list(side).names();

    run(w, side);

    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), refused.size());
    for (const QString& report : reports)
        QCOMPARE(reportStep(report, HandlerName::deleteTables(side)), 112);
    // Reports come last entry first: ghost, elsewhere[, base].
    QVERIFY2(reports[0].contains("ghost"), qPrintable(reports[0]));
    QVERIFY2(reports[1].contains("elsewhere"), qPrintable(reports[1]));
    if (side == Side::PostgreSQL)
        QVERIFY2(reports[2].contains("depend"), qPrintable(reports[2]));
    else
        QVERIFY2(reports[0].contains("SQL0204N"), qPrintable(reports[0]));

    QStringList expected = before;
    expected.removeAll("plain");
    QCOMPARE(w.list(side).names(), expected);
    QCOMPARE(w.list(side).removed, QStringList{"plain"});
    // The refused entries keep their selection, so a second click tries them again.
    QCOMPARE(w.selectedNames(side).size(), refused.size());
    QVERIFY(w.tableExists(side, "base"));
    QVERIFY(!w.tableExists(side, "plain"));
}

void TestMaintDelete::failedOpenKeepsEveryEntry()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintdel", m_tables);
    w.loadList(side);
    Window::select(w.list(side), {"a01", "a05"});
    const QStringList before = w.list(side).names();
    w.profile(side).password += QStringLiteral("-wrong");

    run(w, side);

    // One report for the open, one per selected table; nothing leaves the list.
    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(w.dialogs.shown().size(), 3);
    QCOMPARE(reports.size(), 3);
    QCOMPARE(reportStep(reports[0], HandlerName::deleteTables(side)), 104);
    QCOMPARE(reportStep(reports[1], HandlerName::deleteTables(side)), 112);
    QCOMPARE(reportStep(reports[2], HandlerName::deleteTables(side)), 112);
    QCOMPARE(w.list(side).names(), before);
    QVERIFY(w.list(side).removed.isEmpty());
    QVERIFY(w.tableExists(side, "a01"));
    QVERIFY(w.tableExists(side, "a05"));
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
}

QTEST_GUILESS_MAIN(TestMaintDelete)
#include "tst_maint_delete.moc"
