#include "ErrorReports.h"
#include "FakeTablesWindow.h"
#include "core/ErrorTrap.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "core/PointerState.h"
#include "maintenance/Maintenance.h"

#include <QTest>

using Window = FakeTablesWindow;

// "Rename Table" on both sides, against the PostgreSQL server and the DB2 stand-in.
class TestMaintRename : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void noCurrentEntryOpensThenAsks_data() { addSideRows(); }
    void noCurrentEntryOpensThenAsks();
    void notExactlyOneSelectedAsksNoName_data() { addSideRows(); }
    void notExactlyOneSelectedAsksNoName();
    void emptyAnswerSendsNothing_data() { addSideRows(); }
    void emptyAnswerSendsNothing();
    void renamesToTheTypedName_data();
    void renamesToTheTypedName();
    void renameToItselfIsRefused_data() { addSideRows(); }
    void renameToItselfIsRefused();
    void refusedRenameKeepsOldName_data() { addSideRows(); }
    void refusedRenameKeepsOldName();
    void failedOpenKeepsOldName_data() { addSideRows(); }
    void failedOpenKeepsOldName();
    void closingTheWindowWhileAskingUnwinds_data() { addSideRows(); }
    void closingTheWindowWhileAskingUnwinds();

private:
    static void run(Window& w, Side side)
    {
        TablesWindowContext context = w.context();
        Maintenance::RenameTable(context, side);
    }
    // A database with the test tables, "beta" selected and current.
    static void prepare(Window& w, Side side)
    {
        w.createDatabase(side, "maintren", {"alpha", "beta", "gamma", "victim"});
        w.loadList(side);
        Window::select(w.list(side), {"beta"});
    }
    // The list stands exactly as prepare() left it, and so does the database.
    static void verifyUntouched(Window& w, Side side)
    {
        QCOMPARE(w.list(side).names(), w.catalogNames(side));
        QVERIFY(w.list(side).removed.isEmpty());
        QCOMPARE(w.selectedNames(side), QStringList{"beta"});
        QCOMPARE(w.list(side).currentIndex(), w.list(side).names().indexOf("beta"));
        QVERIFY(w.tableExists(side, "beta"));
    }

    const QString m_chooseOne = QStringLiteral("Please select just one table to rename.");
};

void TestMaintRename::initTestCase()
{
    Main::SetAppTitle();
    QVERIFY(!Main::AppTitle().isEmpty());
}

void TestMaintRename::noCurrentEntryOpensThenAsks()
{
    QFETCH(Side, side);
    Window w;
    w.createDatabase(side, "maintren", {"alpha", "beta"});
    w.loadList(side); // a load leaves no entry current
    const ConnectionProfile good = w.profile(side);
    w.profile(side).password += QStringLiteral("-wrong");

    run(w, side);

    const auto& shown = w.dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(reportStep(shown[0].text, HandlerName::renameTable(side)), 104);
    QCOMPARE(shown[1].kind, ScriptedDialogs::Shown::Message);
    QCOMPARE(shown[1].text, QStringLiteral("Please select a table to rename."));
    QCOMPARE(shown[1].caption, Main::AppTitle());
    QCOMPARE(shown[1].buttons, Dialogs::Buttons::Ok);
    QCOMPARE(shown[1].icon, Dialogs::Icon::None);
    QCOMPARE(w.pointerAtBox, (QVector<int>{PointerState::Hourglass, PointerState::Hourglass}));
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));

    w.profile(side) = good;
    w.dialogs.clear();
    run(w, side);
    QCOMPARE(w.dialogs.messageTexts(), QStringList{"Please select a table to rename."});
    QCOMPARE(w.dialogs.shown().size(), 1);
}

void TestMaintRename::notExactlyOneSelectedAsksNoName()
{
    QFETCH(Side, side);
    Window w;
    prepare(w, side);

    // "Deselect All" (an entry holds the focus, none is selected), "Select All",
    // and two entries clicked.
    Window::selectAll(w.list(side), false);
    run(w, side);
    Window::selectAll(w.list(side), true);
    run(w, side);
    Window::select(w.list(side), {"alpha", "gamma"});
    run(w, side);

    // Every run: the message alone, no input box, nothing renamed.
    QCOMPARE(w.dialogs.shown().size(), 3);
    QCOMPARE(w.dialogs.messageTexts(), (QStringList{m_chooseOne, m_chooseOne, m_chooseOne}));
    QCOMPARE(w.dialogs.shown()[1].caption, Main::AppTitle());
    QCOMPARE(w.dialogs.shown()[1].icon, Dialogs::Icon::None);
    QCOMPARE(w.list(side).names(), w.catalogNames(side));
    QVERIFY(w.list(side).removed.isEmpty());
    QCOMPARE(w.selectedNames(side), (QStringList{"alpha", "gamma"}));
    QCOMPARE(w.pointerChanges,
             (QVector<int>{PointerState::Hourglass, PointerState::Default, PointerState::Hourglass,
                           PointerState::Default, PointerState::Hourglass, PointerState::Default}));
}

