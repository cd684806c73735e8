// The tables window on its own: load with both listings failing, layout, lists,
// select buttons, help, pointer, progress bar, the busy guard and the end.

#include "tst_ui_support.h"

#include "core/AppError.h"
#include "core/ErrorTrap.h"
#include "db/NameList.h"
#include "ui/ProgressBar.h"
#include "ui/WindowPointer.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// Login values that reach no server: the tables window's load lists nothing.
void unreachableLogins(ProgramRun& run)
{
    run.login<QLineEdit>("Text1")->setText(QStringLiteral("nohost.invalid"));
    run.login<QLineEdit>("Text6")->setText(QStringLiteral("127.0.0.1"));
    run.login<QLineEdit>("Text7")->setText(QStringLiteral("1"));
}

// Starts on the login window, then opens the tables window as "Next >" would.
Form2& openTables(ProgramRun& run)
{
    run.start();
    unreachableLogins(run);
    Form2& tables = run.form1->tablesWindow();
    tables.showWindow();
    run.form1->hide();
    run.dialogs.clear();
    return tables;
}

QStringList texts(const NameList& list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.text(i);
    return names;
}

} // namespace

class TestTablesWindow : public QObject
{
    Q_OBJECT

private slots:
    // Both listings fail: two reports (116, 118), two empty lists, and the rest of
    // the load done all the same.
    void loadWithBothListingsFailing()
    {
        ProgramRun run;
        run.putFile(QStringLiteral("HAND-M.CUR"), "no picture");
        run.start();
        unreachableLogins(run);
        run.dialogs.clear();
        Form2& tables = run.form1->tablesWindow();
        tables.list1().addItem(QStringLiteral("stale"));
        tables.list2().addItem(QStringLiteral("STALE"));
        tables.showWindow();

        // Three failures in one run, all the load's: the cursor file, then each listing.
        QCOMPARE(reportSteps(run.dialogs, QStringLiteral("Form2.Form_Load")),
                 (QVector<int>{108, 116, 118}));
        const QStringList reports = run.dialogs.errorReports();
        QVERIFY(!reports[1].startsWith("\r\n")); // the driver's message comes first
        QCOMPARE(tables.list1().count(), 0);
        QCOMPARE(tables.list2().count(), 0);
        QVERIFY(tables.isVisible());
        QCOMPARE(tables.windowTitle(), QStringLiteral("Dovetab"));
        QVERIFY(tables.windowIcon().availableSizes().contains(QSize(128, 128)));
        QVERIFY(QTest::qWaitForWindowExposed(&tables));
        QTRY_COMPARE(tables.frameGeometry().height(), Twips::forScreen().y(5965));

        // The load gives the window and its frames the button face; lists and
        // buttons keep their own colours.
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(backgroundOf(&tables), face);
        QCOMPARE(backgroundOf(run.tables("Frame1")), face);
        QCOMPARE(backgroundOf(run.tables("Frame2")), face);
        QCOMPARE(run.tables("List1")->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        QCOMPARE(run.tables("PushButton12")->palette().color(QPalette::Button), QColor(Qt::white));
    }

    void layoutAndTabOrder()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        const Twips tw = Twips::forScreen();
        QCOMPARE(tables.width(), tw.x(8040));
        QCOMPARE(run.tables("Frame2")->geometry(), tw.rect(4080, 120, 3840, 4215));
        QCOMPARE(run.tables("List2")->geometry(), tw.rect(240, 360, 3330, 1635));
        QCOMPARE(run.tables("List2")->parentWidget(), run.tables("Frame2"));
        QCOMPARE(run.tables("PushButton11")->geometry(), tw.rect(1960, 2100, 1600, 405));
        QCOMPARE(run.tables("PushButton11")->parentWidget(), run.tables("Frame1"));
        QCOMPARE(run.tables("ProgressBar1")->geometry(), tw.rect(120, 4460, 7800, 405));
        QCOMPARE(run.tables("PushButton12")->geometry(), tw.rect(4080, 4980, 3840, 405));
        QCOMPARE(run.tables<QPushButton>("PushButton4")->text(),
                 QStringLiteral("Send Table/s To PostgreSQL"));
        QCOMPARE(run.tables<QGroupBox>("Frame1")->title(), QStringLiteral("PostgreSQL Tables"));
        QCOMPARE(run.tables<QGroupBox>("Frame1")->palette().color(QPalette::WindowText),
                 QColor(Qt::black));
        QCOMPARE(tables.font().family(), QStringLiteral("Arial"));
        QVERIFY(tables.font().bold());
        QVERIFY(run.tables("List1")->font().bold());
        QCOMPARE(run.tables("PushButton7")->font().pointSizeF(), 11.25);
        QCOMPARE(run.tables<QListWidget>("List1")->selectionMode(),
                 QAbstractItemView::ExtendedSelection);

        tables.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&tables));
        QCOMPARE(QApplication::focusWidget(), run.tables("List1"));
        const QStringList expected = {"List2",        "PushButton10", "PushButton11", "PushButton3",
                                      "PushButton1",  "PushButton6",  "PushButton2",  "PushButton8",
                                      "PushButton9",  "PushButton4",  "PushButton5",  "PushButton7",
                                      "PushButton12", "List1"};
        QCOMPARE(tabWalk(&tables, expected.size()), expected);
    }

    // A desktop theme may give list views a font of their own; the lists keep the
    // window's Arial 9 bold all the same.
    void listsKeepTheWindowFontUnderADesktopTheme()
    {
        QApplication::setFont(QFont(QStringLiteral("Courier"), 7), "QAbstractItemView");
        ProgramRun run;
        Form2& tables = openTables(run);
        QApplication::setFont(QApplication::font(), "QAbstractItemView");
        for (const char* name : {"List1", "List2"}) {
            const QFont font = run.tables(name)->font();
            QCOMPARE(font.family(), QStringLiteral("Arial"));
            QCOMPARE(font.pointSizeF(), 9.0);
            QVERIFY(font.bold());
        }
        QCOMPARE(tables.font().family(), QStringLiteral("Arial"));
    }

    // Entries sort without regard to case, whatever order they come in; making an
    // entry current selects nothing, and setting an entry's selected state makes
    // that entry current without touching the others.
    void listsSortAndKeepSelectionApart()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        NameList& list = tables.list1();
        for (const char* name : {"orders", "Zeta", "alpha", "Beta", "ALPHA", "_x", "b2"})
            list.addItem(QLatin1String(name));
        QStringList names = texts(list);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), tableNameLess);
        QCOMPARE(names, sorted);
        QVERIFY(names.indexOf("alpha") < names.indexOf("Beta"));
        QVERIFY(names.indexOf("Beta") < names.indexOf("orders"));
        QVERIFY(names.indexOf("orders") < names.indexOf("Zeta"));

        list.setCurrentIndex(2);
        QCOMPARE(list.currentIndex(), 2);
        QCOMPARE(list.selectedCount(), 0);
        list.setSelected(4, true);
        QCOMPARE(list.currentIndex(), 4);
        QCOMPARE(list.selectedCount(), 1);
        list.setSelected(1, false);
        QCOMPARE(list.currentIndex(), 1);
        QCOMPARE(list.selectedCount(), 1);
        QVERIFY(list.isSelected(4));
        list.setCurrentIndex(-1);
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(list.selectedCount(), 1);
        list.removeItem(0);
        QCOMPARE(list.count(), 6);
        QVERIFY_THROWS_EXCEPTION(AppError, list.text(6));
        QVERIFY_THROWS_EXCEPTION(AppError, list.setSelected(-1, true));

        // Names added at once (as a listing adds them) go where one by one they would,
        // and the list keeps sorting what comes after.
        NameList& other = tables.list2();
        other.addItems({"m", "B", "a", "z", "a"});
        QCOMPARE(texts(other), QStringList({"a", "a", "B", "m", "z"}));
        other.setCurrentIndex(3);
        other.addItems({"zz", "Z"});
        other.addItems({"zzzz", "zzz"});
        other.addItem(QStringLiteral("c"));
        QCOMPARE(texts(other),
                 QStringList({"a", "a", "B", "c", "m", "Z", "z", "zz", "zzz", "zzzz"}));
        QCOMPARE(other.text(other.currentIndex()), QStringLiteral("m"));
        QCOMPARE(other.selectedCount(), 0);
        QVERIFY(run.tables<QListWidget>("List2")->isSortingEnabled());
    }

    // Shift and Ctrl clicks extend the selection.
    void extendedSelectionWithTheMouse()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        for (const char* name : {"a", "b", "c", "d"})
            tables.list2().addItem(QLatin1String(name));
        auto* list = run.tables<QListWidget>("List2");
        QVERIFY(QTest::qWaitForWindowExposed(&tables));
        auto at = [&](int row) { return list->visualItemRect(list->item(row)).center(); };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
        QCOMPARE(tables.list2().selectedCount(), 3);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at(1));
        QCOMPARE(tables.list2().selectedCount(), 2);
        QVERIFY(!tables.list2().isSelected(1));
        QCOMPARE(tables.list2().currentIndex(), 1);
    }

    void selectAllAndDeselectAll()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        // Empty lists: nothing happens and nothing is shown.
        for (const char* name : {"PushButton10", "PushButton11", "PushButton8", "PushButton9"})
            QTest::mouseClick(run.tables(name), Qt::LeftButton);
        QVERIFY(run.dialogs.shown().isEmpty());

        for (int i = 0; i < 7; ++i)
            tables.list1().addItem(QStringLiteral("pg%1").arg(i));
        for (int i = 0; i < 3; ++i)
            tables.list2().addItem(QStringLiteral("DB%1").arg(i));
        QCOMPARE(tables.list1().currentIndex(), -1);
        // Each leaves the last entry of its list current, as the platform's list does.
        QTest::mouseClick(run.tables("PushButton10"), Qt::LeftButton);
        QCOMPARE(tables.list1().selectedCount(), 7);
        QCOMPARE(tables.list2().selectedCount(), 0);
        QCOMPARE(tables.list1().currentIndex(), 6);
        QCOMPARE(tables.list2().currentIndex(), -1);
        QTest::mouseClick(run.tables("PushButton8"), Qt::LeftButton);
        QCOMPARE(tables.list2().selectedCount(), 3);
        QCOMPARE(tables.list2().currentIndex(), 2);
        QTest::mouseClick(run.tables("PushButton11"), Qt::LeftButton);
        QCOMPARE(tables.list1().selectedCount(), 0);
        QCOMPARE(tables.list1().currentIndex(), 6);
        QCOMPARE(tables.list2().selectedCount(), 3);
        QTest::mouseClick(run.tables("PushButton9"), Qt::LeftButton);
        QCOMPARE(tables.list2().selectedCount(), 0);
        QCOMPARE(tables.list2().currentIndex(), 2);
        QVERIFY(run.dialogs.shown().isEmpty());
    }

    void help()
    {
        ProgramRun run;
        openTables(run);
        QTest::mouseClick(run.tables("PushButton12"), Qt::LeftButton);
        QCOMPARE(run.dialogs.shown().size(), 1);
        const ScriptedDialogs::Shown& box = run.dialogs.shown()[0];
        QCOMPARE(box.text, QStringLiteral("Questions? Please contact Team Harrowick at "
                                          "https://www.harrowick.example/contact/"));
        QCOMPARE(box.caption, QStringLiteral("Dovetab"));
        QCOMPARE(box.icon, Dialogs::Icon::None);
        QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
    }

    void pointerRules()
    {
        ProgramRun run;
        run.putHandCursor();
        Form2& tables = openTables(run);
        QVERIFY(QTest::qWaitForWindowExposed(&tables));
        QCOMPARE(tables.pointerState(), 0);
        QTest::mouseMove(run.tables("PushButton7"), centreOf(run.tables("PushButton7")));
        QCOMPARE(tables.pointerState(), 99);
        QCOMPARE(tables.cursor().shape(), Qt::BitmapCursor);
        auto* list = run.tables<QListWidget>("List1");
        QTest::mouseMove(list->viewport(), centreOf(list->viewport()));
        QCOMPARE(tables.pointerState(), 0);
        QCOMPARE(tables.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(run.tables("PushButton2"), centreOf(run.tables("PushButton2")));
        QCOMPARE(tables.pointerState(), 99);
        QTest::mouseMove(run.tables("Frame2"), QPoint(4, run.tables("Frame2")->height() - 4));
        QCOMPARE(tables.pointerState(), 0);
        tables.setPointer(11);
        QTest::mouseMove(run.tables("PushButton3"), centreOf(run.tables("PushButton3")));
        QTest::mouseMove(run.tables("List2"), centreOf(run.tables("List2")));
        QCOMPARE(tables.pointerState(), 11);
        QCOMPARE(tables.cursor().shape(), Qt::WaitCursor);
        for (const char* name : {"List1", "List2"})
            QCOMPARE(run.tables<QListWidget>(name)->viewport()->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(run.tables("ProgressBar1")->cursor().shape(), Qt::WaitCursor);
    }

    void progressBarAtRestAndMoving()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        ProgressDisplay& progress = tables.context().progress;
        QCOMPARE(&progress, static_cast<ProgressDisplay*>(&tables.progressBar()));
        QCOMPARE(progress.value(), 0.0);
        QCOMPARE(progress.text(), QStringLiteral("Progress Bar"));
        QCOMPARE(tables.progressBar().minimum(), 0);
        QCOMPARE(tables.progressBar().maximum(), 100);
        QVERIFY(tables.progressBar().isTextVisible());
        progress.setValue(100.0 / 3.0);
        QCOMPARE(progress.value(), 100.0 / 3.0);
        QCOMPARE(tables.progressBar().QProgressBar::value(), 33);
        progress.setValue(0);
        progress.setText(QStringLiteral("Progress Bar"));
        QCOMPARE(tables.progressBar().QProgressBar::value(), 0);
    }

    // The context the operations get reads the login boxes at each call.
    void contextReadsTheLoginBoxesNow()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        TablesWindowContext& context = tables.context();
        QCOMPARE(&context.postgresList, static_cast<NameList*>(&tables.list1()));
        QCOMPARE(&context.db2List, static_cast<NameList*>(&tables.list2()));
        QCOMPARE(&context.dialogs, static_cast<Dialogs*>(&run.dialogs));
        run.login<QLineEdit>("Text10")->setText(QStringLiteral("second"));
        run.login<QLineEdit>("Text5")->setText(QStringLiteral("SAMPLE2"));
        QCOMPARE(context.postgresProfile().database, QStringLiteral("second"));
        QCOMPARE(context.db2Profile().database, QStringLiteral("SAMPLE2"));
        QCOMPARE(context.db2Profile().server, QStringLiteral("nohost.invalid"));
        context.setPointer(11);
        QCOMPARE(tables.pointerState(), 11);
        context.setPointer(0);
        context.yield();
    }

    // While an operation runs, the window's other commands are refused.
    void otherCommandsRefusedWhileBusy()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        tables.list1().addItem(QStringLiteral("t1"));
        bool nestedRan = false;
        bool ran = false;
        tables.runExclusive(QStringLiteral("Form2.PushButton6_Click"), [&] {
            ran = true;
            QVERIFY(tables.isBusy());
            run.tables<QPushButton>("PushButton12")->click();
            run.tables<QPushButton>("PushButton10")->click();
            run.tables<QPushButton>("PushButton2")->click();
            run.tables<QPushButton>("PushButton1")->click();
            tables.runExclusive(QStringLiteral("Form2.PushButton1_Click"),
                                [&] { nestedRan = true; });
        });
        QVERIFY(ran);
        QVERIFY(!nestedRan);
        QVERIFY(run.dialogs.shown().isEmpty());
        QCOMPARE(tables.list1().selectedCount(), 0);
        QVERIFY(tables.isVisible());
        QVERIFY(!run.form1->isVisible());
        QVERIFY(!tables.isBusy());
        // Afterwards the buttons work again.
        run.tables<QPushButton>("PushButton10")->click();
        QCOMPARE(tables.list1().selectedCount(), 1);
    }

    // Closing the window during an operation ends the program at once: the
    // operation is unwound at its next yield and nothing leaves the handler.
    void closingDuringAnOperation()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        bool afterYield = false;
        tables.runExclusive(QStringLiteral("Form2.PushButton3_Click"), [&] {
            tables.context().setPointer(11);
            QVERIFY(tables.close());
            tables.context().yield();
            afterYield = true;
        });
        QVERIFY(!afterYield);
        QCOMPARE(run.quits, 1);
        QVERIFY(run.form1->programEnded());
        QVERIFY(!tables.isVisible());
        QVERIFY(!run.form1->isVisible());
        QVERIFY(run.dialogs.shown().isEmpty());
        QVERIFY(!tables.isBusy());
    }

    // A failure that escaped an operation's own trap is still reported, and the
    // hourglass it left goes.
    void escapedFailureIsReported()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        tables.runExclusive(QStringLiteral("Form2.PushButton5_Click"), [&] {
            tables.setPointer(11);
            throw AppError(QStringLiteral("Table not found"));
        });
        QCOMPARE(run.dialogs.errorReports(), QStringList{ErrorTrap::reportText(
                                                 QStringLiteral("Table not found"),
                                                 QStringLiteral("Form2.PushButton5_Click"), 100)});
        QCOMPARE(tables.pointerState(), 0);
        QVERIFY(!tables.isBusy());
    }

    void backShowsTheLoginWindowAsItWas()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        tables.list2().addItem(QStringLiteral("KEPT"));
        tables.list2().setSelected(0, true);
        QTest::mouseClick(run.tables("PushButton2"), Qt::LeftButton);
        QVERIFY(run.form1->isVisible());
        QVERIFY(!tables.isVisible());
        QCOMPARE(run.login<QLineEdit>("Text1")->text(), QStringLiteral("nohost.invalid"));
        QCOMPARE(tables.list2().count(), 1);
        QVERIFY(tables.list2().isSelected(0));
        QVERIFY(run.dialogs.shown().isEmpty());
    }

    void closingTheTablesWindowEndsTheProgram()
    {
        ProgramRun run;
        Form2& tables = openTables(run);
        QVERIFY(!run.form1->isVisible());
        QVERIFY(tables.close());
        QCOMPARE(run.quits, 1);
        QVERIFY(run.form1->programEnded());
        run.tables<QPushButton>("PushButton12")->click();
        QVERIFY(run.dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestTablesWindow)
#include "tst_ui_tables.moc"
