#pragma once

// Shared by the transfer tests: a tables window without widgets (SortedNameList
// lists, scripted dialogs, a progress bar that records every value), a fresh
// PostgreSQL database and a fresh DB2 stand-in database per test, and helpers to
// read back what each side holds.

#include "ScriptedDialogs.h"
#include "SortedNameList.h"
#include "TestEnv.h"
#include "core/Main.h"
#include "core/ProgressDisplay.h"
#include "core/TablesWindowContext.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"
#include "db/SqlText.h"
#include "transfer/Transfer.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <QVector>
#include <functional>

namespace TransferFixture {

enum class Direction
{
    ToIbmDb2,
    ToPostgreSQL
};

// A SortedNameList that records the names added to it, in order.
class RecordingList : public SortedNameList
{
public:
    QStringList added;
    void addItem(const QString& name) override
    {
        added << name;
        SortedNameList::addItem(name);
    }
};

// Records every value and text the transfers set; onValue runs before the value
// is taken, so a test can act at a given row (stop a server, say).
class RecordingProgress : public ProgressDisplay
{
public:
    QVector<double> values;
    QStringList texts;
    std::function<void(double)> onValue;

    void setValue(double value) override
    {
        if (onValue)
            onValue(value);
        values << value;
        m_value = value;
    }
    double value() const override { return m_value; }
    void setText(const QString& text) override
    {
        texts << text;
        m_text = text;
    }
    QString text() const override { return m_text; }

    // The values set while rows were sent (everything but the resets to 0).
    QVector<double> rowValues() const
    {
        QVector<double> rows;
        for (double v : values)
            if (v != 0)
                rows << v;
        return rows;
    }

private:
    double m_value = 0;
    QString m_text = QStringLiteral("Progress Bar");
};

inline QString quoted(const QString& name)
{
    return SqlText::quotedName(name);
}

class Window
{
public:
    RecordingList postgresList;
    RecordingList db2List;
    RecordingProgress progress;
    ScriptedDialogs dialogs;
    ConnectionProfile postgresProfile;
    ConnectionProfile db2Profile;
    QString postgresDatabase;
    QString db2Database;
    QVector<int> pointerChanges;
    int pointer = 0;
    int yields = 0;
    std::function<void()> onYield;

    // Fresh databases on both sides; the names are lowercased (PostgreSQL) and
    // uppercased (DB2) as each side spells database names.
    explicit Window(const QString& baseName)
    {
        postgresDatabase = baseName.toLower();
        postgresProfile = TestEnv::createPgDatabase(postgresDatabase);
        db2Database = baseName.toUpper();
        db2Profile = TestEnv::createDb2Database(db2Database);
        // The PostgreSQL list shows the system tables too; these are they.
        SortedNameList fresh;
        PostgreSQL::ListTables(fresh, postgresProfile, [] {});
        m_pgSystemTables = fresh.names();
    }

    // The entries of a list less PostgreSQL's own tables, in list order.
    QStringList userNames(const SortedNameList& list) const
    {
        QStringList names = list.names();
        if (&list == &postgresList) {
            for (const QString& system : m_pgSystemTables)
                names.removeOne(system);
        }
        return names;
    }

    TablesWindowContext context()
    {
        return TablesWindowContext{postgresList,
                                   db2List,
                                   progress,
                                   dialogs,
                                   [this] { return db2Profile; },
                                   [this] { return postgresProfile; },
                                   [this](int p) {
                                       pointer = p;
                                       pointerChanges << p;
                                   },
                                   [this] {
                                       ++yields;
                                       if (onYield)
                                           onYield();
                                   }};
    }

    void send(Direction direction)
    {
        TablesWindowContext window = context();
        if (direction == Direction::ToIbmDb2)
            Transfer::SendToIbmDb2(window);
        else
            Transfer::SendToPostgreSQL(window);
    }

    void pgExec(const QStringList& statements) { TestEnv::pgExec(statements, postgresDatabase); }
    void db2Exec(const QStringList& statements) { TestEnv::db2Exec(statements, db2Database); }
    QStringList pgQuery(const QString& sql) { return TestEnv::pgQuery(sql, postgresDatabase); }
    QStringList db2Query(const QString& sql) { return TestEnv::db2Query(sql, db2Database); }

    // Statements for the side a direction reads from or writes to.
    void sourceExec(Direction d, const QStringList& statements)
    {
        d == Direction::ToIbmDb2 ? pgExec(statements) : db2Exec(statements);
    }
    void targetExec(Direction d, const QStringList& statements)
    {
        d == Direction::ToIbmDb2 ? db2Exec(statements) : pgExec(statements);
    }
    QStringList targetQuery(Direction d, const QString& sql)
    {
        return d == Direction::ToIbmDb2 ? db2Query(sql) : pgQuery(sql);
    }
    RecordingList& sourceList(Direction d)
    {
        return d == Direction::ToIbmDb2 ? postgresList : db2List;
    }
    RecordingList& targetList(Direction d)
    {
        return d == Direction::ToIbmDb2 ? db2List : postgresList;
    }
    ConnectionProfile& targetProfile(Direction d)
    {
        return d == Direction::ToIbmDb2 ? db2Profile : postgresProfile;
    }
    ConnectionProfile& sourceProfile(Direction d)
    {
        return d == Direction::ToIbmDb2 ? postgresProfile : db2Profile;
    }

