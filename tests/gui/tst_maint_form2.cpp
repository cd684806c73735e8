#include "core/ErrorTrap.h"
#include "tst_ui_support.h"

// The delete and rename buttons of the real tables window, driven with mouse
// clicks: the list boxes show what the databases hold after each click.
class TestMaintForm2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void deleteButtonsDropTheClickedTables();
    void renameButtonsRenameTheClickedTable();
    void nothingChosenAfterALoad();
    void commandsOnTheWholeList_data();
    void commandsOnTheWholeList();
    void keyboardChoosesInAList();

private:
    void openWindow(const QString& baseName);
    QPushButton* button(const char* name) { return m_run->button(name); }
    QListWidget* list(const char* name) { return m_run->list(name); }
    // Clicks an entry as the user does (Ctrl adds it to the selection).
    static void clickEntry(QListWidget* listBox, const QString& text,
                           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QList<QListWidgetItem*> items = listBox->findItems(text, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        const QRect rect = listBox->visualItemRect(items.first());
        QVERIFY(listBox->viewport()->rect().contains(rect.center()));
        QTest::mouseClick(listBox->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    QStringList pgTables()
    {
        return TestEnv::pgQuery("SELECT tablename FROM pg_tables WHERE schemaname = 'public' "
                                "ORDER BY lower(tablename), tablename",
                                m_run->pgDatabase);
    }
    QStringList db2Tables()
    {
        return TestEnv::db2Query("SELECT TABNAME FROM SYSCAT.TABLES WHERE TYPE = 'T' AND "
                                 "TABSCHEMA = 'DB2INST1' ORDER BY TABNAME",
                                 m_run->db2Database);
    }

    std::unique_ptr<TablesWindowRun> m_run;
};

void TestMaintForm2::initTestCase()
{
    Main::SetAppTitle();
}

void TestMaintForm2::init()
{
    m_run = std::make_unique<TablesWindowRun>();
}

void TestMaintForm2::cleanup()
{
    m_run.reset();
}

void TestMaintForm2::openWindow(const QString& baseName)
{
    m_run->createDatabases(baseName);
    TestEnv::pgExec({"CREATE TABLE keep_a (id integer)", "CREATE TABLE drop_b (id integer)",
                     "CREATE TABLE drop_c (id integer)", "CREATE TABLE old_name (id integer)"},
                    m_run->pgDatabase);
    TestEnv::db2Exec({"CREATE TABLE KEEP (ID INTEGER)", "CREATE TABLE GONE (ID INTEGER)",
                      "CREATE TABLE OLD (ID INTEGER)"},
                     m_run->db2Database);
    m_run->open();
    QCOMPARE(entriesOf(list("List2")), (QStringList{"GONE", "KEEP", "OLD"}));
}

void TestMaintForm2::deleteButtonsDropTheClickedTables()
{
    openWindow(QStringLiteral("maint_gui_delete"));
    QListWidget* list1 = list("List1");
    QListWidget* list2 = list("List2");
    const QStringList pgBefore = entriesOf(list1);

    clickEntry(list1, "drop_b");
    clickEntry(list1, "drop_c", Qt::ControlModifier);
    QTest::mouseClick(button("PushButton1"), Qt::LeftButton);

    QVERIFY2(m_run->dialogs.shown().isEmpty(),
             qPrintable(m_run->dialogs.messageTexts().join("\n")));
    QCOMPARE(pgTables(), (QStringList{"keep_a", "old_name"}));
    QStringList pgExpected = pgBefore;
    pgExpected.removeAll("drop_b");
    pgExpected.removeAll("drop_c");
    QCOMPARE(entriesOf(list1), pgExpected);

    clickEntry(list2, "GONE");
    QTest::mouseClick(button("PushButton5"), Qt::LeftButton);

    QVERIFY2(m_run->dialogs.shown().isEmpty(),
             qPrintable(m_run->dialogs.messageTexts().join("\n")));
    QCOMPARE(db2Tables(), (QStringList{"KEEP", "OLD"}));
    QCOMPARE(entriesOf(list2), (QStringList{"KEEP", "OLD"}));
    QCOMPARE(m_run->window->pointerState(), 0);
    QVERIFY(!m_run->window->isBusy());
}

void TestMaintForm2::renameButtonsRenameTheClickedTable()
{
    openWindow(QStringLiteral("maint_gui_rename"));
    QListWidget* list1 = list("List1");
    QListWidget* list2 = list("List2");

    // While the input box waits, the window is busy, shows the hourglass and
    // refuses its other commands (a delete would drop the selected table).
    bool busyWhileAsking = false;
    int pointerWhileAsking = -1;
    m_run->dialogs.onShow = [&](const ScriptedDialogs::Shown& box) {
        if (box.kind != ScriptedDialogs::Shown::Input)
            return;
        busyWhileAsking = m_run->window->isBusy();
        pointerWhileAsking = m_run->window->pointerState();
        QTest::mouseClick(button("PushButton1"), Qt::LeftButton);
        QTest::mouseClick(button("PushButton12"), Qt::LeftButton);
    };
    clickEntry(list1, "old_name");
    m_run->dialogs.queueInput(QStringLiteral("New \"Name\""));
    QTest::mouseClick(button("PushButton6"), Qt::LeftButton);

    QVERIFY(busyWhileAsking);
    QCOMPARE(pointerWhileAsking, 11);
    QCOMPARE(m_run->dialogs.shown().size(), 1);
    QCOMPARE(m_run->dialogs.shown()[0].text, QStringLiteral("Enter new name of old_name:"));
    QCOMPARE(pgTables(), (QStringList{"drop_b", "drop_c", "keep_a", "New \"Name\""}));
    QVERIFY(entriesOf(list1).contains("New \"Name\""));
    QVERIFY(!entriesOf(list1).contains("old_name"));
    // The first entry holds the focus; nothing is selected.
    QCOMPARE(list1->currentRow(), 0);
    QVERIFY(list1->selectedItems().isEmpty());

    m_run->dialogs.clear();
    clickEntry(list2, "OLD");
    m_run->dialogs.queueInput(QStringLiteral("AARDVARK"));
    QTest::mouseClick(button("PushButton7"), Qt::LeftButton);

    QCOMPARE(m_run->dialogs.shown().size(), 1);
    QCOMPARE(db2Tables(), (QStringList{"AARDVARK", "GONE", "KEEP"}));
    QCOMPARE(entriesOf(list2), (QStringList{"AARDVARK", "GONE", "KEEP"}));
    QCOMPARE(list2->currentRow(), 0);
    QVERIFY(list2->selectedItems().isEmpty());
    QCOMPARE(m_run->window->pointerState(), 0);
    QVERIFY(!m_run->window->isBusy());
}

QTEST_MAIN(TestMaintForm2)

// After a load neither list has a current entry, also once the window is active
// and the focus sits in List1 or was tabbed into List2 (what the commands then
// answer is in commandsOnTheWholeList).
void TestMaintForm2::nothingChosenAfterALoad()
{
    openWindow(QStringLiteral("maint_gui_nothing"));
    m_run->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_run->window));
    QListWidget* list1 = list("List1");
    QListWidget* list2 = list("List2");
    QCOMPARE(QApplication::focusWidget(), list1);
    QCOMPARE(list1->currentRow(), -1);
    QTest::keyClick(list1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list2);
    QCOMPARE(list2->currentRow(), -1);
    QCOMPARE(list1->currentRow(), -1);

    // A second load starts again with nothing chosen.
    clickEntry(list1, "keep_a");
    clickEntry(list2, "KEEP");
    m_run->window->Form_Load();
    QCOMPARE(list1->currentRow(), -1);
    QCOMPARE(list2->currentRow(), -1);
    list2->setFocus(Qt::TabFocusReason);
    QCOMPARE(list2->currentRow(), -1);
}

