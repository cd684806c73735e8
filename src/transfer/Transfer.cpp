#include "transfer/Transfer.h"
#include "core/PointerState.h"

#include "core/AppError.h"
#include "core/ErrorTrap.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "db/BlockingCall.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"
#include "db/SqlText.h"
#include "transfer/TransferStatements.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>

namespace Transfer {

namespace {

int clampedRowCount(long long count)
{
    return static_cast<int>(std::clamp<long long>(count, INT_MIN, INT_MAX));
}

// (r + 1) / count x 100 after row r. Rows beyond the count (the table grew while
// it was read) keep the bar at 100.
double progressAfterRow(long long r, int rowCount)
{
    if (rowCount <= 0)
        return 100.0;
    return std::min(static_cast<double>(r + 1) / static_cast<double>(rowCount) * 100.0, 100.0);
}

// One run of a transfer handler: its trap, its three objects and what it keeps
// from one table to the next. The handlers create, open and close the objects;
// the shared parts below only use them.
struct Run
{
    Run(TablesWindowContext& context, Side to, NameList& from, NameList& into)
        : window(context), targetSide(to), sourceList(from), targetList(into),
          trap(context.dialogs, HandlerName::sendTo(to))
    {
        trap.setSqlText(&sql);
    }

    Connection& source() const { return createdObject(sourceObject); }
    Connection& target() const { return createdObject(targetObject); }
    Recordset& recordset() const { return createdObject(recordsetObject); }
    void yield() const
    {
        if (window.yield)
            window.yield();
    }
    void setPointer(int pointer) const
    {
        if (window.setPointer)
            window.setPointer(pointer);
    }

    TablesWindowContext& window;
    const Side targetSide;
    NameList& sourceList;
    NameList& targetList;
    ErrorTrap trap;

    // Released in reverse order of declaration, whichever way the run ends: the
    // recordset before the connections.
    std::unique_ptr<Connection> sourceObject;
    std::unique_ptr<Connection> targetObject;
    std::unique_ptr<Recordset> recordsetObject;