    // Both lists as the window's load fills them.
    void reloadLists()
    {
        PostgreSQL::ListTables(postgresList, postgresProfile, [] {});
        IBMDB2::ListTables(db2List, db2Profile, [] {});
        postgresList.added.clear();
        db2List.added.clear();
    }

    // Selects exactly the named entries of a list and makes the first of them current.
    static void select(NameList& list, const QStringList& names)
    {
        int current = -1;
        for (int i = 0; i < list.count(); ++i) {
            const bool selected = names.contains(list.text(i));
            list.setSelected(i, selected);
            if (selected && current < 0)
                current = i;
        }
        list.setCurrentIndex(current);
    }

    // The rows of one table on a side, as the first column of a query, compared
    // by COUNT(*).
    int rowCount(bool onPostgres, const QString& table)
    {
        const QString sql = QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(table));
        const QStringList rows = onPostgres ? pgQuery(sql) : db2Query(sql);
        return rows.value(0).toInt();
    }

    // The tables a side's catalog lists now (PostgreSQL's own left out).
    QStringList catalogNames(bool onPostgres)
    {
        SortedNameList fresh;
        if (onPostgres)
            PostgreSQL::ListTables(fresh, postgresProfile, [] {});
        else
            IBMDB2::ListTables(fresh, db2Profile, [] {});
        QStringList names = fresh.names();
        if (onPostgres) {
            for (const QString& system : m_pgSystemTables)
                names.removeOne(system);
        }
        return names;
    }

    // The ADO type codes of a table's columns, read through the data access layer.
    QVector<int> columnTypes(bool onPostgres, const QString& table)
    {
        Connection connection;
        connection.setCursorLocation(Connection::ClientSide);
        connection.open(onPostgres ? PostgreSQL::ConnectionString(postgresProfile)
                                   : IBMDB2::ConnectionString(db2Profile));
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM %1").arg(quoted(table)), connection);
        QVector<int> types;
        for (int i = 0; i < rs.fields().count(); ++i)
            types << rs.fields()[i].type();
        return types;
    }

    // The values of one column, in the order of the numeric "id" column, as text
    // ("<NULL>" for NULL).
    QStringList columnValues(bool onPostgres, const QString& table, const QString& column)
    {
        if (onPostgres) {
            return pgQuery(QStringLiteral("SELECT %1 FROM %2 ORDER BY CAST(\"id\" AS INTEGER)")
                               .arg(quoted(column), quoted(table)));
        }
        // A marker in front keeps an empty text from looking like no row at all.
        QStringList values =
            db2Query(QStringLiteral("SELECT '=' || %1 FROM %2 ORDER BY CAST(\"id\" AS INTEGER)")
                         .arg(quoted(column), quoted(table)));
        for (QString& value : values) {
            if (value.startsWith(QLatin1Char('=')))
                value.remove(0, 1);
        }
        return values;
    }

    // PostgreSQL's own names of a table's column types, in column order.
    QStringList pgColumnTypes(const QString& table)
    {
        QString literal = table;
        literal.replace(QLatin1Char('\''), QLatin1String("''"));
        return pgQuery(QStringLiteral("SELECT data_type FROM information_schema.columns "
                                      "WHERE table_schema = 'public' AND table_name = '%1' "
                                      "ORDER BY ordinal_position")
                           .arg(literal));
    }

private:
    QStringList m_pgSystemTables;
};

inline QString handlerName(Direction d)
{
    return d == Direction::ToIbmDb2 ? QStringLiteral("Form2.PushButton3_Click")
                                    : QStringLiteral("Form2.PushButton4_Click");
}

// The step number an error report names, or -1.
inline int reportStep(const QString& report)
{
    static const QRegularExpression line(QStringLiteral("\r\nin Velmora2021/08/31\\.Form2\\."
                                                        "PushButton[34]_Click at line (\\d+)\r\r"));
    const QRegularExpressionMatch match = line.match(report);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The statement text after "sql: ", or a null text when the report has none.
inline QString reportSql(const QString& report)
{
    const QString marker = QStringLiteral("\r\rsql: ");
    const qsizetype at = report.lastIndexOf(marker);
    return at < 0 ? QString() : report.mid(at + marker.size());
}

inline QVector<int> reportSteps(const ScriptedDialogs& dialogs)
{
    QVector<int> steps;
    for (const QString& report : dialogs.errorReports())
        steps << reportStep(report);
    return steps;
}

inline void addDirectionRows()
{
    QTest::addColumn<Direction>("direction");
    QTest::newRow("to IBM DB2") << Direction::ToIbmDb2;
    QTest::newRow("to PostgreSQL") << Direction::ToPostgreSQL;
}

} // namespace TransferFixture

Q_DECLARE_METATYPE(TransferFixture::Direction)