void TestMaintRename::emptyAnswerSendsNothing()
{
    QFETCH(Side, side);
    Window w;
    prepare(w, side);
    // Cancel and an emptied box both answer the empty text.
    w.dialogs.queueInput(QString());

    run(w, side);

    QCOMPARE(w.dialogs.shown().size(), 1);
    const ScriptedDialogs::Shown& box = w.dialogs.shown()[0];
    QCOMPARE(box.kind, ScriptedDialogs::Shown::Input);
    QCOMPARE(box.text, QStringLiteral("Enter new name of beta:"));
    QCOMPARE(box.caption, Main::AppTitle());
    QCOMPARE(box.defaultText, QStringLiteral("beta"));
    // The hourglass stays while the box waits.
    QCOMPARE(w.pointerAtBox, QVector<int>{PointerState::Hourglass});
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
    verifyUntouched(w, side);
}

void TestMaintRename::renamesToTheTypedName_data()
{
    QTest::addColumn<Side>("side");
    QTest::addColumn<QString>("newName");
    for (Side side : {Side::PostgreSQL, Side::IbmDb2}) {
        const QByteArray prefix =
            QByteArray(side == Side::PostgreSQL ? "PostgreSQL: " : "IBM DB2: ");
        QTest::newRow(prefix + "plain") << side << QStringLiteral("omega");
        QTest::newRow(prefix + "sorts first") << side << QStringLiteral("Aardvark");
        QTest::newRow(prefix + "blanks, capitals, quotes")
            << side << QStringLiteral(" My \"New\" Table");
        // The typed text stays one name: no second statement reaches the server.
        QTest::newRow(prefix + "typed statement")
            << side << QStringLiteral("x\"; DROP TABLE \"victim");
    }
}

void TestMaintRename::renamesToTheTypedName()
{
    QFETCH(Side, side);
    QFETCH(QString, newName);
    Window w;
    prepare(w, side);
    w.dialogs.queueInput(newName);

    run(w, side);

    QVERIFY2(w.dialogs.errorReports().isEmpty(), qPrintable(w.dialogs.errorReports().join('\n')));
    QCOMPARE(w.dialogs.shown().size(), 1);
    QVERIFY(!w.tableExists(side, "beta"));
    QVERIFY(w.tableExists(side, newName));
    QVERIFY(w.tableExists(side, "victim"));
    // The list holds what the database holds: the new name at its sorted place.
    const QStringList names = w.list(side).names();
    QCOMPARE(names, w.catalogNames(side));
    QVERIFY(names.contains(newName));
    QVERIFY(!names.contains("beta"));
    // The first entry is current, and nothing is selected: no second name is asked for.
    QCOMPARE(w.list(side).currentIndex(), 0);
    QCOMPARE(w.list(side).selectedCount(), 0);
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
}

void TestMaintRename::renameToItselfIsRefused()
{
    QFETCH(Side, side);
    Window w;
    prepare(w, side);
    // OK on the pre-filled box: the table is to take its own name.
    w.dialogs.queueInput(QStringLiteral("beta"));

    run(w, side);

    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reportStep(reports[0], HandlerName::renameTable(side)), 120);
    if (side == Side::PostgreSQL)
        QVERIFY2(reports[0].startsWith("ERROR: relation \"beta\" already exists"),
                 qPrintable(reports[0]));
    else
        QVERIFY2(reports[0].contains("SQL0601N") && reports[0].contains("SQLSTATE=42710"),
                 qPrintable(reports[0]));
    verifyUntouched(w, side);
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
}

void TestMaintRename::refusedRenameKeepsOldName()
{
    QFETCH(Side, side);
    Window w;
    prepare(w, side);
    w.dialogs.queueInput(QStringLiteral("gamma")); // taken already

    run(w, side);

    const QStringList reports = w.dialogs.errorReports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reportStep(reports[0], HandlerName::renameTable(side)), 120);
    verifyUntouched(w, side);
    QVERIFY(w.tableExists(side, "gamma"));
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
}

void TestMaintRename::failedOpenKeepsOldName()
{
    QFETCH(Side, side);
    Window w;
    prepare(w, side);
    w.profile(side).password += QStringLiteral("-wrong");
    w.dialogs.queueInput(QStringLiteral("omega"));

    run(w, side);

    // The open is reported, the name is still asked for, the statement fails in turn.
    const auto& shown = w.dialogs.shown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(reportStep(shown[0].text, HandlerName::renameTable(side)), 104);
    QCOMPARE(shown[1].kind, ScriptedDialogs::Shown::Input);
    QCOMPARE(reportStep(shown[2].text, HandlerName::renameTable(side)), 120);
    QCOMPARE(w.pointerChanges, (QVector<int>{PointerState::Hourglass, PointerState::Default}));
    w.profile(side).password.chop(6);
    verifyUntouched(w, side);
    QVERIFY(!w.tableExists(side, "omega"));
}

void TestMaintRename::closingTheWindowWhileAskingUnwinds()
{
    QFETCH(Side, side);
    Window w;
    prepare(w, side);
    w.dialogs.onShow = [](const ScriptedDialogs::Shown& box) {
        if (box.kind == ScriptedDialogs::Shown::Input)
            throw HandlerAborted();
    };

    QVERIFY_THROWS_EXCEPTION(HandlerAborted, run(w, side));

    QVERIFY(w.dialogs.errorReports().isEmpty());
    verifyUntouched(w, side);
}

QTEST_GUILESS_MAIN(TestMaintRename)
#include "tst_maint_rename.moc"
