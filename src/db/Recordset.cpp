#include "Recordset.h"

#include "AdoTypes.h"
#include "BlockingCall.h"
#include "Connection.h"
#include "ConnectionHandles.h"

#include <algorithm>

namespace {

const char* const NoCurrentRow = "There is no current row: the position is past the last row.";

// DB2's BLOB type code.
constexpr SQLSMALLINT Db2Blob = -98;
// Characters read per SQLGetData call until a value proves longer.
constexpr size_t InitialTextChars = 4096;
constexpr size_t InitialBinaryBytes = 8192;

bool isBinaryType(SQLSMALLINT sqlType)
{
    return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY ||
           sqlType == Db2Blob;
}

DbError closedError()
{
    return DbError(QStringLiteral("The recordset is closed."));
}

// The query as the inner part of a COUNT(*): trailing blanks and semicolons would
// end the outer statement early.
QString countQuery(const QString& sql)
{
    qsizetype end = sql.size();
    while (end > 0 && (sql.at(end - 1).isSpace() || sql.at(end - 1) == QLatin1Char(';')))
        --end;
    return QStringLiteral("SELECT COUNT(*) FROM (") + sql.left(end) +
           QStringLiteral(") AS dovetab_count");
}

bool isTruncation(const odbc::StatementHandle& statement)
{
    return odbc::firstSqlState(SQL_HANDLE_STMT, statement.get()) == QLatin1String("01004");
}

Value readText(StatementState& state, SQLUSMALLINT column)
{
    std::vector<SQLWCHAR>& buffer = state.textBuffer;
    if (buffer.size() < InitialTextChars)
        buffer.resize(InitialTextChars);
    QString text(0, QChar()); // empty but not null: only SQL NULL is "no value"
    for (;;) {
        SQLLEN indicator = 0;
        const SQLLEN bufferBytes = static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR));
        const SQLRETURN rc =
            state.statement.check(SQLGetData(state.statement.hstmt(), column, SQL_C_WCHAR,
                                             buffer.data(), bufferBytes, &indicator),
                                  "SQLGetData");
        if (rc == SQL_NO_DATA)
            return text; // every chunk has been read
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const qsizetype capacity = static_cast<qsizetype>(buffer.size()) - 1; // minus the NUL
        if (rc == SQL_SUCCESS_WITH_INFO && isTruncation(state.statement)) {
            text.append(odbc::fromSqlWChar(buffer.data(), capacity));
            // Known remaining length: read the rest in one more call.
            if (indicator != SQL_NO_TOTAL) {
                const long long remaining =
                    static_cast<long long>(indicator / sizeof(SQLWCHAR)) - capacity;
                if (remaining + 1 > static_cast<long long>(buffer.size()))
                    buffer.resize(static_cast<size_t>(remaining) + 1);
            } else {
                buffer.resize(buffer.size() * 2);
            }
            continue;
        }
        qsizetype length = indicator == SQL_NO_TOTAL
                               ? capacity
                               : static_cast<qsizetype>(indicator / sizeof(SQLWCHAR));
        length = std::min(length, capacity);
        if (text.isEmpty())
            return length > 0 ? odbc::fromSqlWChar(buffer.data(), length) : text;
        text.append(odbc::fromSqlWChar(buffer.data(), length));
        return text;
    }
}

Value readBinary(StatementState& state, SQLUSMALLINT column)
{
    std::vector<unsigned char>& buffer = state.binaryBuffer;
    if (buffer.size() < InitialBinaryBytes)
        buffer.resize(InitialBinaryBytes);
    QByteArray bytes;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = state.statement.check(
            SQLGetData(state.statement.hstmt(), column, SQL_C_BINARY, buffer.data(),
                       static_cast<SQLLEN>(buffer.size()), &indicator),
            "SQLGetData");
        if (rc == SQL_NO_DATA)
            break;
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        if (rc == SQL_SUCCESS_WITH_INFO && isTruncation(state.statement)) {
            bytes.append(reinterpret_cast<const char*>(buffer.data()),
                         static_cast<qsizetype>(buffer.size()));
            if (indicator != SQL_NO_TOTAL) {
                const long long remaining =
                    static_cast<long long>(indicator) - static_cast<long long>(buffer.size());
                if (remaining > static_cast<long long>(buffer.size()))
                    buffer.resize(static_cast<size_t>(remaining));
            } else {
                buffer.resize(buffer.size() * 2);
            }
            continue;
        }
        const qsizetype length = indicator == SQL_NO_TOTAL
                                     ? static_cast<qsizetype>(buffer.size())
                                     : std::min(static_cast<qsizetype>(indicator),
                                                static_cast<qsizetype>(buffer.size()));
        bytes.append(reinterpret_cast<const char*>(buffer.data()), length);
        break;
    }
    if (bytes.isEmpty())
        return QString(0, QChar()); // an empty value, not NULL
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// Counts the rows of a result by fetching them on a second statement without
// reading any value.
long long countByFetching(const ConnectionHandles& handles,
                          const std::function<void(odbc::StatementHandle&)>& rerun)
{
    odbc::StatementHandle statement = odbc::StatementHandle::allocate(handles.connection);
    rerun(statement);
    long long rows = 0;
    while (statement.check(SQLFetch(statement.hstmt()), "SQLFetch") != SQL_NO_DATA)
        ++rows;
    return rows;
}

