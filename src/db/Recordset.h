#pragma once

#include "db/DbError.h"
#include "db/ObjectState.h"
#include "db/ResultColumn.h"
#include "db/Value.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Connection;
class Recordset;
struct ConnectionHandles;
struct StatementState;
namespace odbc {
class StatementHandle;
}

// One column of the current row.
class Field
{
public:
    const QString& name() const noexcept { return m_name; }
    // ADO data type code of the column (see adoTypeCode in AdoTypes.h).
    int type() const noexcept { return m_type; }
    // The value in the current row: nullopt for SQL NULL, otherwise its text.
    // Throws DbError when there is no current row (before the first or after the last).
    Value value() const;

private:
    friend class Recordset;
    QString m_name;
    int m_type = 0;
    const Recordset* m_owner = nullptr;
    int m_index = 0;
};

class Fields
{
public:
    int count() const noexcept { return static_cast<int>(m_fields.size()); }
    // Throws DbError for an index out of range or an unknown name (names compare
    // case-insensitively, as ADO does).
    const Field& item(int index) const;
    const Field& item(const QString& name) const;
    const Field& operator[](int index) const { return item(index); }

private:
    friend class Recordset;
    std::vector<Field> m_fields;
};

// A forward-only result set. Rows are streamed: only the current row is held in
// memory, whatever the size of the result. Long values come back whole.
//
// Values are text by one locale-independent rule: numbers with '.' as decimal
// separator and no grouping, dates YYYY-MM-DD, times HH:MM:SS[.ffffff],
// timestamps YYYY-MM-DD HH:MM:SS[.ffffff] as the driver delivers them as
// character data; binary values as upper-case hexadecimal text.
class Recordset
{
public:
    Recordset();
    ~Recordset() noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // The cursor and lock types the transfer handlers open their source with
    // (adOpenStatic, adLockOptimistic).
    static constexpr int StaticCursor = 3;
    static constexpr int OptimisticLock = 3;

    // Runs the query on the connection and positions on the first row. The cursor
    // and lock types are accepted as the handlers pass them and do not change how
    // rows are read. Throws DbError when the recordset is open already,
    // the connection is closed, or the driver refuses the statement.
    void open(const QString& sql, Connection& connection, int cursorType = -1, int lockType = -1);

    // ObjectState::Closed or ObjectState::Open.
    int state() const noexcept;
    const Fields& fields() const;
    // The exact number of rows when the connection's cursor location is 3 (known
    // before the first row is read); -1 on a server-side cursor.
    long long recordCount() const;
    // True once the current position is past the last row.
    bool eof() const;
    // Moves to the next row; throws DbError at end of file or on a driver failure.
    void moveNext();
    // Throws DbError when the recordset is not open.
    void close();

private:
    friend class Connection;
    friend class Field;
    // The bodies of the calls above that talk to the driver, each run through
    // BlockingCall (Recordset.cpp).
    struct Calls;
    // Runs the recordset's query again on another statement (to count its rows).
    using Rerun = std::function<void(odbc::StatementHandle&)>;
    // Takes over a statement that has produced a result: reads the column layout,
    // the row count (cursor location 3) and the first row. countableSql is the
    // query text, or empty when it is not a query (a catalog request).
    void adopt(const std::shared_ptr<ConnectionHandles>& handles, int cursorLocation,
               odbc::StatementHandle&& executed, const Rerun& rerun, const QString& countableSql);
    // The fields of the described columns, each reading its value from this recordset.
    Fields describedFields(const std::vector<ResultColumn>& columns) const;
    void fetchRow();
    void requireOpen() const;
    Value currentValue(int index) const;

    std::unique_ptr<StatementState> m_state;
    Fields m_fields;
};
