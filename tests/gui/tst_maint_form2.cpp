#include "ScriptedDialogs.h"
#include "TestEnv.h"
#include "app/HomePage.h"
#include "core/Main.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

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
    void keyboardChoosesInAList();

private:
    class NoHomePage : public HomePage
    {
    public:
        int draw() override { return 50; }
        void open(const QUrl&) override {}
    };

    void openWindow(const QString& baseName);
    QPushButton* button(const char* name)
    {
        auto* found = m_window->findChild<QPushButton*>(QLatin1String(name));
        if (!found)
            qFatal("no button %s", name);
        return found;
    }
    QListWidget* list(const char* name)
    {
        auto* found = m_window->findChild<QListWidget*>(QLatin1String(name));
        if (!found)
            qFatal("no list %s", name);
        return found;
    }
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
    static QStringList entries(QListWidget* listBox)
    {
        QStringList names;
        for (int i = 0; i < listBox->count(); ++i)
            names << listBox->item(i)->text();
        return names;
    }
    QStringList pgTables()
    {
        return TestEnv::pgQuery("SELECT tablename FROM pg_tables WHERE schemaname = 'public' "
                                "ORDER BY lower(tablename), tablename",
                                m_pgDatabase);
    }
    QStringList db2Tables()
    {
        return TestEnv::db2Query("SELECT TABNAME FROM SYSCAT.TABLES WHERE TYPE = 'T' AND "
                                 "TABSCHEMA = 'DB2INST1' ORDER BY TABNAME",
                                 m_db2Database);
    }

    NoHomePage m_homePage;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_login;
    Form2* m_window = nullptr;
    QString m_pgDatabase;
    QString m_db2Database;
};

void TestMaintForm2::initTestCase()
{
    Main::SetAppTitle();
}

void TestMaintForm2::init()
{
    m_dialogs.clear();
    m_dialogs.onShow = nullptr;
    m_login = std::make_unique<Form1>(m_dialogs, m_homePage);
    m_login->setQuitActionForTesting([] {});
}

void TestMaintForm2::cleanup()
{
    m_window = nullptr;
    m_login.reset();
}

void TestMaintForm2::openWindow(const QString& baseName)
{
    m_pgDatabase = baseName.toLower();
    m_db2Database = baseName.toUpper();
    const ConnectionProfile pg = TestEnv::createPgDatabase(m_pgDatabase);
    const ConnectionProfile db2 = TestEnv::createDb2Database(m_db2Database);
    TestEnv::pgExec({"CREATE TABLE keep_a (id integer)", "CREATE TABLE drop_b (id integer)",
                     "CREATE TABLE drop_c (id integer)", "CREATE TABLE old_name (id integer)"},
                    m_pgDatabase);
    TestEnv::db2Exec({"CREATE TABLE KEEP (ID INTEGER)", "CREATE TABLE GONE (ID INTEGER)",
                      "CREATE TABLE OLD (ID INTEGER)"},
                     m_db2Database);

    const QStringList values = {db2.server, db2.port, db2.user, db2.password, db2.database,
                                pg.server,  pg.port,  pg.user,  pg.password,  pg.database};
    for (int i = 0; i < values.size(); ++i) {
        auto* box = m_login->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i + 1));
        QVERIFY(box);
        box->setText(values[i]);
    }
    m_window = &m_login->tablesWindow();
    m_window->Form_Load();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
    QCOMPARE(entries(list("List2")), (QStringList{"GONE", "KEEP", "OLD"}));
}

