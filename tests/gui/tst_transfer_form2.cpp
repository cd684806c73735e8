#include "tst_ui_support.h"
#include "ui/ProgressBar.h"

#include <QTimer>

// The send buttons of the real tables window: a click sends the selected table,
// the window refuses its other commands meanwhile, and closing it mid-transfer
// ends the program cleanly.
class TestTransferForm2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sendButtonSendsAndRefusesOtherCommands();
    void closingMidTransferEndsCleanly();

private:
    QPushButton* button(const char* name) { return m_run->button(name); }
    QListWidget* list(const char* name) { return m_run->list(name); }
    // Clicks the entry of that text in a list box, as the user does.
    static void selectEntry(QListWidget* listBox, const QString& text)
    {
        const QList<QListWidgetItem*> items = listBox->findItems(text, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        listBox->scrollToItem(items.first());
        const QRect rect = listBox->visualItemRect(items.first());
        QTest::mouseClick(listBox->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(items.first()->isSelected());
    }
    void openWindow(const QString& baseName, int rows);

    std::unique_ptr<TablesWindowRun> m_run;
};

void TestTransferForm2::initTestCase()
{
    Main::SetAppTitle();
}

void TestTransferForm2::init()
{
    m_run = std::make_unique<TablesWindowRun>();
}

void TestTransferForm2::cleanup()
{
    m_run.reset();
}

void TestTransferForm2::openWindow(const QString& baseName, int rows)
{
    m_run->createDatabases(baseName);
    QStringList statements{QStringLiteral("CREATE TABLE many (id integer, name text)"),
                           QStringLiteral("INSERT INTO many SELECT g, 'row ' || g "
                                          "FROM generate_series(1, %1) AS g")
                               .arg(rows)};
    TestEnv::pgExec(statements, m_run->pgDatabase);
    TestEnv::db2Exec({QStringLiteral(R"(CREATE TABLE "other" ("ID" INTEGER))")},
                     m_run->db2Database);
    m_run->open();
    // List1 shows PostgreSQL's system tables too.
    QCOMPARE(list("List1")->findItems(QStringLiteral("many"), Qt::MatchExactly).size(), 1);
    QCOMPARE(list("List2")->count(), 1);
}

void TestTransferForm2::sendButtonSendsAndRefusesOtherCommands()
{
    openWindow(QStringLiteral("xfer_gui_send"), 3000);
    selectEntry(list("List1"), QStringLiteral("many"));

    // Runs at the transfer's first turn of the event loop: every other command is
    // refused while it runs.
    bool ranDuringTransfer = false;
    int pointerDuringTransfer = -1;
    QTimer::singleShot(0, m_run->window, [&] {
        ranDuringTransfer = m_run->window->isBusy();
        pointerDuringTransfer = m_run->window->pointerState();
        for (const char* name : {"PushButton12", "PushButton8", "PushButton4", "PushButton5",
                                 "PushButton7", "PushButton3"})
            QTest::mouseClick(button(name), Qt::LeftButton);
    });
    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);

    QVERIFY(ranDuringTransfer);
    QCOMPARE(pointerDuringTransfer, 11);
    // Help showed nothing, Select All selected nothing, nothing was sent back,
    // deleted or renamed, and the send ran once.
    QVERIFY2(m_run->dialogs.shown().isEmpty(),
             qPrintable(m_run->dialogs.messageTexts().join("\n")));
    QVERIFY(list("List2")->selectedItems().isEmpty());
    QCOMPARE(entriesOf(list("List2")), QStringList({"many", "other"}));
    QCOMPARE(TestEnv::db2Query(R"(SELECT COUNT(*) FROM "many")", m_run->db2Database),
             QStringList({"3000"}));
    QCOMPARE(TestEnv::pgQuery("SELECT COUNT(*) FROM many", m_run->pgDatabase),
             QStringList({"3000"}));

    QVERIFY(!m_run->window->isBusy());
    QCOMPARE(m_run->window->pointerState(), 0);
    QCOMPARE(m_run->window->progressBar().value(), 0.0);
    QCOMPARE(m_run->window->progressBar().text(), QStringLiteral("Progress Bar"));

    // Once it is done the commands work again.
    QTest::mouseClick(button("PushButton12"), Qt::LeftButton);
    QCOMPARE(m_run->dialogs.shown().size(), 1);
}

void TestTransferForm2::closingMidTransferEndsCleanly()
{
    openWindow(QStringLiteral("xfer_gui_close"), 3000);
    selectEntry(list("List1"), QStringLiteral("many"));

    // The user closes the window once rows are going across.
    bool closedDuringTransfer = false;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, m_run->window, [&] {
        if (m_run->window->progressBar().value() > 0 && !closedDuringTransfer) {
            closedDuringTransfer = m_run->window->isBusy();
            m_run->window->close();
        }
    });
    watch.start();
    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);
    watch.stop();

    QVERIFY(closedDuringTransfer);
    QVERIFY(m_run->login->programEnded());
    QVERIFY(!m_run->window->isBusy());
    // Unwound without a report and before the table was done.
    QVERIFY2(m_run->dialogs.shown().isEmpty(),
             qPrintable(m_run->dialogs.messageTexts().join("\n")));
    QCOMPARE(list("List2")->count(), 1);
    const int sent =
        TestEnv::db2Query(R"(SELECT COUNT(*) FROM "many")", m_run->db2Database).value(0).toInt();
    QVERIFY2(sent < 3000, qPrintable(QString::number(sent)));
}

QTEST_MAIN(TestTransferForm2)
#include "tst_transfer_form2.moc"
