#pragma once

// Shared by the transfer tests: the fake tables window with a fresh PostgreSQL
// database and a fresh DB2 stand-in database per test, the two sends, and the
// tables the tests fill.

#include "ErrorReports.h"
#include "FakeTablesWindow.h"
#include "TestEnv.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "db/SqlText.h"
#include "transfer/Transfer.h"

#include <QStringList>
#include <QTest>
#include <QVector>

namespace TransferFixture {

inline QString quoted(const QString& name)
{
    return SqlText::quotedName(name);
}

// The side a transfer toward the target reads from.
inline Side sourceOf(Side target)
{
    return target == Side::IbmDb2 ? Side::PostgreSQL : Side::IbmDb2;
}

class Window : public FakeTablesWindow
{
public:
    // Fresh databases on both sides, the lists still empty.
    explicit Window(const QString& baseName)
    {
        createDatabase(Side::PostgreSQL, baseName);
        createDatabase(Side::IbmDb2, baseName);
    }

    // Presses the send button toward the target side.
    void send(Side target)
    {
        TablesWindowContext window = context();
        if (target == Side::IbmDb2)
            Transfer::SendToIbmDb2(window);
        else
            Transfer::SendToPostgreSQL(window);
    }
};

// The step numbers of the reports shown, -1 for one of a handler other than
// the send toward the target.
inline QVector<int> sendSteps(const ScriptedDialogs& dialogs, Side target)
{
    return reportSteps(dialogs, HandlerName::sendTo(target));
}
inline int sendStep(const QString& report, Side target)
{
    return reportStep(report, HandlerName::sendTo(target));
}

// Adds one row per send button to a data-driven test (column "target").
inline void addTargetRows()
{
    QTest::addColumn<Side>("target");
    QTest::newRow("to IBM DB2") << Side::IbmDb2;
    QTest::newRow("to PostgreSQL") << Side::PostgreSQL;
}

// A table of an ID and a NAME column, and the same with rows 1 to n ("row n").
inline QString table(const QString& name)
{
    return QStringLiteral(R"(CREATE TABLE %1 ("ID" INTEGER, "NAME" VARCHAR(40)))")
        .arg(quoted(name));
}
inline QStringList tableWithRows(const QString& name, int rows)
{
    QStringList statements{table(name)};
    for (int r = 1; r <= rows; ++r)
        statements
            << QStringLiteral("INSERT INTO %1 VALUES (%2, 'row %2')").arg(quoted(name)).arg(r);
    return statements;
}

} // namespace TransferFixture
