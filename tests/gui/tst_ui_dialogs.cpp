// The program's real dialogs, driven as a user would.

#include "app/QtDialogs.h"
#include "core/ErrorTrap.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// The box open now, if any.
QWidget* openBox()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<QDialog*>(window))
            return window;
    }
    return nullptr;
}

// Runs the action on the dialog as soon as it is open.
void whenOpen(const std::function<void(QWidget*)>& action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* box = openBox()) {
            timer->stop();
            timer->deleteLater();
            action(box);
        }
    });
    timer->start();
}

// A program window: closing it ends the program, as closing Form1 or Form2 does.
class ProgramWindow : public QWidget
{
public:
    bool ended = false;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        ended = true;
    }
};

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

private slots:
    void errorReportBox()
    {
        QtDialogs dialogs;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        whenOpen([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        const int answer = dialogs.messageBox(
            QStringLiteral("Failed\r\nin X.Y at line 100\r\rPlease"), Dialogs::Buttons::Ok,
            Dialogs::Icon::Warning, QStringLiteral("Application Error"));
        QCOMPARE(answer, int(Dialogs::Ok));
        QCOMPARE(title, QStringLiteral("Application Error"));
        QCOMPARE(text, QStringLiteral("Failed\nin X.Y at line 100\n\nPlease"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // The text can be selected with the mouse, and Ctrl+C copies all of it, from
    // wherever the focus is in the box.
    void errorReportCanBeCopied()
    {
        QtDialogs dialogs;
        QGuiApplication::clipboard()->clear();
        Qt::TextInteractionFlags flags;
        QString copied;
        whenOpen([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            flags = label->textInteractionFlags();
            QTest::mouseClick(label, Qt::LeftButton);
            // Wherever the focus is: the label after the click, or the box when the
            // platform gave the focus to no widget of it.
            QWidget* focused = QApplication::focusWidget();
            QTest::keyClick(focused ? focused : box, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            QTest::keyClick(box->button(QMessageBox::Ok), Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), copied);
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.messageBox(
            QStringLiteral("Failed\r\nin X.Y at line 100\r\rPlease\r\rsql: SELECT 1"),
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning, QStringLiteral("Application Error"));
        QVERIFY(flags & Qt::TextSelectableByMouse);
        QCOMPARE(copied, QStringLiteral("Failed\nin X.Y at line 100\n\nPlease\n\nsql: SELECT 1"));
    }

    void fittedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fits") << "ab\r\ncd\r\ref" << 10 << 5 << "ab\ncd\n\nef";
        QTest::newRow("wrapped at a blank") << "aaaaaaa bbbbbb" << 10 << 5 << "aaaaaaa \nbbbbbb";
        QTest::newRow("blank too early: cut anywhere")
            << "a bbbbbbbbbbbbbbbbbbbbbbbbb" << 10 << 5 << "a bbbbbbbb\nbbbbbbbbbb\nbbbbbbb";
        QTest::newRow("too many lines")
            << "1\r\n2\r\n3\r\n4\r\n5\r\n6" << 10 << 4
            << "1\n2\n3...\n(Shortened here; Ctrl+C copies the whole message.)";
        QTest::newRow("exactly the lines") << "1\n2\n3\n4" << 10 << 4 << "1\n2\n3\n4";
        QTest::newRow("long last line kept within the columns")
            << "x\r\r" + QString(40, QLatin1Char('y')) << 10 << 4
            << "x\n\nyyyyyyy...\n(Shortened here; Ctrl+C copies the whole message.)";
    }

    void fittedText()
    {
        QFETCH(QString, text);
        QFETCH(int, columns);
        QFETCH(int, lines);
        QFETCH(QString, shown);
        QCOMPARE(QtDialogs::fittedText(text, columns, lines), shown);
    }

    // Lines are measured by the box's font: a wide letter takes more room.
    void fittedTextByWidth()
    {
        const auto width = [](const QString& line) {
            return int(line.size() + 2 * line.count(QLatin1Char('W')));
        };
        QCOMPARE(QtDialogs::fittedText(QStringLiteral("WWWW aaaa"), width, 8, 5),
                 QStringLiteral("WW\nWW \naaaa"));
        QCOMPARE(
            QtDialogs::fittedText(QStringLiteral("aaaaaaaaaaWWWWWWWWW\r\nb"), width, 8, 3),
            QStringLiteral("aaaaaaaa\naaW...\n(Shortened here; Ctrl+C copies the whole message.)"));
    }

    // An error report that ends in a 32 KB statement: the box stays on the screen
    // with its OK button, the statement shown in part, and Ctrl+C gives all of it.
    void longStatementFitsTheScreen_data()
    {
        QTest::addColumn<QString>("statement");
        const QString value(32000, QLatin1Char('x'));
        QTest::newRow("one long value") << "INSERT INTO \"t\" VALUES ('" + value + "')";
        QString many;
        for (int i = 0; i < 3000; ++i)
            many += QStringLiteral("'v%1', ").arg(i);
        QTest::newRow("many short values") << "INSERT INTO \"t\" VALUES (" + many + "NULL)";
        QTest::newRow("many lines") << QStringLiteral("SELECT 1\r\n").repeated(500);
    }

    void longStatementFitsTheScreen()
    {
        QFETCH(QString, statement);
        QWidget owner;
        owner.setGeometry(200, 150, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        const QString text =
            QStringLiteral("Value too long\r\nin X.Form2.PushButton3_Click at line "
                           "256\r\rPlease email\r\rsql: ") +
            statement;
        QtDialogs dialogs;
        QRect frame, area;
        QString shown, copied;
        bool okVisible = false;
        whenOpen([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QTest::qWait(20);
            frame = box->frameGeometry();
            area = box->screen()->availableGeometry();
            shown = box->text();
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            okVisible =
                ok->isVisible() && area.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size()));
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            ok->click();
        });
        dialogs.messageBox(text, Dialogs::Buttons::Ok, Dialogs::Icon::Warning,
                           QStringLiteral("Application Error"));
        QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                      .arg(frame.x())
                                                      .arg(frame.y())
                                                      .arg(frame.width())
                                                      .arg(frame.height())));
        QVERIFY(okVisible);
        QVERIFY(shown.startsWith(QStringLiteral("Value too long\nin X.Form2.PushButton3_Click")));
        QVERIFY(shown.size() < text.size());
        QCOMPARE(copied, QtDialogs::displayText(text));
    }

    // Every box is modal and opens centred over the window it belongs to.
    void centredOverItsWindow_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::newRow("left") << QRect(40, 60, 500, 420);
        QTest::newRow("right") << QRect(420, 200, 520, 300);
    }

    void centredOverItsWindow()
    {
        QFETCH(QRect, window);
        QWidget owner;
        owner.setGeometry(window);
        owner.show();
        owner.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QtDialogs dialogs;
        QList<QPoint> centres;
        QList<bool> modal;
        auto note = [&](QWidget* box) {
            QTest::qWait(20);
            centres << box->frameGeometry().center();
            modal << (box->parentWidget() == &owner);
        };
        whenOpen([&](QWidget* box) {
            note(box);
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
        });
        dialogs.messageBox(QStringLiteral("Overwrite?"), Dialogs::Buttons::YesNo,
                           Dialogs::Icon::None, QStringLiteral("Dovetab"));
        whenOpen([&](QWidget* box) {
            note(box);
            qobject_cast<QInputDialog*>(box)->reject();
        });
        dialogs.inputBox(QStringLiteral("New name:"), QStringLiteral("Dovetab"), QString());
        QCOMPARE(centres.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(modal[i]);
            const QPoint off = centres[i] - owner.frameGeometry().center();
            QVERIFY2(
                qAbs(off.x()) <= 2 && qAbs(off.y()) <= 2,
                qPrintable(QStringLiteral("box %1 off by %2,%3").arg(i).arg(off.x()).arg(off.y())));
        }
    }

    // While a box is open the window behind it takes no click and no key, and
    // the box still answers to its keys. Closing the window ends the program
    // then: the box goes and the handler that asked is unwound.
    void windowBehindTakesNoInputButItsClose_data()
    {
        QTest::addColumn<bool>("input");
        QTest::newRow("message box") << false;
        QTest::newRow("input box") << true;
    }

    void windowBehindTakesNoInputButItsClose()
    {
        QFETCH(bool, input);
        ProgramWindow owner;
        owner.setGeometry(100, 100, 400, 300);
        auto* button = new QPushButton(QStringLiteral("Help"), &owner);
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        owner.show();
        owner.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QtDialogs dialogs;
        dialogs.setEnding([&] { return owner.ended; });
        auto ask = [&] {
            if (input)
                dialogs.inputBox(QStringLiteral("New name:"), QStringLiteral("Dovetab"),
                                 QStringLiteral("old"));
            else
                dialogs.messageBox(QStringLiteral("Failed"), Dialogs::Buttons::Ok,
                                   Dialogs::Icon::Warning, QStringLiteral("Application Error"));
        };

        // Esc still answers the box; the click and the key meant for the window go nowhere.
        whenOpen([&](QWidget* box) {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::keyClick(button, Qt::Key_Space);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ask();
        QCOMPARE(clicks, 0);
        QVERIFY(!openBox());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);

        bool closed = false;
        whenOpen([&](QWidget*) { closed = owner.close(); });
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, ask());
        QVERIFY(closed);
        QVERIFY(!openBox());
        // The program has ended: no further box opens.
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, ask());
    }

    void questionBox()
    {
        QtDialogs dialogs;
        QMessageBox::Icon icon = QMessageBox::Warning;
        whenOpen([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            icon = box->icon();
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(dialogs.messageBox(QStringLiteral("Overwrite?"), Dialogs::Buttons::YesNo,
                                    Dialogs::Icon::None, QStringLiteral("Dovetab")),
                 int(Dialogs::No));
        QCOMPARE(icon, QMessageBox::NoIcon);
        whenOpen([](QWidget* modal) {
            qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(dialogs.messageBox(QStringLiteral("Overwrite?"), Dialogs::Buttons::YesNo,
                                    Dialogs::Icon::None, QStringLiteral("Dovetab")),
                 int(Dialogs::Yes));
        // Escape is No, never Yes.
        whenOpen([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        QCOMPARE(dialogs.messageBox(QStringLiteral("Overwrite?"), Dialogs::Buttons::YesNo,
                                    Dialogs::Icon::None, QStringLiteral("Dovetab")),
                 int(Dialogs::No));
    }

    void inputBox()
    {
        QtDialogs dialogs;
        QString prefilled, title, label;
        whenOpen([&](QWidget* modal) {
            auto* input = qobject_cast<QInputDialog*>(modal);
            QVERIFY(input);
            prefilled = input->textValue();
            title = input->windowTitle();
            label = input->labelText();
            input->setTextValue(QStringLiteral("new_name"));
            input->accept();
        });
        QCOMPARE(dialogs.inputBox(QStringLiteral("New name:"), QStringLiteral("Dovetab"),
                                  QStringLiteral("old_name")),
                 QStringLiteral("new_name"));
        QCOMPARE(prefilled, QStringLiteral("old_name"));
        QCOMPARE(title, QStringLiteral("Dovetab"));
        QCOMPARE(label, QStringLiteral("New name:"));

        whenOpen([](QWidget* modal) { qobject_cast<QInputDialog*>(modal)->reject(); });
        QCOMPARE(dialogs.inputBox(QStringLiteral("New name:"), QStringLiteral("Dovetab"),
                                  QStringLiteral("old_name")),
                 QString());
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_ui_dialogs.moc"
