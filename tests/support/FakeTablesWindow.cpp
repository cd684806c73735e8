#include "FakeTablesWindow.h"

#include "TestEnv.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"
#include "db/SqlText.h"

#include <QTest>

namespace {

QString quoted(const QString& name)
{
    return SqlText::quotedName(name);
}

QString literal(QString text)
{
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return text;
}

} // namespace

void RecordingList::addItem(const QString& name)
{
    added << name;
    SortedNameList::addItem(name);
}

void RecordingList::removeItem(int index)
{
    const QString name = text(index);
    if (beforeRemove)
        beforeRemove(name);
    removed << name;
    SortedNameList::removeItem(index);
}

void RecordingProgress::setValue(double value)
{
    if (onValue)
        onValue(value);
    values << value;
    m_value = value;
}

void RecordingProgress::setText(const QString& text)
{
    texts << text;
    m_text = text;
}

QVector<double> RecordingProgress::rowValues() const
{
    QVector<double> rows;
    for (double v : values)
        if (v != 0)
            rows << v;
    return rows;
}

FakeTablesWindow::FakeTablesWindow()
{
    dialogs.onShow = [this](const ScriptedDialogs::Shown&) { pointerAtBox << pointer; };
}

TablesWindowContext FakeTablesWindow::context()
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

void FakeTablesWindow::createDatabase(Side side, const QString& baseName, const QStringList& tables)
{
    if (side == Side::PostgreSQL) {
        postgresDatabase = baseName.toLower();
        postgresProfile = TestEnv::createPgDatabase(postgresDatabase);
        // The PostgreSQL list shows the system tables too; these are they.
        m_pgSystemTables = catalogNames(Side::PostgreSQL);
    } else {
        db2Database = baseName.toUpper();
        db2Profile = TestEnv::createDb2Database(db2Database);
    }
    QStringList statements;
    for (const QString& table : tables)
        statements << QStringLiteral("CREATE TABLE %1 (ID INTEGER)").arg(quoted(table));
    exec(side, statements);
}

void FakeTablesWindow::exec(Side side, const QStringList& statements)
{
    if (statements.isEmpty())
        return;
    if (side == Side::PostgreSQL)
        TestEnv::pgExec(statements, postgresDatabase);
    else
        TestEnv::db2Exec(statements, db2Database);
}

QStringList FakeTablesWindow::query(Side side, const QString& sql)
{
    return side == Side::PostgreSQL ? TestEnv::pgQuery(sql, postgresDatabase)
                                    : TestEnv::db2Query(sql, db2Database);
}

void FakeTablesWindow::reload(Side side, NameList& target)
{
    if (side == Side::PostgreSQL)
        PostgreSQL::ListTables(target, postgresProfile, [] {});
    else
        IBMDB2::ListTables(target, db2Profile, [] {});
}

void FakeTablesWindow::reloadLists()
{
    for (Side side : {Side::PostgreSQL, Side::IbmDb2}) {
        loadList(side);
        list(side).added.clear();
    }
}

QStringList FakeTablesWindow::catalogNames(Side side)
{
    SortedNameList fresh;
    reload(side, fresh);
    return fresh.names();
}

QStringList FakeTablesWindow::withoutSystemTables(Side side, QStringList names) const
{
    if (side == Side::PostgreSQL) {
        for (const QString& system : m_pgSystemTables)
            names.removeOne(system);
    }
    return names;
}

QStringList FakeTablesWindow::userNames(Side side) const
{
    const RecordingList& l = side == Side::PostgreSQL ? postgresList : db2List;
    return withoutSystemTables(side, l.names());
}

QStringList FakeTablesWindow::userCatalogNames(Side side)
{
    return withoutSystemTables(side, catalogNames(side));
}

void FakeTablesWindow::select(NameList& list, const QStringList& names)
{
    // A click on the first named entry (which leaves it the only one selected),
    // then a Ctrl+click on each further one.
    int first = -1;
    for (int i = 0; i < list.count() && first < 0; ++i) {
        if (names.contains(list.text(i)))
            first = i;
    }
    if (first < 0)
        return;
    for (int i = 0; i < list.count(); ++i) {
        if (i != first && list.isSelected(i))
            list.setSelected(i, false);
    }
    list.setSelected(first, true);
    for (int i = first + 1; i < list.count(); ++i) {
        if (names.contains(list.text(i)))
            list.setSelected(i, true);
    }
}

void FakeTablesWindow::selectAll(NameList& list, bool selected)
{
    for (int i = 0; i < list.count(); ++i)
        list.setSelected(i, selected);
}

QStringList FakeTablesWindow::selectedNames(Side side)
{
    QStringList names;
    NameList& l = list(side);
    for (int i = 0; i < l.count(); ++i)
        if (l.isSelected(i))
            names << l.text(i);
    return names;
}

bool FakeTablesWindow::tableExists(Side side, const QString& name)
{
    const QString sql = side == Side::PostgreSQL
                            ? QStringLiteral("SELECT count(*) FROM pg_tables WHERE "
                                             "schemaname = 'public' AND tablename = '%1'")
                                  .arg(literal(name))
                            : QStringLiteral("SELECT COUNT(*) FROM SYSCAT.TABLES WHERE "
                                             "TABSCHEMA = '%1' AND TABNAME = '%2' AND TYPE = 'T'")
                                  .arg(db2Profile.user.toUpper(), literal(name));
    return query(side, sql) == QStringList{QStringLiteral("1")};
}

int FakeTablesWindow::rowCount(Side side, const QString& table)
{
    return query(side, QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(table)))
        .value(0)
        .toInt();
}

QVector<int> FakeTablesWindow::columnTypes(Side side, const QString& table)
{
    Connection connection;
    connection.setCursorLocation(Connection::ClientSide);
    connection.open(context().connectionString(side));
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM %1").arg(quoted(table)), connection);
    QVector<int> types;
    for (int i = 0; i < rs.fields().count(); ++i)
        types << rs.fields()[i].type();
    return types;
}

QStringList FakeTablesWindow::columnValues(Side side, const QString& table, const QString& column)
{
    if (side == Side::PostgreSQL) {
        return query(side, QStringLiteral("SELECT %1 FROM %2 ORDER BY CAST(\"id\" AS INTEGER)")
                               .arg(quoted(column), quoted(table)));
    }
    // A marker in front keeps an empty text from looking like no row at all.
    QStringList values =
        query(side, QStringLiteral("SELECT '=' || %1 FROM %2 ORDER BY CAST(\"id\" AS INTEGER)")
                        .arg(quoted(column), quoted(table)));
    for (QString& value : values) {
        if (value.startsWith(QLatin1Char('=')))
            value.remove(0, 1);
    }
    return values;
}

QStringList FakeTablesWindow::pgColumnTypes(const QString& table)
{
    return query(Side::PostgreSQL,
                 QStringLiteral("SELECT data_type FROM information_schema.columns "
                                "WHERE table_schema = 'public' AND table_name = '%1' "
                                "ORDER BY ordinal_position")
                     .arg(literal(table)));
}

void addSideRows()
{
    QTest::addColumn<Side>("side");
    QTest::newRow("PostgreSQL") << Side::PostgreSQL;
    QTest::newRow("IBM DB2") << Side::IbmDb2;
}
