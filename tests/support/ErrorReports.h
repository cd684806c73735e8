#pragma once

// Reading the error reports the handlers show, and catching what an action throws.

#include "ScriptedDialogs.h"
#include "db/DbError.h"

#include <QString>
#include <QTest>
#include <QVector>
#include <functional>
#include <stdexcept>

// A report names where it failed in a line of its own: CR LF, "in <title>.<handler>
// at line <step>", CR CR (e.g. handler "Form2.PushButton3_Click").

// The handler a report names, or a null text when it names none.
QString reportHandler(const QString& report);
// The step number a report names, or -1; with a handler given, also -1 when
// the report names another handler.
int reportStep(const QString& report, const QString& handler = QString());
// The step numbers of the error reports shown, in order (as reportStep).
QVector<int> reportSteps(const ScriptedDialogs& dialogs, const QString& handler = QString());
// The statement text after "sql: ", or a null text when the report has none.
QString reportSql(const QString& report);

// Runs the action and returns the exception of type E it throws; fails the test
// when it throws none.
template <class E = DbError> E thrownBy(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error;
    }
    QTest::qFail("the action threw nothing", __FILE__, __LINE__);
    throw std::runtime_error("the action threw nothing");
}
