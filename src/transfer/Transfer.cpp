#include "transfer/Transfer.h"
#include "core/PointerState.h"

#include "core/AppError.h"
#include "core/ErrorTrap.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"
#include "db/SqlText.h"
#include "transfer/TransferStatements.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace Transfer {

namespace {

// The step numbers that each direction's error reports show, and the few points
// where the two directions go different ways. Steps that cannot fail (string
// assembly, comparisons of local values) have no entry.
struct Direction
{
    QString handlerName;
    Side target;
    QString noCurrentEntryMessage;
    bool targetCreatedFirst;    // target connection, source connection, recordset
    bool sourceOpenedFirst;     // the source connection is opened before the target
    bool pointerBeforeClose;    // the pointer goes back before the connections close
    bool yieldPerEntry;         // yield at the top of the table loop
    bool checkedRecordsetClose; // close the recordset only when it is open
    bool rereadEntryForSelect;  // the SELECT names the list entry, read again

    int createFirst, createSecond, createThird; // objects, in creation order
    int noCurrentEntry, noCurrentEntryShown;
    int hourglass;
    int firstCursor, firstOpen, secondCursor, secondOpen;
    int tableLoop, entryYield, selectedTest, tableName;
    int containsTest, nameLoop, nameCompare, nameFromList, question;
    int drop, removeEntry;
    int closeBeforeOpen, openRecordset;
    int columnLoop, columnYield, columnName, columnType, createExecute;
    int rowCount, rowLoop, rowYield, progressValue, valueYield, valueText;
    int insertExecute, moveNext, rowsDone, progressRest, closeRecordset, addEntry;
    int pointerAtEnd, closeSource, closeTarget;
};

Direction toIbmDb2()
{
    Direction d;
    d.handlerName = HandlerName::sendTo(Side::IbmDb2);
    d.target = Side::IbmDb2;
    d.noCurrentEntryMessage = QStringLiteral("Please select a table");
    d.targetCreatedFirst = false;
    d.sourceOpenedFirst = false;
    d.pointerBeforeClose = false;
    d.yieldPerEntry = true;
    d.checkedRecordsetClose = false;
    d.rereadEntryForSelect = true;
    // Source connection, recordset, target connection.
    d.createFirst = 100, d.createSecond = 102, d.createThird = 104;
    d.noCurrentEntry = 106, d.noCurrentEntryShown = 282;
    d.hourglass = 108;
    d.firstCursor = 110, d.firstOpen = 112, d.secondCursor = 114, d.secondOpen = 116;
    d.tableLoop = 118, d.entryYield = 120, d.selectedTest = 122;
    d.tableName = 124;
    d.containsTest = 128, d.nameLoop = 130, d.nameCompare = 132, d.nameFromList = 134;
    d.question = 138;
    d.drop = 146, d.removeEntry = 148;
    d.closeBeforeOpen = 0, d.openRecordset = 152;
    d.columnLoop = 156, d.columnYield = 158, d.columnName = 160;
    d.columnType = 162, d.createExecute = 214;
    d.rowCount = 222, d.rowLoop = 224, d.rowYield = 226, d.progressValue = 228;
    d.valueYield = 234, d.valueText = 236;
    d.insertExecute = 256, d.moveNext = 258, d.rowsDone = 260;
    d.progressRest = 262, d.closeRecordset = 264, d.addEntry = 266;
    d.closeSource = 276, d.closeTarget = 278, d.pointerAtEnd = 280;
    return d;
}

Direction toPostgreSql()
{
    Direction d;
    d.handlerName = HandlerName::sendTo(Side::PostgreSQL);
    d.target = Side::PostgreSQL;
    d.noCurrentEntryMessage = QStringLiteral("Please select a table to send.");
    d.targetCreatedFirst = true;
    d.sourceOpenedFirst = true;
    d.pointerBeforeClose = true;
    d.yieldPerEntry = false;
    d.checkedRecordsetClose = true;
    d.rereadEntryForSelect = false;
    // Target connection, source connection, recordset.
    d.createFirst = 100, d.createSecond = 102, d.createThird = 104;
    d.noCurrentEntry = 108, d.noCurrentEntryShown = 276;
    d.hourglass = 110;
    d.firstCursor = 112, d.firstOpen = 114, d.secondCursor = 116, d.secondOpen = 118;
    d.tableLoop = 120, d.entryYield = 0, d.selectedTest = 122;
    d.tableName = 124;
    d.containsTest = 128, d.nameLoop = 130, d.nameCompare = 132, d.nameFromList = 134;
    d.question = 138;
    d.drop = 146, d.removeEntry = 148;
    d.closeBeforeOpen = 152, d.openRecordset = 154;
    d.columnLoop = 158, d.columnYield = 160, d.columnName = 162;
    d.columnType = 164, d.createExecute = 208;
    d.rowCount = 216, d.rowLoop = 218, d.rowYield = 220, d.progressValue = 222;
    d.valueYield = 228, d.valueText = 230;
    d.insertExecute = 250, d.moveNext = 252, d.rowsDone = 254;
    d.progressRest = 256, d.closeRecordset = 258, d.addEntry = 260;
    d.pointerAtEnd = 270, d.closeSource = 272, d.closeTarget = 274;
    return d;
}

// An object whose creation failed is reported where it is used, step by step.
template <class T> T& object(const std::unique_ptr<T>& created)
{
    if (!created)
        throw AppError(QStringLiteral("The database object was not created."));
    return *created;
}

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

class TableSender
{
public:
    TableSender(TablesWindowContext& window, const Direction& direction)
        : m_window(window), m_d(direction), m_trap(window.dialogs, direction.handlerName),
          m_sourceList(direction.target == Side::IbmDb2 ? window.postgresList : window.db2List),
          m_targetList(direction.target == Side::IbmDb2 ? window.db2List : window.postgresList)
    {
        m_trap.setSqlText(&m_statementText);
    }