// SELECT COUNT(*) around the query on a second statement; throws DbError when the
// driver refuses it.
long long countBySelect(const ConnectionHandles& handles, const QString& sql)
{
    odbc::StatementHandle statement = odbc::StatementHandle::allocate(handles.connection);
    statement.execDirect(countQuery(sql));
    if (statement.check(SQLFetch(statement.hstmt()), "SQLFetch") == SQL_NO_DATA)
        throw DbError(QStringLiteral("The row count query returned no row."));
    SQLBIGINT rows = 0;
    SQLLEN indicator = 0;
    statement.check(SQLGetData(statement.hstmt(), 1, SQL_C_SBIGINT, &rows, 0, &indicator),
                    "SQLGetData");
    if (indicator == SQL_NULL_DATA || rows < 0)
        throw DbError(QStringLiteral("The row count query returned no count."));
    return static_cast<long long>(rows);
}

} // namespace

void ConnectionHandles::closeStatements() noexcept
{
    const std::vector<StatementState*> statements = openStatements;
    for (StatementState* statement : statements)
        statement->release();
    openStatements.clear();
}

void StatementState::registerOpen()
{
    connection->openStatements.push_back(this);
    open = true;
}

void StatementState::release() noexcept
{
    if (connection) {
        auto& list = connection->openStatements;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    statement.reset();
    open = false;
    eof = true;
}

Value Field::value() const
{
    return m_owner->currentValue(m_index);
}

const Field& Fields::item(int index) const
{
    if (index < 0 || index >= count())
        throw DbError(
            QStringLiteral("Item cannot be found in the collection: no field %1.").arg(index));
    return m_fields[static_cast<size_t>(index)];
}

const Field& Fields::item(const QString& name) const
{
    for (const Field& field : m_fields) {
        if (field.name().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    throw DbError(
        QStringLiteral("Item cannot be found in the collection: no field named \"%1\".").arg(name));
}

Recordset::Recordset() = default;
Recordset::~Recordset() noexcept
{
    // Freeing an open result may talk to the server (closing its cursor).
    if (m_state)
        BlockingCall::run([this] { m_state.reset(); });
}

// Each public call that may wait on the server runs its whole body through
// BlockingCall, so that the window stays alive meanwhile.
void Recordset::open(const QString& sql, Connection& connection, int cursorType, int lockType)
{
    BlockingCall::run([&] { openDirect(sql, connection, cursorType, lockType); });
}

void Recordset::openDirect(const QString& sql, Connection& connection, int /*cursorType*/,
                           int /*lockType*/)
{
    if (state() != 0)
        throw DbError(QStringLiteral("The recordset is open already."));
    if (!connection.isOpen())
        throw DbError(QStringLiteral("The connection is not open."));
    const std::shared_ptr<ConnectionHandles>& handles = connection.m_handles;
    odbc::StatementHandle statement = odbc::StatementHandle::allocate(handles->connection);
    statement.execDirect(sql);
    SQLSMALLINT columns = 0;
    statement.check(SQLNumResultCols(statement.hstmt(), &columns), "SQLNumResultCols");
    // A statement without a result leaves the recordset closed.
    if (columns <= 0)
        return;
    adopt(
        handles, connection.cursorLocation(), std::move(statement),
        [sql](odbc::StatementHandle& again) { again.execDirect(sql); }, sql);
}

void Recordset::adopt(const std::shared_ptr<ConnectionHandles>& handles, int cursorLocation,
                      odbc::StatementHandle&& executed, const Rerun& rerun,
                      const QString& countableSql)
{
    auto state = std::make_unique<StatementState>();
    state->connection = handles;
    state->statement = std::move(executed);
    const SQLHSTMT hstmt = state->statement.hstmt();

    SQLSMALLINT columns = 0;
    state->statement.check(SQLNumResultCols(hstmt, &columns), "SQLNumResultCols");
    Fields fields;
    fields.m_fields.resize(static_cast<size_t>(std::max<SQLSMALLINT>(columns, 0)));
    state->binary.resize(fields.m_fields.size());
    state->row.resize(fields.m_fields.size());
    std::vector<SQLWCHAR> name(256);
    for (SQLSMALLINT column = 1; column <= columns; ++column) {
        SQLSMALLINT nameLength = 0, sqlType = 0, decimals = 0, nullable = 0;
        SQLULEN size = 0;
        for (;;) {
            state->statement.check(
                SQLDescribeColW(hstmt, static_cast<SQLUSMALLINT>(column), name.data(),
                                static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size,
                                &decimals, &nullable),
                "SQLDescribeCol");
            if (nameLength < static_cast<SQLSMALLINT>(name.size()))
                break;
            name.resize(static_cast<size_t>(nameLength) + 1);
        }
        SQLLEN isUnsigned = SQL_FALSE;
        state->statement.check(SQLColAttributeW(hstmt, static_cast<SQLUSMALLINT>(column),
                                                SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                                                &isUnsigned),
                               "SQLColAttribute");
        Field& field = fields.m_fields[static_cast<size_t>(column - 1)];
        field.m_name = odbc::fromSqlWChar(name.data(), nameLength);
        field.m_type = adoTypeCode(sqlType, isUnsigned == SQL_TRUE);
        field.m_owner = this;
        field.m_index = column - 1;
        state->binary[static_cast<size_t>(column - 1)] = isBinaryType(sqlType);
    }

    if (cursorLocation == Connection::ClientSide) {
        SQLLEN rows = -1;
        const SQLRETURN rc = SQLRowCount(hstmt, &rows);
        if ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && rows >= 0) {
            state->recordCount = rows;
        } else {
            // The count is had before any row is read. The result is closed
            // meanwhile, so that no two results of this connection are open at once
            // (a failing count would otherwise spoil the open result on some drivers).
            state->statement.check(SQLFreeStmt(hstmt, SQL_CLOSE), "SQLFreeStmt");
            bool counted = false;
            if (!countableSql.isEmpty()) {
                try {
                    state->recordCount = countBySelect(*handles, countableSql);
                    counted = true;
                } catch (const DbError&) {
                    // Not every query can be wrapped; counting by fetching always works.
                }
            }
            if (!counted)
                state->recordCount = countByFetching(*handles, rerun);
            rerun(state->statement);
        }
    }

    state->registerOpen();
    m_state = std::move(state);
    m_fields = std::move(fields);
    try {
        fetchRow();
    } catch (...) {
        m_state.reset();
        m_fields = Fields();
        throw;
    }
}

void Recordset::fetchRow()
{
    StatementState& state = *m_state;
    if (state.statement.check(SQLFetch(state.statement.hstmt()), "SQLFetch") == SQL_NO_DATA) {
        state.eof = true;
        std::fill(state.row.begin(), state.row.end(), std::nullopt);
        return;
    }
    state.eof = false;
    for (size_t i = 0; i < state.row.size(); ++i) {
        const auto column = static_cast<SQLUSMALLINT>(i + 1);
        state.row[i] = state.binary[i] ? readBinary(state, column) : readText(state, column);
    }
}

void Recordset::requireOpen() const
{
    if (!m_state || !m_state->open)
        throw closedError();
}

int Recordset::state() const noexcept
{
    return m_state && m_state->open ? 1 : 0;
}

const Fields& Recordset::fields() const
{
    requireOpen();
    return m_fields;
}

long long Recordset::recordCount() const
{
    requireOpen();
    return m_state->recordCount;
}

bool Recordset::eof() const
{
    requireOpen();
    return m_state->eof;
}

void Recordset::moveNext()
{
    BlockingCall::run([this] { moveNextDirect(); });
}

void Recordset::moveNextDirect()
{
    requireOpen();
    if (m_state->eof)
        throw DbError(QString::fromLatin1(NoCurrentRow));
    fetchRow();
}

void Recordset::close()
{
    BlockingCall::run([this] { closeDirect(); });
}

void Recordset::closeDirect()
{
    requireOpen();
    m_state.reset();
}

Value Recordset::currentValue(int index) const
{
    requireOpen();
    if (m_state->eof)
        throw DbError(QString::fromLatin1(NoCurrentRow));
    return m_state->row[static_cast<size_t>(index)];
}
