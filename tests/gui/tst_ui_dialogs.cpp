// The program's real dialogs, driven as a user would.

#include "QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Runs the action on the modal dialog as soon as it is open.
void whenOpen(const std::function<void(QWidget*)>& action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

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