    void run();

private:
    void sendTable(int i);
    bool createTargetTable();
    void copyRows();

    void yield()
    {
        if (m_window.yield)
            m_window.yield();
    }
    void setPointer(int pointer)
    {
        if (m_window.setPointer)
            m_window.setPointer(pointer);
    }
    Connection& source() { return object(m_source); }
    Connection& target() { return object(m_target); }
    Recordset& recordset() { return object(m_recordset); }

    TablesWindowContext& m_window;
    const Direction& m_d;
    ErrorTrap m_trap;
    NameList& m_sourceList;
    NameList& m_targetList;

    // Released in reverse order of declaration, whichever way the run ends: the
    // recordset before the connections.
    std::unique_ptr<Connection> m_source;
    std::unique_ptr<Connection> m_target;
    std::unique_ptr<Recordset> m_recordset;

    // The text the error reports show; it keeps the last CREATE TABLE or INSERT
    // text until the next one is started.
    QString m_statementText;
    QString m_tableName;
    QString m_sourceName;
    int m_answer = 0;
    // Counts keep their last value when reading them fails.
    int m_entryCount = 0;
    int m_fieldCount = 0;
    int m_rowCount = 0;
};

void TableSender::run()
{
    const auto createSource = [&] { m_source = std::make_unique<Connection>(); };
    const auto createTarget = [&] { m_target = std::make_unique<Connection>(); };
    const auto createRecordset = [&] { m_recordset = std::make_unique<Recordset>(); };
    if (m_d.targetCreatedFirst) {
        m_trap.step(m_d.createFirst, createTarget);
        m_trap.step(m_d.createSecond, createSource);
        m_trap.step(m_d.createThird, createRecordset);
    } else {
        m_trap.step(m_d.createFirst, createSource);
        m_trap.step(m_d.createSecond, createRecordset);
        m_trap.step(m_d.createThird, createTarget);
    }

    if (m_trap.condition(m_d.noCurrentEntry, [&] { return m_sourceList.currentIndex() == -1; })) {
        m_trap.step(m_d.noCurrentEntryShown, [&] {
            m_window.dialogs.messageBox(m_d.noCurrentEntryMessage, Dialogs::Buttons::Ok,
                                        Dialogs::Icon::None, Main::AppTitle());
        });
        return;
    }

    m_trap.step(m_d.hourglass, [&] { setPointer(PointerState::Hourglass); });

    const auto openSource = [&] {
        m_trap.step(m_d.sourceOpenedFirst ? m_d.firstCursor : m_d.secondCursor,
                    [&] { source().setCursorLocation(Connection::ClientSide); });
        m_trap.step(m_d.sourceOpenedFirst ? m_d.firstOpen : m_d.secondOpen, [&] {
            const QString connectionString =
                m_d.target == Side::IbmDb2
                    ? PostgreSQL::SourceConnectionString(m_window.postgresProfile())
                    : IBMDB2::ConnectionString(m_window.db2Profile());
            source().open(connectionString);
        });
    };
    const auto openTarget = [&] {
        m_trap.step(m_d.sourceOpenedFirst ? m_d.secondCursor : m_d.firstCursor,
                    [&] { target().setCursorLocation(Connection::ServerSide); });
        m_trap.step(m_d.sourceOpenedFirst ? m_d.secondOpen : m_d.firstOpen, [&] {
            const QString connectionString =
                m_d.target == Side::IbmDb2
                    ? IBMDB2::ConnectionString(m_window.db2Profile())
                    : PostgreSQL::SessionConnectionString(m_window.postgresProfile());
            target().open(connectionString);
        });
    };
    if (m_d.sourceOpenedFirst) {
        openSource();
        openTarget();
    } else {
        openTarget();
        openSource();
    }

    // Last entry first.
    m_trap.assign(m_d.tableLoop, m_entryCount, [&] { return m_sourceList.count(); });
    for (int i = m_entryCount - 1; i >= 0; --i)
        sendTable(i);

    const auto closeConnections = [&] {
        m_trap.step(m_d.closeSource, [&] { source().close(); });
        m_trap.step(m_d.closeTarget, [&] { target().close(); });
    };
    if (m_d.pointerBeforeClose) {
        m_trap.step(m_d.pointerAtEnd, [&] { setPointer(PointerState::Default); });
        closeConnections();
    } else {
        closeConnections();
        m_trap.step(m_d.pointerAtEnd, [&] { setPointer(PointerState::Default); });
    }
}

void TableSender::sendTable(int i)
{
    if (m_d.yieldPerEntry)
        m_trap.step(m_d.entryYield, [&] { yield(); });
    if (m_trap.condition(m_d.selectedTest, [&] { return !m_sourceList.isSelected(i); }))
        return;

    m_trap.assign(m_d.tableName, m_tableName, [&] { return m_sourceList.text(i); });
    m_sourceName = m_tableName;

    if (m_trap.condition(m_d.containsTest,
                         [&] { return Main::ListContainsName(m_targetList, m_tableName); })) {
        // Ask with the name as the target list shows it; with several matches the
        // last one wins.
        int targetCount = 0;
        m_trap.assign(m_d.nameLoop, targetCount, [&] { return m_targetList.count(); });
        for (int j = 0; j < targetCount; ++j) {
            if (m_trap.condition(m_d.nameCompare, [&] {
                    return m_tableName.toLower() == m_targetList.text(j).toLower();
                })) {
                m_trap.assign(m_d.nameFromList, m_tableName, [&] { return m_targetList.text(j); });
            }
        }
        // A question that could not be asked must not reuse an earlier Yes.
        m_answer = Dialogs::No;
        m_trap.assign(m_d.question, m_answer, [&] {
            return m_window.dialogs.messageBox(
                QStringLiteral("Would you like to overwrite ") + m_tableName + QStringLiteral("?"),
                Dialogs::Buttons::YesNo, Dialogs::Icon::None, QStringLiteral("Overwrite?"));
        });
    } else {
        m_answer = 0;
    }

    if (m_answer == Dialogs::No)
        return;
    if (m_answer == Dialogs::Yes) {
        // The entry goes only with the table.
        if (m_trap.step(m_d.drop,
                        [&] { target().execute(SqlText::dropTableStatement(m_tableName)); }))
            m_trap.step(m_d.removeEntry, [&] { Main::ListRemoveName(m_targetList, m_tableName); });
    }
    m_tableName = m_sourceName;

    if (m_d.checkedRecordsetClose) {
        m_trap.step(m_d.closeBeforeOpen, [&] {
            if (recordset().state() != 0)
                recordset().close();
        });
    }
    m_trap.step(m_d.openRecordset, [&] {
        if (m_d.rereadEntryForSelect)
            recordset().open(readStatement(m_sourceList.text(i)), source(), 3, 3);
        else
            recordset().open(readStatement(m_tableName), source());
    });

    // Rows go only into a table this run created: after a failed CREATE TABLE they
    // would land in whatever object holds the name.
    const bool created = createTargetTable();
    if (created)
        copyRows();
    m_trap.step(m_d.rowsDone, [&] { setPointer(PointerState::Default); });

    m_trap.step(m_d.progressRest, [&] {
        m_window.progress.setValue(0);
        m_window.progress.setText(QStringLiteral("Progress Bar"));
    });
    m_trap.step(m_d.closeRecordset, [&] {
        if (!m_d.checkedRecordsetClose || recordset().state() != 0)
            recordset().close();
    });
    if (created) {
        m_trap.step(m_d.addEntry, [&] {
            // A table whose drop failed although it was not there keeps its entry;
            // the name is not listed twice.
            for (int j = 0; j < m_targetList.count(); ++j) {
                if (m_targetList.text(j) == m_tableName)
                    return;
            }
            m_targetList.addItem(m_tableName);
        });
    }
}

bool TableSender::createTargetTable()
{
    beginCreateTable(m_statementText, m_tableName);
    // Columns that cannot be counted or described leave the text incomplete; it is
    // not sent, so no table with other columns than the source's comes about.
    bool complete =
        m_trap.assign(m_d.columnLoop, m_fieldCount, [&] { return recordset().fields().count(); });
    QString typeName;
    for (int k = 0; k < m_fieldCount && complete; ++k) {
        m_trap.step(m_d.columnYield, [&] { yield(); });
        QString columnName;
        complete =
            m_trap.step(m_d.columnName, [&] { columnName = recordset().fields()[k].name(); }) &&
            m_trap.assign(m_d.columnType, typeName,
                          [&] { return columnTypeName(recordset().fields()[k].type()); });
        if (complete)
            appendColumnClause(m_statementText, columnName, columnTypeText(m_d.target, typeName));
    }
    endCreateTable(m_statementText, m_d.target);
    return complete && m_trap.step(m_d.createExecute, [&] { target().execute(m_statementText); });
}

void TableSender::copyRows()
{
    m_trap.assign(m_d.rowCount, m_rowCount,
                  [&] { return clampedRowCount(recordset().recordCount()); });
    const QString head = insertHead(m_tableName);
    // Every row read is copied, also when there are more than the count said.
    for (long long r = 0;; ++r) {
        bool atEnd = true;
        if (!m_trap.step(m_d.rowLoop, [&] { atEnd = recordset().eof(); }) || atEnd)
            break;
        m_trap.step(m_d.rowYield, [&] { yield(); });
        m_trap.step(m_d.progressValue,
                    [&] { m_window.progress.setValue(progressAfterRow(r, m_rowCount)); });

        beginInsert(m_statementText, head);
        bool complete = true;
        for (int m = 0; m < m_fieldCount && complete; ++m) {
            m_trap.step(m_d.valueYield, [&] { yield(); });
            // A value that cannot be read keeps the row from being sent with a
            // wrong or missing value.
            complete = m_trap.step(m_d.valueText, [&] {
                const Field& field = recordset().fields()[m];
                const Value value = field.value();
                // PostgreSQL keeps no U+0000 in text: the statement would end there and
                // the server would answer with a misleading syntax error.
                if (m_d.target == Side::PostgreSQL && value && value->contains(QChar(0)))
                    throw AppError(QStringLiteral("The value of column \"%1\" holds the "
                                                  "character U+0000, which PostgreSQL cannot "
                                                  "store; the row is not sent.")
                                       .arg(field.name()));
                appendValue(m_statementText, value);
            });
        }
        if (complete) {
            endInsert(m_statementText);
            m_trap.step(m_d.insertExecute, [&] { target().execute(m_statementText); });
        }
        // A recordset that cannot move on would give the same row again and again.
        if (!m_trap.step(m_d.moveNext, [&] { recordset().moveNext(); }))
            break;
    }
}

} // namespace

void SendToIbmDb2(TablesWindowContext& window)
{
    static const Direction direction = toIbmDb2();
    TableSender(window, direction).run();
}

void SendToPostgreSQL(TablesWindowContext& window)
{
    static const Direction direction = toPostgreSql();
    TableSender(window, direction).run();
}

} // namespace Transfer
