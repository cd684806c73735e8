#pragma once

// A tables window without widgets, for the tests of the operations behind its
// buttons (send, delete, rename): SortedNameList lists that record what is added
// and removed, a progress bar that records every value, scripted dialogs, the two
// login profiles, a log of the pointer, and helpers that read back what each
// side's database holds.

#include "ScriptedDialogs.h"
#include "SortedNameList.h"
#include "core/ProgressDisplay.h"
#include "core/Side.h"
#include "core/TablesWindowContext.h"
#include "db/ConnectionProfile.h"

#include <QStringList>
#include <QVector>
#include <functional>

// A SortedNameList that records the names added to it and removed from it, in
// order; beforeRemove runs before an entry goes, so that a test can look at the
// database at that moment.
class RecordingList : public SortedNameList
{
public:
    QStringList added;
    QStringList removed;
    std::function<void(const QString&)> beforeRemove;

    void addItem(const QString& name) override;
    void removeItem(int index) override;
};

// Records every value and text set; onValue runs before the value is taken, so
// that a test can act at a given row (stop a server, say).
class RecordingProgress : public ProgressDisplay
{
public:
    QVector<double> values;
    QStringList texts;
    std::function<void(double)> onValue;

    void setValue(double value) override;
    double value() const override { return m_value; }
    void setText(const QString& text) override;
    QString text() const override { return m_text; }

    // The values set while rows were sent (everything but the resets to 0).
    QVector<double> rowValues() const;

private:
    double m_value = 0;
    QString m_text = QStringLiteral("Progress Bar");
};

class FakeTablesWindow
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
    // Every pointer change, in order, and the pointer while each box was shown.
    QVector<int> pointerChanges;
    QVector<int> pointerAtBox;
    int pointer = 0;
    int yields = 0;
    std::function<void()> onYield;

    FakeTablesWindow();
    FakeTablesWindow(const FakeTablesWindow&) = delete;
    FakeTablesWindow& operator=(const FakeTablesWindow&) = delete;

    // The context the window hands its operations; the profiles are read at call time.
    TablesWindowContext context();

    RecordingList& list(Side side) { return side == Side::PostgreSQL ? postgresList : db2List; }
    ConnectionProfile& profile(Side side)
    {
        return side == Side::PostgreSQL ? postgresProfile : db2Profile;
    }

    // A fresh database on a side, named as the side spells database names
    // (lowercase on PostgreSQL, uppercase on DB2), with one small table per name.
    // The list is left alone.
    void createDatabase(Side side, const QString& baseName, const QStringList& tables = {});

    // Statements and queries (first column of every row, "<NULL>" for NULL) on
    // a side's database.
    void exec(Side side, const QStringList& statements);
    QStringList query(Side side, const QString& sql);

    // Fills a list from the side's catalog, the way the window's load does.
    void reload(Side side, NameList& target);
    // A side's list as the window's load fills it.
    void loadList(Side side) { reload(side, list(side)); }
    // Both lists as the window's load fills them, with their records cleared.
    void reloadLists();
    // The names a freshly loaded list of the side holds now, in list order.
    QStringList catalogNames(Side side);
    // The entries of a side's list, and the names of its catalog, less
    // PostgreSQL's own tables.
    QStringList userNames(Side side) const;
    QStringList userCatalogNames(Side side);

    // What the user's clicks do: a click on the first named entry, then a
    // Ctrl+click on each further one. The last entry clicked is current; a list
    // with none of the names is left as it is.
    static void select(NameList& list, const QStringList& names);
    // What "Select All" (true) and "Deselect All" (false) do: every entry set in
    // turn, so that the last one is current.
    static void selectAll(NameList& list, bool selected);
    QStringList selectedNames(Side side);

    // True when the side's own schema holds a table of exactly this name.
    bool tableExists(Side side, const QString& name);
    // COUNT(*) of a table.
    int rowCount(Side side, const QString& table);
    // The ADO type codes of a table's columns, read through the data access layer.
    QVector<int> columnTypes(Side side, const QString& table);
    // The values of one column in the order of the numeric "id" column, as text
    // ("<NULL>" for NULL).
    QStringList columnValues(Side side, const QString& table, const QString& column);
    // PostgreSQL's own names of a table's column types, in column order.
    QStringList pgColumnTypes(const QString& table);

private:
    QStringList withoutSystemTables(Side side, QStringList names) const;

    QStringList m_pgSystemTables;
};

// Adds one row per side to a data-driven test (column "side").
void addSideRows();
