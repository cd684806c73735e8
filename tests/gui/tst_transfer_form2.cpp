#include "ScriptedDialogs.h"
#include "TestEnv.h"
#include "app/HomePage.h"
#include "core/Main.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/ProgressBar.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
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
    class NoHomePage : public HomePage
    {
    public:
        int draw() override { return 50; }
        void open(const QUrl&) override {}
    };

    void setBox(int number, const QString& text)
    {
        auto* box = m_login->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(number));
        QVERIFY(box);
        box->setText(text);
    }
    QPushButton* button(const char* name)
    {
        return m_window->findChild<QPushButton*>(QLatin1String(name));
    }
    QListWidget* list(const char* name)
    {
        return m_window->findChild<QListWidget*>(QLatin1String(name));
    }
    // Selects the entry of that text in a list box and makes it current.
    static void selectEntry(QListWidget* listBox, const QString& text)
    {
        const QList<QListWidgetItem*> items = listBox->findItems(text, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        listBox->setCurrentItem(items.first());
        items.first()->setSelected(true);
    }
    void openWindow(const QString& baseName, int rows);

    NoHomePage m_homePage;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_login;
    Form2* m_window = nullptr;
    QString m_db2Database;
    QString m_pgDatabase;
};

void TestTransferForm2::initTestCase()
{
    Main::SetAppTitle();
}

void TestTransferForm2::init()
{
    m_dialogs.clear();
    m_dialogs.onShow = nullptr;
    m_login = std::make_unique<Form1>(m_dialogs, m_homePage);
    m_login->setQuitActionForTesting([] {});
}

void TestTransferForm2::cleanup()
{
    m_window = nullptr;
    m_login.reset();
}

void TestTransferForm2::openWindow(const QString& baseName, int rows)
{
    m_pgDatabase = baseName.toLower();
    m_db2Database = baseName.toUpper();
    const ConnectionProfile pg = TestEnv::createPgDatabase(m_pgDatabase);
    const ConnectionProfile db2 = TestEnv::createDb2Database(m_db2Database);
    QStringList statements{QStringLiteral("CREATE TABLE many (id integer, name text)"),
                           QStringLiteral("INSERT INTO many SELECT g, 'row ' || g "
                                          "FROM generate_series(1, %1) AS g")
                               .arg(rows)};
    TestEnv::pgExec(statements, m_pgDatabase);
    TestEnv::db2Exec({QStringLiteral(R"(CREATE TABLE "other" ("ID" INTEGER))")}, m_db2Database);

    const QStringList db2Values = {db2.server, db2.port, db2.user, db2.password, db2.database};
    const QStringList pgValues = {pg.server, pg.port, pg.user, pg.password, pg.database};
    for (int i = 0; i < 5; ++i) {
        setBox(i + 1, db2Values[i]);
        setBox(i + 6, pgValues[i]);
    }
    m_window = &m_login->tablesWindow();
    m_window->Form_Load();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
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
    QTimer::singleShot(0, m_window, [&] {
        ranDuringTransfer = m_window->isBusy();
        pointerDuringTransfer = m_window->pointerState();
        for (const char* name : {"PushButton12", "PushButton8", "PushButton4", "PushButton5",
                                 "PushButton7", "PushButton3"})
            QTest::mouseClick(button(name), Qt::LeftButton);
    });
    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);

    QVERIFY(ranDuringTransfer);
    QCOMPARE(pointerDuringTransfer, 11);
    // Help showed nothing, Select All selected nothing, nothing was sent back,
    // deleted or renamed, and the send ran once.
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
    QVERIFY(list("List2")->selectedItems().isEmpty());
    QStringList db2Names;
    for (int i = 0; i < list("List2")->count(); ++i)
        db2Names << list("List2")->item(i)->text();
    QCOMPARE(db2Names, QStringList({"many", "other"}));
    QCOMPARE(TestEnv::db2Query(R"(SELECT COUNT(*) FROM "many")", m_db2Database),
             QStringList({"3000"}));
    QCOMPARE(TestEnv::pgQuery("SELECT COUNT(*) FROM many", m_pgDatabase), QStringList({"3000"}));

    QVERIFY(!m_window->isBusy());
    QCOMPARE(m_window->pointerState(), 0);
    QCOMPARE(m_window->progressBar().value(), 0.0);
    QCOMPARE(m_window->progressBar().text(), QStringLiteral("Progress Bar"));

    // Once it is done the commands work again.
    QTest::mouseClick(button("PushButton12"), Qt::LeftButton);
    QCOMPARE(m_dialogs.shown().size(), 1);
}

void TestTransferForm2::closingMidTransferEndsCleanly()
{
    openWindow(QStringLiteral("xfer_gui_close"), 3000);
    selectEntry(list("List1"), QStringLiteral("many"));

    // The user closes the window once rows are going across.
    bool closedDuringTransfer = false;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, m_window, [&] {
        if (m_window->progressBar().value() > 0 && !closedDuringTransfer) {
            closedDuringTransfer = m_window->isBusy();
            m_window->close();
        }
    });
    watch.start();
    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);
    watch.stop();

    QVERIFY(closedDuringTransfer);
    QVERIFY(m_login->programEnded());
    QVERIFY(!m_window->isBusy());
    // Unwound without a report and before the table was done.
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.messageTexts().join("\n")));
    QCOMPARE(list("List2")->count(), 1);
    const int sent =
        TestEnv::db2Query(R"(SELECT COUNT(*) FROM "many")", m_db2Database).value(0).toInt();
    QVERIFY2(sent < 3000, qPrintable(QString::number(sent)));
}

QTEST_MAIN(TestTransferForm2)
#include "tst_transfer_form2.moc"
