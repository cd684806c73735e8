#include "ScriptedDialogs.h"
#include "core/AppError.h"
#include "core/ErrorTrap.h"
#include "db/DbError.h"

#include <QTest>
#include <stdexcept>

class TestErrorTrap : public QObject
{
    Q_OBJECT

private slots:
    void reportTextIsExact()
    {
        const QString expected =
            QStringLiteral("Invalid picture\r\nin Velmora2021/08/31.Form1.Form_Load at line 126"
                           "\r\rPlease email screenshot of this message to "
                           "support@harrowick.example");
        QCOMPARE(ErrorTrap::reportText(QStringLiteral("Invalid picture"),
                                       QStringLiteral("Form1.Form_Load"), 126),
                 expected);
    }

    void sqlTailOnlyWhenGiven()
    {
        const QString sql = QStringLiteral("INSERT INTO \"t\" VALUES ('x')");
        const QString text = ErrorTrap::reportText(
            QStringLiteral("boom"), QStringLiteral("Form2.PushButton3_Click"), 118, &sql);
        QVERIFY(text.endsWith(QStringLiteral("support@harrowick.example\r\rsql: ") + sql));
        QVERIFY(!ErrorTrap::reportText(QStringLiteral("boom"), QStringLiteral("X.Y"), 100)
                     .contains(QStringLiteral("sql: ")));
    }

    void reportBoxShowsCaptionIconAndOk()
    {
        ScriptedDialogs dialogs;
        ErrorTrap trap(dialogs, QStringLiteral("Form2.PushButton12_Click"));
        QVERIFY(!trap.step(100, [] { throw AppError(QStringLiteral("Broken")); }));
        QCOMPARE(dialogs.shown().size(), 1);
        const ScriptedDialogs::Shown& box = dialogs.shown().first();
        QCOMPARE(box.caption, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, Dialogs::Icon::Warning);
        QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
        QCOMPARE(box.text, ErrorTrap::reportText(QStringLiteral("Broken"),
                                                 QStringLiteral("Form2.PushButton12_Click"), 100));
    }

    // The driver's message is shown unchanged, whatever kind of failure carried it.
    void descriptionsOfEveryFailureKind()
    {
        ScriptedDialogs dialogs;
        ErrorTrap trap(dialogs, QStringLiteral("Form1.Form_Load"));
        trap.step(100, [] {
            throw DbError(QStringLiteral("[unixODBC]could not connect to server"),
                          QStringLiteral("08001"));
        });
        trap.step(102, [] { throw std::runtime_error("plain failure"); });
        const QStringList reports = dialogs.errorReports();
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports[0].startsWith(QStringLiteral("[unixODBC]could not connect to server\r\n")));
        QVERIFY(reports[0].contains(QStringLiteral("Form_Load at line 100\r\r")));
        QVERIFY(reports[1].startsWith(QStringLiteral("plain failure\r\n")));
        QVERIFY(reports[1].contains(QStringLiteral("Form_Load at line 102\r\r")));
        QCOMPARE(trap.reportCount(), 2);
    }

    // Resume rule: after a report the handler goes on with its next step.
    void resumeRule()
    {
        ScriptedDialogs dialogs;
        ErrorTrap trap(dialogs, QStringLiteral("Form2.Form_Load"));
        QStringList ran;
        QString target = QStringLiteral("before");

        trap.step(100, [&] {
            ran << QStringLiteral("100");
            throw AppError(QStringLiteral("first"));
        });
        // A failed assignment leaves its target as it was.
        QVERIFY(!trap.assign(102, target,
                             [&]() -> QString { throw AppError(QStringLiteral("second")); }));
        QCOMPARE(target, QStringLiteral("before"));
        QVERIFY(trap.assign(104, target, [] { return QStringLiteral("after"); }));
        QCOMPARE(target, QStringLiteral("after"));

        // A failed condition counts as satisfied; a false one is simply false.
        const bool failed =
            trap.condition(106, []() -> bool { throw AppError(QStringLiteral("c")); });
        QVERIFY(failed);
        QVERIFY(!trap.condition(108, [] { return false; }));

        // A failure in a loop body goes on with the loop.
        for (int i = 0; i < 3; ++i)
            trap.step(110, [&] {
                if (i == 1)
                    throw AppError(QStringLiteral("loop"));
                ran << QStringLiteral("110:%1").arg(i);
            });
        QCOMPARE(ran, (QStringList{"100", "110:0", "110:2"}));

        QStringList steps;
        for (const QString& report : dialogs.errorReports())
            steps << report.section(QStringLiteral("at line "), 1).section(QLatin1Char('\r'), 0, 0);
        QCOMPARE(steps, (QStringList{"100", "102", "106", "110"}));
    }

    // Closing the window unwinds the handler without a report.
    void handlerAbortedPassesThrough()
    {
        ScriptedDialogs dialogs;
        ErrorTrap trap(dialogs, QStringLiteral("Form2.PushButton3_Click"));
        bool thrown = false;
        try {
            trap.step(100, [] { throw HandlerAborted{}; });
        } catch (const HandlerAborted&) {
            thrown = true;
        }
        QVERIFY(thrown);
        thrown = false;
        try {
            trap.condition(102, []() -> bool { throw HandlerAborted{}; });
        } catch (const HandlerAborted&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QVERIFY(dialogs.shown().isEmpty());
    }

    void sqlTextAsItStandsAtTheFailure()
    {
        ScriptedDialogs dialogs;
        ErrorTrap trap(dialogs, QStringLiteral("Form2.PushButton4_Click"));
        QString statement = QStringLiteral("CREATE TABLE \"a\" (x int)");
        trap.setSqlText(&statement);
        statement = QStringLiteral("INSERT INTO \"a\" VALUES (1)");
        trap.step(120, [] { throw AppError(QStringLiteral("no")); });
        QVERIFY(dialogs.errorReports().value(0).endsWith(
            QStringLiteral("\r\rsql: INSERT INTO \"a\" VALUES (1)")));
    }
};

QTEST_GUILESS_MAIN(TestErrorTrap)
#include "tst_core_errortrap.moc"
