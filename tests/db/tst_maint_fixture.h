#pragma once

// Shared by the delete and rename tests: a tables window without widgets, whose
// lists are SortedNameLists and whose dialogs are scripted, and the helpers that
// read back what each database holds.

#include "ScriptedDialogs.h"
#include "SortedNameList.h"
#include "TestEnv.h"
#include "core/ProgressDisplay.h"
#include "core/TablesWindowContext.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/SqlText.h"
#include "maintenance/Maintenance.h"

#include <QStringList>
#include <QTest>
#include <QVector>
#include <functional>

namespace MaintFixture {

// A SortedNameList that reports each removal before it happens, so that a test
// can look at the database at that moment.
class WatchedList : public SortedNameList
{
public:
    std::function<void(const QString&)> beforeRemove;
    QStringList removed;

    void removeItem(int index) override
    {
        const QString name = text(index);
        if (beforeRemove)
            beforeRemove(name);
        removed << name;
        SortedNameList::removeItem(index);
    }
};

class IdleProgress : public ProgressDisplay
{
public:
    void setValue(double value) override { m_value = value; }
    double value() const override { return m_value; }
    void setText(const QString& text) override { m_text = text; }
    QString text() const override { return m_text; }

private:
    double m_value = 0;
    QString m_text = QStringLiteral("Progress Bar");
};

// The two sides of one test: a fresh database on the side under test, its
// profile as the login window would hold it, and the window state.
class Window
{
public:
    WatchedList postgresList;
    WatchedList db2List;
    IdleProgress progress;
    ScriptedDialogs dialogs;
    ConnectionProfile postgresProfile;
    ConnectionProfile db2Profile;
    QString postgresDatabase;
    QString db2Database;
    // Every pointer change, in order, and the pointer while each box was shown.
    QVector<int> pointerChanges;
    QVector<int> pointerAtBox;
    int pointer = 0;

    Window()
    {
        dialogs.onShow = [this](const ScriptedDialogs::Shown&) { pointerAtBox << pointer; };
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
                                   [] {}};
    }

    WatchedList& list(Side side) { return side == Side::PostgreSQL ? postgresList : db2List; }
    ConnectionProfile& profile(Side side)
    {
        return side == Side::PostgreSQL ? postgresProfile : db2Profile;
    }

    // A fresh database for the side with one small table per name, and the side's
    // list filled from the database as the window's load fills it.
    void createDatabase(Side side, const QString& baseName, const QStringList& tables)
    {
        if (side == Side::PostgreSQL) {
            postgresDatabase = baseName.toLower();
            postgresProfile = TestEnv::createPgDatabase(postgresDatabase);
        } else {
            db2Database = baseName.toUpper();
            db2Profile = TestEnv::createDb2Database(db2Database);
        }
        QStringList statements;
        for (const QString& table : tables)
            statements << QStringLiteral("CREATE TABLE %1 (ID INTEGER)").arg(quoted(table));
        exec(side, statements);
        reload(side, list(side));
    }

    void exec(Side side, const QStringList& statements)
    {
        if (statements.isEmpty())
            return;
        if (side == Side::PostgreSQL)
            TestEnv::pgExec(statements, postgresDatabase);
        else
            TestEnv::db2Exec(statements, db2Database);
    }

    // Fills a list from the side's catalog, the way the window's load does.
    void reload(Side side, NameList& target)
    {
        if (side == Side::PostgreSQL)
            PostgreSQL::ListTables(target, postgresProfile, [] {});
        else
            IBMDB2::ListTables(target, db2Profile, [] {});
    }

    // The names the side's catalog lists now, in list order.
    QStringList databaseNames(Side side)
    {
        SortedNameList fresh;
        reload(side, fresh);
        return fresh.names();
    }

    // True when the side's own schema holds a table of exactly this name.
    bool tableExists(Side side, const QString& name)
    {
        QString literal = name;
        literal.replace(QLatin1Char('\''), QLatin1String("''"));
        const QStringList count =
            side == Side::PostgreSQL
                ? TestEnv::pgQuery(QStringLiteral("SELECT count(*) FROM pg_tables WHERE "
                                                  "schemaname = 'public' AND tablename = '%1'")
                                       .arg(literal),
                                   postgresDatabase)
                : TestEnv::db2Query(QStringLiteral("SELECT COUNT(*) FROM SYSCAT.TABLES WHERE "
                                                   "TABSCHEMA = '%1' AND TABNAME = '%2' AND "
                                                   "TYPE = 'T'")
                                        .arg(db2Profile.user.toUpper(), literal),
                                    db2Database);
        return count == QStringList{QStringLiteral("1")};
    }

    // Selects the entries of the given texts (and nothing else).
    void select(Side side, const QStringList& names)
    {
        NameList& l = list(side);
        for (int i = 0; i < l.count(); ++i)
            l.setSelected(i, names.contains(l.text(i)));
    }

    QStringList selectedNames(Side side)
    {
        QStringList names;
        NameList& l = list(side);
        for (int i = 0; i < l.count(); ++i)
            if (l.isSelected(i))
                names << l.text(i);
        return names;
    }

    static QString quoted(const QString& name) { return SqlText::quotedName(name); }
};

inline QString sideName(Side side)
{
    return side == Side::PostgreSQL ? QStringLiteral("PostgreSQL") : QStringLiteral("IBM DB2");
}

// Adds one row per side to a data-driven test.
inline void addSideRows()
{
    QTest::addColumn<Side>("side");
    QTest::newRow("PostgreSQL") << Side::PostgreSQL;
    QTest::newRow("IBM DB2") << Side::IbmDb2;
}

} // namespace MaintFixture