// Each command of a side straight after the load (no entry current), after
// "Select All" and after "Deselect All" (both leave the last entry current).
void TestMaintForm2::commandsOnTheWholeList_data()
{
    QTest::addColumn<Side>("side");
    QTest::addColumn<QString>("choice"); // "load", "select all" or "deselect all"
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message"); // what the command answers; empty for nothing
    const QString justOne = QStringLiteral("Please select just one table to rename.");
    for (Side side : {Side::PostgreSQL, Side::IbmDb2}) {
        const bool pg = side == Side::PostgreSQL;
        const QList<std::pair<QString, QString>> afterLoad = {
            {"send", pg ? "Please select a table" : "Please select a table to send."},
            {"delete", pg ? "Please select a table" : "Please select a table to delete"},
            {"rename", "Please select a table to rename."}};
        for (const char* choice : {"load", "select all", "deselect all"}) {
            for (const auto& [command, noCurrent] : afterLoad) {
                const QString message = QLatin1String(choice) == QLatin1String("load") ? noCurrent
                                        : command == QLatin1String("rename")           ? justOne
                                                                                       : QString();
                QTest::addRow("%s, %s, %s", pg ? "PostgreSQL" : "IBM DB2", choice,
                              qPrintable(command))
                    << side << QString::fromLatin1(choice) << command << message;
            }
        }
    }
}