    // The text the error reports show; it keeps the last CREATE TABLE or INSERT
    // text until the next one is started.
    QString sql;
    // The current table's name; counts keep their last value when reading them fails.
    QString tableName;
    // How values are written toward the target; learned when it opens.
    LiteralForm literals = LiteralForm::Standard;
    int fieldCount = 0;
    int rowCount = 0;
};

void showMessage(const Run& run, const QString& text)
{
    run.window.dialogs.messageBox(text, Dialogs::Buttons::Ok, Dialogs::Icon::None,
                                  Main::AppTitle());
}

// Throws when a name or value from the source cannot go into a statement toward
// the target; the report names it (subject with the name for %1), says why and
// what is left out. Nothing is formatted for a text that can go.
void refuseUnsendable(const Run& run, QStringView text, const char* subject, const QString& name,
                      const char* consequence)
{
    const QString reason = unsendableReason(run.targetSide, text);
    if (!reason.isEmpty())
        throw AppError(QString::fromLatin1(subject).arg(shownText(name)) + QLatin1Char(' ') +
                       reason + QStringLiteral("; ") + QLatin1String(consequence) +
                       QLatin1Char('.'));
}

// Steps 128 to 138, the same in both directions. When the target list shows the
// table's name in any case, asks whether to overwrite it, naming it as that list
// shows it (with several matches the last one wins); the table name then keeps
// that form. Gives the answer, 0 when there was no question.
int askOverwrite(Run& run)
{
    ErrorTrap& trap = run.trap;
    int answer = 0;
    if (trap.condition(128,
                       [&] { return Main::ListContainsName(run.targetList, run.tableName); })) {
        int targetCount = 0;
        trap.assign(130, targetCount, [&] { return run.targetList.count(); });
        for (int j = 0; j < targetCount; ++j) {
            if (trap.condition(132, [&] {
                    return run.tableName.toLower() == run.targetList.text(j).toLower();
                })) {
                trap.assign(134, run.tableName, [&] { return run.targetList.text(j); });
            }
        }
        // A question that could not be asked must not reuse an earlier Yes.
        answer = Dialogs::No;
        trap.assign(138, answer, [&] {
            return run.window.dialogs.messageBox(QStringLiteral("Would you like to overwrite ") +
                                                     run.tableName + QStringLiteral("?"),
                                                 Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                                                 QStringLiteral("Overwrite?"));
        });
    }
    return answer;
}

// Step 124: the table name becomes the text of source entry i. A name that
// cannot go into a statement is reported there and the table is left out; so is
// one that cannot be read, which would otherwise stand in for the previous table's.
bool takeTableName(Run& run, int i)
{
    return run.trap.assign(124, run.tableName, [&] {
        const QString name = run.sourceList.text(i);
        refuseUnsendable(run, name, "The name of table \"%1\"", name, "the table is not sent");
        return name;
    });
}

// The steps of the CREATE TABLE text whose numbers differ by direction; each
// handler names them where it passes them.
struct CreateSteps
{
    int columnLoop = 0;  // the column count, and the loop over the columns
    int columnYield = 0; // a yield per column
    int columnName = 0;  // the column's name, checked
    int columnType = 0;  // its type name
    int execute = 0;     // the CREATE TABLE statement
};

// Builds the CREATE TABLE text from the open recordset's columns and executes it
// on the target. On the answer Yes the target table is dropped (step 146, and its
// entry removed at 148) just before: only once the source was opened and every
// column described, so that a source that cannot be read leaves the table there.
// Gives true when the table was created.
bool createTargetTable(Run& run, const CreateSteps& steps, bool sourceOpened, int answer,
                       const QString& targetName)
{
    ErrorTrap& trap = run.trap;
    beginCreateTable(run.sql, run.tableName);
    // Columns that cannot be counted or described leave the text incomplete; it is
    // not sent, so no table with other columns than the source's comes about.
    bool complete = trap.assign(steps.columnLoop, run.fieldCount,
                                [&] { return run.recordset().fields().count(); });
    QString typeName;
    for (int k = 0; k < run.fieldCount && complete; ++k) {
        trap.step(steps.columnYield, [&] { run.yield(); });
        QString columnName;
        complete = trap.step(steps.columnName, [&] {
            columnName = run.recordset().fields()[k].name();
            refuseUnsendable(run, columnName, "The name of column \"%1\"", columnName,
                             "the table is not created");
        }) && trap.assign(steps.columnType, typeName, [&] {
            return columnTypeName(run.recordset().fields()[k].type());
        });
        if (complete)
            appendColumnClause(run.sql, columnName, columnTypeText(run.targetSide, typeName));
    }
    endCreateTable(run.sql, run.targetSide);
    if (!complete)
        return false;
    if (answer == Dialogs::Yes && sourceOpened) {
        // The entry goes only with the table.
        if (trap.step(146, [&] { run.target().execute(SqlText::dropTableStatement(targetName)); }))
            trap.step(148, [&] { Main::ListRemoveName(run.targetList, targetName); });
    }
    return trap.step(steps.execute, [&] { run.target().execute(run.sql); });
}

// The steps of the row loop whose numbers differ by direction; each handler names
// them where it passes them.
struct RowSteps
{
    int rowCount = 0;      // the recordset's row count
    int rowLoop = 0;       // the end-of-rows test
    int rowYield = 0;      // a yield per row
    int progressValue = 0; // the progress bar after the row
    int valueYield = 0;    // a yield per value
    int valueText = 0;     // the value into the INSERT text, checked
    int execute = 0;       // the INSERT statement
    int moveNext = 0;      // the move to the next row
};

// Sends one INSERT per row of the open recordset, moving the progress bar.
void copyRows(Run& run, const RowSteps& steps)
{
    ErrorTrap& trap = run.trap;
    trap.assign(steps.rowCount, run.rowCount,
                [&] { return clampedRowCount(run.recordset().recordCount()); });
    const QString head = insertHead(run.tableName);
    // Every row read is copied, also when there are more than the count said.
    for (long long r = 0;; ++r) {
        bool atEnd = true;
        if (!trap.step(steps.rowLoop, [&] { atEnd = run.recordset().eof(); }) || atEnd)
            break;
        trap.step(steps.rowYield, [&] { run.yield(); });
        trap.step(steps.progressValue,
                  [&] { run.window.progress.setValue(progressAfterRow(r, run.rowCount)); });

        beginInsert(run.sql, head);
        bool complete = true;
        for (int m = 0; m < run.fieldCount && complete; ++m) {
            trap.step(steps.valueYield, [&] { run.yield(); });
            // A value that cannot be read keeps the row from being sent with a
            // wrong or missing value.
            complete = trap.step(steps.valueText, [&] {
                const Field& field = run.recordset().fields()[m];
                const Value value = field.value();
                refuseUnsendable(run, value ? QStringView(*value) : QStringView(),
                                 "The value of column \"%1\"", field.name(), "the row is not sent");
                appendValue(run.sql, value, run.literals);
            });
        }
        if (complete)
            endInsert(run.sql);
        // The INSERT and the move to the next row go to the driver together, in one
        // hand-over to the driver's thread; each step then reports its own failure.
        std::exception_ptr executeFailure, moveFailure;
        BlockingCall::run([&] {
            try {
                if (complete)
                    run.target().execute(run.sql);
            } catch (...) {
                executeFailure = std::current_exception();
            }
            try {
                run.recordset().moveNext();
            } catch (...) {
                moveFailure = std::current_exception();
            }
        });
        const auto rethrow = [](const std::exception_ptr& failure) {
            if (failure)
                std::rethrow_exception(failure);
        };
        if (complete)
            trap.step(steps.execute, [&] { rethrow(executeFailure); });
        // A recordset that cannot move on would give the same row again and again.
        if (!trap.step(steps.moveNext, [&] { rethrow(moveFailure); }))
            break;
    }
}

void restProgressBar(const Run& run)
{
    run.window.progress.setValue(0);
    run.window.progress.setText(QStringLiteral("Progress Bar"));
}

// A table whose drop failed although it was not there keeps its entry; the name
// is not listed twice.
void addTargetEntry(Run& run)
{
    for (int j = 0; j < run.targetList.count(); ++j) {
        if (run.targetList.text(j) == run.tableName)
            return;
    }
    run.targetList.addItem(run.tableName);
}

} // namespace

void SendToIbmDb2(TablesWindowContext& window)
{
    Run run(window, Side::IbmDb2, window.postgresList, window.db2List);
    ErrorTrap& trap = run.trap;

    trap.step(100, [&] { run.sourceObject = std::make_unique<Connection>(); });
    trap.step(102, [&] { run.recordsetObject = std::make_unique<Recordset>(); });
    trap.step(104, [&] { run.targetObject = std::make_unique<Connection>(); });

    if (trap.condition(106, [&] { return run.sourceList.currentIndex() == -1; })) {
        trap.step(282, [&] { showMessage(run, QStringLiteral("Please select a table")); });
        return;
    }

    trap.step(108, [&] { run.setPointer(PointerState::Hourglass); });
    trap.step(110, [&] { run.target().setCursorLocation(Connection::ServerSide); });
    trap.step(112, [&] { run.target().open(IBMDB2::ConnectionString(window.db2Profile())); });
    trap.step(114, [&] { run.source().setCursorLocation(Connection::ClientSide); });
    trap.step(116, [&] {
        run.source().open(PostgreSQL::SourceConnectionString(window.postgresProfile()));
    });

    // Last entry first.
    int entryCount = 0;
    trap.assign(118, entryCount, [&] { return run.sourceList.count(); });
    for (int i = entryCount - 1; i >= 0; --i) {
        trap.step(120, [&] { run.yield(); });
        if (trap.condition(122, [&] { return !run.sourceList.isSelected(i); }))
            continue;
        if (!takeTableName(run, i))
            continue;
        const QString sourceName = run.tableName;
        const int answer = askOverwrite(run);
        if (answer == Dialogs::No)
            continue;
        const QString targetName = run.tableName;
        run.tableName = sourceName;

        const bool opened = trap.step(152, [&] {
            run.recordset().open(readStatement(run.sourceList.text(i)), run.source(),
                                 Recordset::StaticCursor, Recordset::OptimisticLock);
        });
        CreateSteps create;
        create.columnLoop = 156;
        create.columnYield = 158;
        create.columnName = 160;
        create.columnType = 162;
        create.execute = 214;
        // Rows go only into a table this run created: after a failed CREATE TABLE
        // they would land in whatever object holds the name.
        const bool created = createTargetTable(run, create, opened, answer, targetName);
        RowSteps rows;
        rows.rowCount = 222;
        rows.rowLoop = 224;
        rows.rowYield = 226;
        rows.progressValue = 228;
        rows.valueYield = 234;
        rows.valueText = 236;
        rows.execute = 256;
        rows.moveNext = 258;
        if (created)
            copyRows(run, rows);
        trap.step(260, [&] { run.setPointer(PointerState::Default); });
        trap.step(262, [&] { restProgressBar(run); });
        trap.step(264, [&] { run.recordset().close(); });
        if (created)
            trap.step(266, [&] { addTargetEntry(run); });
    }

    trap.step(276, [&] { run.source().close(); });
    trap.step(278, [&] { run.target().close(); });
    trap.step(280, [&] { run.setPointer(PointerState::Default); });
}

void SendToPostgreSQL(TablesWindowContext& window)
{
    Run run(window, Side::PostgreSQL, window.db2List, window.postgresList);
    ErrorTrap& trap = run.trap;

    trap.step(100, [&] { run.targetObject = std::make_unique<Connection>(); });
    trap.step(102, [&] { run.sourceObject = std::make_unique<Connection>(); });
    trap.step(104, [&] { run.recordsetObject = std::make_unique<Recordset>(); });

    if (trap.condition(108, [&] { return run.sourceList.currentIndex() == -1; })) {
        trap.step(276, [&] { showMessage(run, QStringLiteral("Please select a table to send.")); });
        return;
    }

    trap.step(110, [&] { run.setPointer(PointerState::Hourglass); });
    trap.step(112, [&] { run.source().setCursorLocation(Connection::ClientSide); });
    trap.step(114, [&] { run.source().open(IBMDB2::ConnectionString(window.db2Profile())); });
    trap.step(116, [&] { run.target().setCursorLocation(Connection::ServerSide); });
    trap.step(118, [&] {
        // Escape strings read the same whatever the server's setting; the plain form
        // is kept where the server reads backslashes as plain characters.
        run.literals = LiteralForm::Escape;
        run.target().open(PostgreSQL::SessionConnectionString(window.postgresProfile()));
        if (PostgreSQL::StandardConformingStrings(run.target()))
            run.literals = LiteralForm::Standard;
    });

    // Last entry first, with no yield between the entries.
    int entryCount = 0;
    trap.assign(120, entryCount, [&] { return run.sourceList.count(); });
    for (int i = entryCount - 1; i >= 0; --i) {
        if (trap.condition(122, [&] { return !run.sourceList.isSelected(i); }))
            continue;
        if (!takeTableName(run, i))
            continue;
        const QString sourceName = run.tableName;
        const int answer = askOverwrite(run);
        if (answer == Dialogs::No)
            continue;
        const QString targetName = run.tableName;
        run.tableName = sourceName;

        // Only an open recordset is closed, so a failed open is reported once.
        trap.step(152, [&] {
            if (run.recordset().state() != ObjectState::Closed)
                run.recordset().close();
        });
        const bool opened = trap.step(
            154, [&] { run.recordset().open(readStatement(run.tableName), run.source()); });
        CreateSteps create;
        create.columnLoop = 158;
        create.columnYield = 160;
        create.columnName = 162;
        create.columnType = 164;
        create.execute = 208;
        const bool created = createTargetTable(run, create, opened, answer, targetName);
        RowSteps rows;
        rows.rowCount = 216;
        rows.rowLoop = 218;
        rows.rowYield = 220;
        rows.progressValue = 222;
        rows.valueYield = 228;
        rows.valueText = 230;
        rows.execute = 250;
        rows.moveNext = 252;
        if (created)
            copyRows(run, rows);
        trap.step(254, [&] { run.setPointer(PointerState::Default); });
        trap.step(256, [&] { restProgressBar(run); });
        trap.step(258, [&] {
            if (run.recordset().state() != ObjectState::Closed)
                run.recordset().close();
        });
        if (created)
            trap.step(260, [&] { addTargetEntry(run); });
    }

    trap.step(270, [&] { run.setPointer(PointerState::Default); });
    trap.step(272, [&] { run.source().close(); });
    trap.step(274, [&] { run.target().close(); });
}

} // namespace Transfer
