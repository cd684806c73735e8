#pragma once

#include "core/Dialogs.h"

#include <QString>
#include <functional>

// Thrown by a yield while the window is being closed: it unwinds the running
// handler (releasing its connections) and is never reported. Deliberately not a
// std::exception, so that nothing that reports failures can swallow it.
struct HandlerAborted
{
};

// The common error trap of every click handler and window load. A handler names
// itself ("Form2.PushButton3_Click") and runs its numbered steps through the
// trap. A failing step shows the error report (caption "Application Error",
// warning icon, OK) and the handler goes on with its next step:
//  - step():      a failed action has no further effect;
//  - assign():    a failed assignment leaves its target as it was;
//  - condition(): a failed test counts as satisfied (returns true).
// HandlerAborted passes through untouched.
class ErrorTrap
{
public:
    static const QString SupportAddress;
    static const QString Caption; // "Application Error"

    ErrorTrap(Dialogs& dialogs, const QString& handlerName);

    // The transfer handlers point the trap at their statement text; every report
    // then ends with two carriage returns, "sql: " and that text as it stands.
    void setSqlText(const QString* statementText) { m_sql = statementText; }

    // Templates rather than std::function: a send runs a dozen steps per row, and
    // wrapping each action would cost an allocation.
    template <class Action> bool step(int number, Action&& action)
    {
        try {
            action();
            return true;
        } catch (const HandlerAborted&) {
            throw;
        } catch (...) {
            reportCurrent(number);
        }
        return false;
    }
    template <class Test> bool condition(int number, Test&& test)
    {
        bool result = true; // a failed test counts as satisfied
        step(number, [&] { result = test(); });
        return result;
    }
    template <class T, class Producer> bool assign(int number, T& target, Producer&& producer)
    {
        return step(number, [&] { target = producer(); });
    }

    // Shows the report for a failure that the caller caught itself.
    void report(int number, const QString& description);

    int reportCount() const noexcept { return m_reports; }

    // The report text: description, CR LF, "in Velmora2021/08/31.<handler> ",
    // "at line <n>", CR CR, the support line [, CR CR, "sql: " and the text].
    static QString reportText(const QString& description, const QString& handlerName, int number,
                              const QString* sqlText = nullptr);

private:
    // Reports the exception being handled as the failure of step number; passes on
    // what is no failure a step reports.
    void reportCurrent(int number);

    Dialogs& m_dialogs;
    QString m_handler;
    const QString* m_sql = nullptr;
    int m_reports = 0;
};