void TestMaintForm2::commandsOnTheWholeList()
{
    QFETCH(Side, side);
    QFETCH(QString, choice);
    QFETCH(QString, command);
    QFETCH(QString, message);
    openWindow(QStringLiteral("maint_gui_whole"));
    m_run->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_run->window));
    const bool pg = side == Side::PostgreSQL;
    QListWidget* own = list(pg ? "List1" : "List2");
    QListWidget* other = list(pg ? "List2" : "List1");
    const QStringList userTables = pg ? pgTables() : db2Tables();
    if (choice == QLatin1String("select all"))
        QTest::mouseClick(button(pg ? "PushButton10" : "PushButton8"), Qt::LeftButton);
    else if (choice == QLatin1String("deselect all"))
        QTest::mouseClick(button(pg ? "PushButton11" : "PushButton9"), Qt::LeftButton);
    QCOMPARE(own->currentRow(), choice == QLatin1String("load") ? -1 : own->count() - 1);
    QCOMPARE(own->selectedItems().size(), choice == QLatin1String("select all") ? own->count() : 0);
    const QStringList ownBefore = entriesOf(own);
    const QStringList otherBefore = entriesOf(other);
    const QStringList pgBefore = pgTables();
    const QStringList db2Before = db2Tables();

    const char* name = command == QLatin1String("send")     ? (pg ? "PushButton3" : "PushButton4")
                       : command == QLatin1String("delete") ? (pg ? "PushButton1" : "PushButton5")
                                                            : (pg ? "PushButton6" : "PushButton7");
    QTest::mouseClick(button(name), Qt::LeftButton);

    // No question and no input box; the only messages besides the command's own
    // are the refusals of PostgreSQL's system tables, which its list shows too.
    QStringList messages;
    for (const ScriptedDialogs::Shown& box : m_run->dialogs.shown()) {
        QCOMPARE(box.kind, ScriptedDialogs::Shown::Message);
        QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
        if (box.caption != ErrorTrap::Caption)
            messages << box.text;
    }
    QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
    if (!pg || choice != QLatin1String("select all"))
        QVERIFY2(m_run->dialogs.errorReports().isEmpty(),
                 qPrintable(m_run->dialogs.errorReports().join("\n")));
    QCOMPARE(m_run->window->pointerState(), 0);

    if (choice == QLatin1String("select all") && command == QLatin1String("delete")) {
        // Every table of the list is dropped and its entry removed.
        QCOMPARE(pg ? pgTables() : db2Tables(), QStringList());
        QStringList left = ownBefore;
        for (const QString& table : userTables)
            left.removeAll(table);
        QCOMPARE(entriesOf(own), left);
        QCOMPARE(entriesOf(other), otherBefore);
    } else if (choice == QLatin1String("select all") && command == QLatin1String("send")) {
        // Every table is sent and listed on the other side.
        const QStringList received = pg ? db2Tables() : pgTables();
        for (const QString& table : userTables) {
            QVERIFY2(received.contains(table), qPrintable(table));
            QVERIFY2(entriesOf(other).contains(table), qPrintable(table));
        }
        QCOMPARE(pg ? pgTables() : db2Tables(), userTables);
        QCOMPARE(entriesOf(own), ownBefore);
    } else {
        QCOMPARE(pgTables(), pgBefore);
        QCOMPARE(db2Tables(), db2Before);
        QCOMPARE(entriesOf(own), ownBefore);
        QCOMPARE(entriesOf(other), otherBefore);
    }
}

// The keyboard still chooses: Down makes the first entry current and selected,
// Shift extends, Ctrl moves without selecting and Ctrl+Space toggles.
void TestMaintForm2::keyboardChoosesInAList()
{
    openWindow(QStringLiteral("maint_gui_keys"));
    m_run->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_run->window));
    QListWidget* list2 = list("List2");
    QTest::keyClick(list("List1"), Qt::Key_Tab);
    QCOMPARE(list2->currentRow(), -1);
    auto selectedRows = [&] {
        QList<int> rows;
        for (int i = 0; i < list2->count(); ++i)
            if (list2->item(i)->isSelected())
                rows << i;
        return rows;
    };
    QTest::keyClick(list2, Qt::Key_Down);
    QCOMPARE(list2->currentRow(), 0);
    QCOMPARE(selectedRows(), QList<int>{0});
    QTest::keyClick(list2, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(list2->currentRow(), 1);
    QCOMPARE(selectedRows(), (QList<int>{0, 1}));
    QTest::keyClick(list2, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(list2->currentRow(), 2);
    QCOMPARE(selectedRows(), (QList<int>{0, 1}));
    QTest::keyClick(list2, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(selectedRows(), (QList<int>{0, 1, 2}));
    QTest::keyClick(list2, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(list2, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(selectedRows(), (QList<int>{0, 2}));

    // What the keyboard chose is what a command acts on.
    QTest::mouseClick(button("PushButton5"), Qt::LeftButton);
    QVERIFY2(m_run->dialogs.shown().isEmpty(),
             qPrintable(m_run->dialogs.messageTexts().join("\n")));
    QCOMPARE(db2Tables(), QStringList{"KEEP"});
}

#include "tst_maint_form2.moc"