void TestMaintForm2::deleteButtonsDropTheClickedTables()
{
    openWindow(QStringLiteral("maint_gui_delete"));
    QListWidget* list1 = list("List1");
    QListWidget* list2 = list("List2");
    const QStringList pgBefore = entries(list1);

    clickEntry(list1, "drop_b");
    clickEntry(list1, "drop_c", Qt::ControlModifier);
    QTest::mouseClick(button("PushButton1"), Qt::LeftButton);

    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
    QCOMPARE(pgTables(), (QStringList{"keep_a", "old_name"}));
    QStringList pgExpected = pgBefore;
    pgExpected.removeAll("drop_b");
    pgExpected.removeAll("drop_c");
    QCOMPARE(entries(list1), pgExpected);

    clickEntry(list2, "GONE");
    QTest::mouseClick(button("PushButton5"), Qt::LeftButton);

    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
    QCOMPARE(db2Tables(), (QStringList{"KEEP", "OLD"}));
    QCOMPARE(entries(list2), (QStringList{"KEEP", "OLD"}));
    QCOMPARE(m_window->pointerState(), 0);
    QVERIFY(!m_window->isBusy());
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
    m_dialogs.onShow = [&](const ScriptedDialogs::Shown& box) {
        if (box.kind != ScriptedDialogs::Shown::Input)
            return;
        busyWhileAsking = m_window->isBusy();
        pointerWhileAsking = m_window->pointerState();
        QTest::mouseClick(button("PushButton1"), Qt::LeftButton);
        QTest::mouseClick(button("PushButton12"), Qt::LeftButton);
    };
    clickEntry(list1, "old_name");
    m_dialogs.queueInput(QStringLiteral("New \"Name\""));
    QTest::mouseClick(button("PushButton6"), Qt::LeftButton);

    QVERIFY(busyWhileAsking);
    QCOMPARE(pointerWhileAsking, 11);
    QCOMPARE(m_dialogs.shown().size(), 1);
    QCOMPARE(m_dialogs.shown()[0].text, QStringLiteral("Enter new name of old_name:"));
    QCOMPARE(pgTables(), (QStringList{"drop_b", "drop_c", "keep_a", "New \"Name\""}));
    QVERIFY(entries(list1).contains("New \"Name\""));
    QVERIFY(!entries(list1).contains("old_name"));
    // The first entry holds the focus; nothing is selected.
    QCOMPARE(list1->currentRow(), 0);
    QVERIFY(list1->selectedItems().isEmpty());

    m_dialogs.clear();
    clickEntry(list2, "OLD");
    m_dialogs.queueInput(QStringLiteral("AARDVARK"));
    QTest::mouseClick(button("PushButton7"), Qt::LeftButton);

    QCOMPARE(m_dialogs.shown().size(), 1);
    QCOMPARE(db2Tables(), (QStringList{"AARDVARK", "GONE", "KEEP"}));
    QCOMPARE(entries(list2), (QStringList{"AARDVARK", "GONE", "KEEP"}));
    QCOMPARE(list2->currentRow(), 0);
    QVERIFY(list2->selectedItems().isEmpty());
    QCOMPARE(m_window->pointerState(), 0);
    QVERIFY(!m_window->isBusy());
}

QTEST_MAIN(TestMaintForm2)

// After a load neither list has a current entry, also once the window is active
// and the focus sits in List1 or was tabbed into List2: each of the six commands
// asks the user to choose and touches no table.
void TestMaintForm2::nothingChosenAfterALoad()
{
    openWindow(QStringLiteral("maint_gui_nothing"));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QListWidget* list1 = list("List1");
    QListWidget* list2 = list("List2");
    QCOMPARE(QApplication::focusWidget(), list1);
    QCOMPARE(list1->currentRow(), -1);
    QTest::keyClick(list1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list2);
    QCOMPARE(list2->currentRow(), -1);
    QCOMPARE(list1->currentRow(), -1);

    const QStringList pgBefore = pgTables();
    const QStringList db2Before = db2Tables();
    const QList<std::pair<const char*, QString>> buttons = {
        {"PushButton3", "Please select a table"},
        {"PushButton1", "Please select a table"},
        {"PushButton6", "Please select a table to rename."},
        {"PushButton4", "Please select a table to send."},
        {"PushButton5", "Please select a table to delete"},
        {"PushButton7", "Please select a table to rename."},
    };
    for (const auto& [name, message] : buttons) {
        m_dialogs.clear();
        QTest::mouseClick(button(name), Qt::LeftButton);
        QCOMPARE(m_dialogs.messageTexts(), QStringList{message});
        QCOMPARE(m_window->pointerState(), 0);
    }
    QCOMPARE(pgTables(), pgBefore);
    QCOMPARE(db2Tables(), db2Before);

    // A second load starts again with nothing chosen.
    clickEntry(list1, "keep_a");
    clickEntry(list2, "KEEP");
    m_window->Form_Load();
    QCOMPARE(list1->currentRow(), -1);
    QCOMPARE(list2->currentRow(), -1);
    list2->setFocus(Qt::TabFocusReason);
    QCOMPARE(list2->currentRow(), -1);
}

// The keyboard still chooses: Down makes the first entry current and selected,
// Shift extends, Ctrl moves without selecting and Ctrl+Space toggles.
void TestMaintForm2::keyboardChoosesInAList()
{
    openWindow(QStringLiteral("maint_gui_keys"));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
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
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
    QCOMPARE(db2Tables(), QStringList{"KEEP"});
}

#include "tst_maint_form2.moc"
