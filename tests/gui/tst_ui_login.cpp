// The login window and start-up without a database that answers: settings,
// layout, help texts, pointer, skin, cursor file, home page and the end.

#include "tst_ui_support.h"

#include "core/ErrorTrap.h"
#include "core/PointerState.h"
#include "ui/WindowPointer.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString NotAnImage = QStringLiteral("this is not an image\n");

QStringList boxTexts(const ProgramRun& run)
{
    QStringList texts;
    for (int i = 1; i <= 10; ++i)
        texts << run.login<QLineEdit>(qPrintable(QStringLiteral("Text%1").arg(i)))->text();
    return texts;
}

void activate(QWidget& window)
{
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

} // namespace

class TestLoginWindow : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWithAnEmptyStore()
    {
        ProgramRun run;
        Form1& form = run.start();
        QCOMPARE(boxTexts(run),
                 (QStringList{"", "50069", "", "", "", "localhost", "5432", "", "", ""}));
        const QMap<QString, QString> expected = {
            {loginKey(2), "50069"}, {loginKey(6), "localhost"}, {loginKey(7), "5432"}};
        QCOMPARE(run.stored(), expected);
        // The connection tests fail without a message and the login window is shown.
        QVERIFY(run.dialogs.shown().isEmpty());
        QVERIFY(form.isVisible());
        QVERIFY(!form.hasTablesWindow());
        QCOMPARE(form.pointerState(), 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Dovetab"));
        QCOMPARE(Main::AppTitle(), QStringLiteral("Dovetab"));
        QVERIFY(form.windowIcon().availableSizes().contains(QSize(256, 256)));
        QVERIFY(form.windowIcon().availableSizes().contains(QSize(32, 32)));
        QVERIFY(run.homePage.opened.isEmpty());
        QVERIFY(form.skinFramework().calls().isEmpty());
        QVERIFY(!form.pointer().hasCustomCursor());
    }

    // Every change is on the disk at once: a word typed is written once per character.
    void typingWritesEachCharacter()
    {
        ProgramRun run;
        run.start();
        auto* user = run.login<QLineEdit>("Text8");
        QString typed;
        for (const QChar c : QStringLiteral("abc")) {
            QTest::keyClick(user, c.toLatin1());
            typed += c;
            QCOMPARE(run.stored().value(QStringLiteral("PostgreSQLUser")), typed);
        }
        // A password is masked in its box and stored as typed.
        auto* password = run.login<QLineEdit>("Text4");
        QTest::keyClicks(password, QStringLiteral("p;ss"));
        QCOMPARE(password->displayText(), QStringLiteral("****"));
        QCOMPARE(run.login<QLineEdit>("Text9")->echoMode(), QLineEdit::Password);
        QCOMPARE(run.stored().value(QStringLiteral("Password")), QStringLiteral("p;ss"));
        QCOMPARE(run.form1->db2Profile().password, QStringLiteral("p;ss"));
    }

    void valuesComeBackAtTheNextStart()
    {
        ProgramRun run;
        run.start();
        run.login<QLineEdit>("Text1")->setText(QStringLiteral("  db2 host  "));
        run.login<QLineEdit>("Text2")->clear();
        QTest::keyClicks(run.login<QLineEdit>("Text10"), QStringLiteral(" x "));
        run.start();
        QCOMPARE(boxTexts(run),
                 (QStringList{"  db2 host  ", "", "", "", "", "localhost", "5432", "", "", " x "}));
        QCOMPARE(run.stored().value(QStringLiteral("Port"), QStringLiteral("<absent>")), QString());
    }

    void settingsFileIsOwnerOnly()
    {
        ProgramRun run;
        run.start();
        const auto perms = QFile::permissions(run.settingsFile());
        QVERIFY(perms & QFileDevice::ReadOwner);
        QVERIFY(perms & QFileDevice::WriteOwner);
        QCOMPARE(perms & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOwner),
                 QFileDevice::Permissions());
    }

    // A settings folder that cannot be made: the program runs on its defaults.
    void settingsFolderThatCannotBeWritten()
    {
        ProgramRun run;
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        run.setConfigFolder(blocker);
        Form1& form = run.start();
        QVERIFY(form.isVisible());
        QCOMPARE(run.login<QLineEdit>("Text7")->text(), QStringLiteral("5432"));
        QTest::keyClicks(run.login<QLineEdit>("Text3"), QStringLiteral("me"));
        QCOMPARE(form.db2Profile().user, QStringLiteral("me"));
        QVERIFY(form.settings().lastWriteFailed());
        QVERIFY(run.dialogs.shown().isEmpty());
    }

    void tabOrderAndFocusAtOpen()
    {
        ProgramRun run;
        Form1& form = run.start();
        activate(form);
        QCOMPARE(QApplication::focusWidget(), run.login("Text1"));
        const QStringList expected = {"Text2",       "Text3",       "Text4",       "Text5",
                                      "Text6",       "Text8",       "Text9",       "Text10",
                                      "Text7",       "PushButton3", "PushButton5", "PushButton1",
                                      "PushButton4", "PushButton2", "Text1"};
        QCOMPARE(tabWalk(&form, expected.size()), expected);
    }

    void layoutInPixels()
    {
        ProgramRun run;
        Form1& form = run.start();
        const Twips tw = Twips::forScreen();
        QCOMPARE(form.size(), QSize(tw.x(8040), tw.y(6585)));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(run.login("Frame1")->geometry(), tw.rect(120, 120, 7800, 2865));
        QCOMPARE(run.login("Frame2")->geometry(), tw.rect(120, 3060, 7800, 2865));
        QCOMPARE(run.login("Text2")->geometry(), tw.rect(6465, 360, 1095, 330));
        QCOMPARE(run.login("Text2")->parentWidget(), run.login("Frame1"));
        QCOMPARE(run.login("Label5")->geometry(), tw.rect(240, 1845, 975, 255));
        QCOMPARE(run.login("Label5")->parentWidget(), run.login("Frame2"));
        QCOMPARE(run.login("PushButton4")->geometry(), tw.rect(3960, 2280, 3600, 405));
        QCOMPARE(run.login("PushButton2")->geometry(), tw.rect(120, 6060, 7800, 405));
        QCOMPARE(run.login<QGroupBox>("Frame2")->title(), QStringLiteral("PostgreSQL Login"));
        QCOMPARE(run.login<QLabel>("Label9")->text(), QStringLiteral("Username:"));
        QCOMPARE(run.login<QPushButton>("PushButton2")->text(), QStringLiteral("Next >"));

        QCOMPARE(form.font().family(), QStringLiteral("Arial"));
        QCOMPARE(form.font().pointSizeF(), 9.0);
        QVERIFY(!form.font().bold());
        for (const char* name : {"Frame1", "Label4", "Text6"}) {
            QCOMPARE(run.login(name)->font().family(), QStringLiteral("Arial"));
            QCOMPARE(run.login(name)->font().pointSizeF(), 9.0);
            QVERIFY(run.login(name)->font().bold());
        }
        QCOMPARE(run.login("PushButton5")->font().pointSizeF(), 11.25);
        QVERIFY(run.login("PushButton5")->font().bold());

        // Without the skin file the design colours stay.
        const QColor white(Qt::white);
        QCOMPARE(backgroundOf(&form), white);
        QCOMPARE(backgroundOf(run.login("Frame2")), white);
        QCOMPARE(backgroundOf(run.login("Label3")), white);
        QCOMPARE(run.login("PushButton1")->palette().color(QPalette::Button), white);
    }

    void skinFileBesideTheProgram()
    {
        ProgramRun run;
        run.putFile(QStringLiteral("x/o.cjs"), "skin");
        Form1& form = run.start();
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(backgroundOf(&form), face);
        QCOMPARE(backgroundOf(run.login("Frame1")), face);
        QCOMPARE(backgroundOf(run.login("Label10")), face);
        QCOMPARE(run.login("PushButton2")->palette().color(QPalette::Button), QColor(Qt::white));
        QCOMPARE(run.login("Text1")->palette().color(QPalette::Base), QColor(Qt::white));
        const QStringList calls = form.skinFramework().calls();
        QCOMPARE(calls.size(), 6);
        QCOMPARE(calls[0], QStringLiteral("2(%1/x/o.cjs,)").arg(run.programFolder()));
        QCOMPARE(calls.mid(1, 4), (QStringList{"1 -> 0", "1 = 1", "5 = true", "10 = true"}));
        QCOMPARE(calls[5], QStringLiteral("3(%1)").arg(form.winId()));
        QVERIFY(run.dialogs.shown().isEmpty());
    }

    void selectAllOnFocus()
    {
        ProgramRun run;
        Form1& form = run.start();
        run.login<QLineEdit>("Text2")->setText(QStringLiteral("50000"));
        run.login<QLineEdit>("Text5")->setText(QStringLiteral("SAMPLE"));
        activate(form);
        QTest::keyClick(run.login("Text1"), Qt::Key_Tab);
        QCOMPARE(run.login<QLineEdit>("Text2")->selectedText(), QStringLiteral("50000"));
        // A click into a box selects its whole value too; typing replaces it.
        auto* database = run.login<QLineEdit>("Text5");
        QTest::mouseClick(database, Qt::LeftButton, {}, QPoint(5, database->height() / 2));
        QCOMPARE(QApplication::focusWidget(), database);
        QCOMPARE(database->selectedText(), QStringLiteral("SAMPLE"));
        QTest::keyClicks(database, QStringLiteral("TEST"));
        QCOMPARE(run.stored().value(QStringLiteral("Database")), QStringLiteral("TEST"));
        // A second click in the focused box places the caret as usual.
        QTest::mouseClick(database, Qt::LeftButton, {}, QPoint(5, database->height() / 2));
        QVERIFY(database->selectedText().isEmpty());
    }

    void helpTexts()
    {
        ProgramRun run;
        run.start();
        QTest::mouseClick(run.login("PushButton4"), Qt::LeftButton);
        QTest::mouseClick(run.login("PushButton5"), Qt::LeftButton);
        QCOMPARE(run.dialogs.shown().size(), 2);
        const QString postgres =
            "If you can not connect, please try downloading pgAdmin III. If you can not connect "
            "with that software, you know the login information you are providing here is "
            "incorrect.\r\n\r\n" +
            Form1::PgAdminDownloadAddress;
        const QStringList db2Lines = {
            "Here is how I connected to my IBM DB2 database.",
            "I went to " + Form1::IbmDomain,
            "specifically",
            Form1::Db2DownloadAddress,
            "Downloaded and installed the DB2 Client (not DB2 Runtime Client)",
            "I personally got the",
            "DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)",
            "If you are using Windows XP, there may be a firewall preventing you from connecting. "
            "You may need to add the DB2 port.",
            "Please visit:",
            Form1::Db2FirewallAddress};
        QCOMPARE(run.dialogs.shown()[0].text, postgres);
        QCOMPARE(run.dialogs.shown()[1].text, db2Lines.join("\r\r") + "\r\r");
        for (const ScriptedDialogs::Shown& box : run.dialogs.shown()) {
            QCOMPARE(box.caption, QStringLiteral("Dovetab"));
            QCOMPARE(box.icon, Dialogs::Icon::None);
            QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
        }
        QVERIFY(Form1::PgAdminDownloadAddress.startsWith("https://"));
        QVERIFY(Form1::Db2FirewallAddress.startsWith("https://"));
    }

    // No database answers: both tests fail with their message, under the hourglass.
    void testConnectionFailing()
    {
        ProgramRun run;
        Form1& form = run.start();
        run.login<QLineEdit>("Text6")->setText(QStringLiteral("127.0.0.1"));
        run.login<QLineEdit>("Text7")->setText(QStringLiteral("1"));
        QList<int> pointerWhileShown;
        run.dialogs.onShow = [&](const ScriptedDialogs::Shown&) {
            pointerWhileShown << form.pointerState();
        };
        QTest::mouseClick(run.login("PushButton1"), Qt::LeftButton);
        QTest::mouseClick(run.login("PushButton3"), Qt::LeftButton);
        const QString failed =
            QStringLiteral("Could not connect. Please check with your administrator.");
        QCOMPARE(run.dialogs.messageTexts(), (QStringList{failed, failed}));
        QCOMPARE(pointerWhileShown, (QList<int>{PointerState::Hourglass, PointerState::Hourglass}));
        QCOMPARE(form.pointerState(), 0);
        QCOMPARE(run.dialogs.shown()[0].caption, QStringLiteral("Dovetab"));
        QCOMPARE(run.dialogs.shown()[0].icon, Dialogs::Icon::None);
    }

    void pointerRules()
    {
        ProgramRun run;
        Form1& form = run.start();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.pointerState(), 0);
        QTest::mouseMove(run.login("PushButton3"), centreOf(run.login("PushButton3")));
        QCOMPARE(form.pointerState(), 99);
        // Without a cursor file the custom state has no image of its own.
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(run.login("Text1"), centreOf(run.login("Text1")));
        QCOMPARE(form.pointerState(), 0);
        QTest::mouseMove(run.login("PushButton2"), centreOf(run.login("PushButton2")));
        QCOMPARE(form.pointerState(), 99);
        QTest::mouseMove(run.login("Frame2"), QPoint(5, run.login("Frame2")->height() - 4));
        QCOMPARE(form.pointerState(), 0);
        QTest::mouseMove(run.login("PushButton1"), centreOf(run.login("PushButton1")));
        QCOMPARE(form.pointerState(), 99);
        const Twips tw = Twips::forScreen();
        QTest::mouseMove(&form, QPoint(tw.x(60), tw.y(3020)));
        QCOMPARE(form.pointerState(), 0);

        // The hourglass stays wherever the mouse goes.
        form.setPointer(11);
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QTest::mouseMove(run.login("PushButton5"), centreOf(run.login("PushButton5")));
        QTest::mouseMove(run.login("Text4"), centreOf(run.login("Text4")));
        QTest::mouseMove(&form, QPoint(tw.x(60), tw.y(3020)));
        QCOMPARE(form.pointerState(), 11);
        QVERIFY_THROWS_EXCEPTION(std::exception, form.setPointer(5));
        QCOMPARE(form.pointerState(), 11);
        // Over the text boxes too, whose I-beam comes back with the default.
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(run.login(qPrintable(QStringLiteral("Text%1").arg(i)))->cursor().shape(),
                     Qt::WaitCursor);
        form.setPointer(0);
        QCOMPARE(run.login("Text4")->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(run.login("PushButton5")->cursor().shape(), Qt::ArrowCursor);
    }

    // A screen reader names every text box by its label.
    void accessibleNames_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        const char* rows[][3] = {
            {"Text1", "Label2", "Server:"},   {"Text2", "Label6", "Port:"},
            {"Text3", "Label1", "Username:"}, {"Text4", "Label4", "Password:"},
            {"Text5", "Label3", "Database:"}, {"Text6", "Label8", "Server:"},
            {"Text7", "Label10", "Port:"},    {"Text8", "Label9", "Username:"},
            {"Text9", "Label7", "Password:"}, {"Text10", "Label5", "Database:"},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << row[0] << row[1] << row[2];
    }

    void accessibleNames()
    {
        QFETCH(QString, box);
        QFETCH(QString, label);
        QFETCH(QString, name);
        ProgramRun run;
        run.start();
        auto* edit = run.login<QLineEdit>(qPrintable(box));
        auto* caption = run.login<QLabel>(qPrintable(label));
        QCOMPARE(caption->text(), name);
        QCOMPARE(caption->buddy(), edit);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(edit);
        QVERIFY(reader);
        QCOMPARE(reader->text(QAccessible::Name), name);
    }

    void handCursorFromTheFile()
    {
        ProgramRun run;
        run.putHandCursor();
        Form1& form = run.start();
        QVERIFY(run.dialogs.shown().isEmpty());
        QVERIFY(form.pointer().hasCustomCursor());
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseMove(run.login("PushButton2"), centreOf(run.login("PushButton2")));
        QCOMPARE(form.pointerState(), 99);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(12, 2));
        QCOMPARE(run.login("Text3")->cursor().shape(), Qt::BitmapCursor);
        QTest::mouseMove(run.login("Text3"), centreOf(run.login("Text3")));
        QCOMPARE(form.pointerState(), 0);
        QCOMPARE(run.login("Text3")->cursor().shape(), Qt::IBeamCursor);
    }

    // A cursor file that is no picture: one report for step 126, then start-up goes on.
    void cursorFileThatIsNoPicture()
    {
        ProgramRun run;
        run.putFile(QStringLiteral("HAND-M.CUR"), NotAnImage.toLatin1());
        Form1& form = run.start();
        const QString expected =
            QStringLiteral("Invalid picture\r\nin Velmora2021/08/31.Form1.Form_Load at line 126\r\r"
                           "Please email screenshot of this message to support@harrowick.example");
        QCOMPARE(run.dialogs.errorReports(), QStringList{expected});
        QCOMPARE(run.dialogs.shown()[0].icon, Dialogs::Icon::Warning);
        QCOMPARE(run.dialogs.shown()[0].buttons, Dialogs::Buttons::Ok);
        QCOMPARE(run.login<QLineEdit>("Text7")->text(), QStringLiteral("5432"));
        QVERIFY(form.isVisible());
        QVERIFY(!form.pointer().hasCustomCursor());
    }

    void homePageOnOneStartInAHundred()
    {
        ProgramRun run;
        run.homePage.number = 7;
        run.start();
        QCOMPARE(run.homePage.opened, QList<QUrl>{HomePage::Address});
        QCOMPARE(HomePage::Address.toString(), QStringLiteral("https://www.harrowick.example/"));
        QCOMPARE(run.login<QLineEdit>("Text2")->text(), QStringLiteral("50069"));
    }

    void closingTheLoginWindowEndsTheProgram()
    {
        ProgramRun run;
        Form1& form = run.start();
        QVERIFY(form.close());
        QCOMPARE(run.quits, 1);
        QVERIFY(form.programEnded());
        QVERIFY(!form.isVisible());
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, form.eventYield()());
        // Nothing runs any more.
        run.login<QPushButton>("PushButton4")->click();
        QVERIFY(run.dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestLoginWindow)
#include "tst_ui_login.moc"
