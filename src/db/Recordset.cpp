#include "db/Recordset.h"
#include "db/SqlText.h"

#include "db/AdoTypes.h"
#include "db/BlockingCall.h"
#include "db/Connection.h"
#include "db/ConnectionHandles.h"
#include "db/NumberText.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace {

const char* const NoCurrentRow = "There is no current row: the position is past the last row.";

// Characters read per SQLGetData call until a value proves longer.
constexpr size_t InitialTextChars = 4096;
constexpr size_t InitialBinaryBytes = 8192;
// The largest read of one SQLGetData call, in units: a longer value takes more calls.
constexpr size_t MaxChunkUnits = size_t(1) << 20;

// IBM's libdb2.so, when a 64-bit driver manager loads it (libdb2o.so is the library
// meant for one), writes only the low 32 bits of each 8-byte length and indicator.
// Every length field is pre-set to a pattern whose upper half no length a driver
// writes has: a field that still holds that upper half was written in its low half
// only, which is then read as the 32-bit signed number it is (so -1 stays
// SQL_NULL_DATA and -4 SQL_NO_TOTAL).
constexpr std::uint64_t UnwrittenLength = 0x5AFE5AFE5AFE5AFEull;

using LengthBits = std::make_unsigned_t<SQLLEN>;

SQLLEN* presetLength(SQLLEN& field)
{
    field = static_cast<SQLLEN>(static_cast<LengthBits>(UnwrittenLength));
    return &field;
}

// The length the driver wrote into a pre-set field; nullopt when it wrote none.
std::optional<long long> writtenLength(SQLLEN field)
{
    const auto bits = static_cast<LengthBits>(field);
    if (bits == static_cast<LengthBits>(UnwrittenLength))
        return std::nullopt;
    if constexpr (sizeof(SQLLEN) >= 8) {
        if ((static_cast<std::uint64_t>(bits) >> 32) == (UnwrittenLength >> 32))
            return static_cast<long long>(
                static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)));
    }
    return static_cast<long long>(field);
}

DbError closedError()
{
    return DbError(QStringLiteral("The recordset is closed."));
}

DbError cutShortError(SQLUSMALLINT column, long long expected, long long received)
{
    return DbError(QStringLiteral("The value of column %1 was cut short by the driver: %2 of %3 "
                                  "were delivered.")
                       .arg(column)
                       .arg(received)
                       .arg(expected));
}

QString countQuery(const QString& sql)
{
    return QStringLiteral("SELECT COUNT(*) FROM (") + SqlText::subquery(sql) +
           QStringLiteral(") AS dovetab_count");
}

// A read that left part of the value with the driver: it says so in any of its
// diagnostic records, cannot say how much is left, or reports more than fitted.
bool isCutShort(const StatementState& state, SQLRETURN rc, long long reported, qsizetype capacity)
{
    if (reported > capacity)
        return true;
    return rc == SQL_SUCCESS_WITH_INFO &&
           (reported < 0 || odbc::hasSqlState(SQL_HANDLE_STMT, state.statement.hstmt(), "01004"));
}

DbError lengthError(SQLUSMALLINT column)
{
    return DbError(QStringLiteral("The driver gave lengths for the value of column %1 that do not "
                                  "match what it delivered.")
                       .arg(column));
}

// One value in chunks until the driver has given all of it, as wide characters or
// as bytes; append receives each chunk. Lengths come from the driver's answers
// alone, never from a terminator (a value may hold U+0000): a whole chunk is as
// long as its indicator says, and a chunk cut short as long as the difference
// between its remaining length and the next call's (a driver may stop short of the
// buffer's end, before a split surrogate pair). A chunk whose length the driver
// does not give fills the buffer, as ODBC has it, and that is checked where the
// driver puts its terminator. Every length is checked against the buffer, and the
// buffer grows by the data delivered, never by a length claimed. Fewer units in all
// than the driver first reported is an error, never a shorter value. Returns false
// for SQL NULL.
template <class Unit, class Append>
bool readChunks(StatementState& state, SQLUSMALLINT column, std::vector<Unit>& buffer,
                const Append& append)
{
    constexpr bool isText = std::is_same_v<Unit, SQLWCHAR>;
    constexpr SQLSMALLINT cType = isText ? SQL_C_WCHAR : SQL_C_BINARY;
    constexpr qsizetype terminator = isText ? 1 : 0;
    // A mark where a full text chunk ends, overwritten by the driver's terminator.
    constexpr Unit EndMark = static_cast<Unit>(0xFFFF);
    const size_t initialUnits = isText ? InitialTextChars : InitialBinaryBytes;
    if (buffer.size() < initialUnits)
        buffer.resize(initialUnits);
    long long received = 0;
    long long expected = -1;
    // The chunk cut short by the last call, held until the next call says how long
    // it is: its units, and the remaining length reported with it (-1 unknown).
    std::vector<Unit> pending;
    long long pendingRemaining = -1;
    bool pendingFillsBuffer = false;
    bool hasPending = false;
    const auto takePending = [&](long long length) {
        if (length <= 0 || length > static_cast<long long>(pending.size()))
            throw lengthError(column);
        append(pending.data(), static_cast<qsizetype>(length));
        received += length;
        hasPending = false;
    };
    for (;;) {
        SQLLEN field = 0;
        const qsizetype capacity = static_cast<qsizetype>(buffer.size()) - terminator;
        if (isText)
            buffer[static_cast<size_t>(capacity)] = EndMark;
        const SQLLEN bufferBytes = static_cast<SQLLEN>(buffer.size() * sizeof(Unit));
        const SQLRETURN rc =
            state.statement.check(SQLGetData(state.statement.hstmt(), column, cType, buffer.data(),
                                             bufferBytes, presetLength(field)),
                                  "SQLGetData");
        if (rc == SQL_NO_DATA) {
            if (hasPending)
                throw lengthError(column); // it was cut short, and nothing followed
            break;                         // every chunk has been read
        }
        const std::optional<long long> indicator = writtenLength(field);
        if (!indicator)
            throw DbError(QStringLiteral("The driver did not say how long the value of "
                                         "column %1 is.")
                              .arg(column));
        if (*indicator == SQL_NULL_DATA) {
            if (hasPending || received > 0)
                throw lengthError(column);
            return false;
        }
        if (*indicator < 0 && *indicator != SQL_NO_TOTAL)
            throw lengthError(column);
        if (isText && *indicator > 0 && *indicator % static_cast<long long>(sizeof(Unit)) != 0)
            throw lengthError(column);
        const long long reported =
            *indicator == SQL_NO_TOTAL ? -1 : *indicator / static_cast<long long>(sizeof(Unit));
        if (hasPending) {
            // The chunk before this one: what was left then less what is left now.
            if (pendingRemaining >= 0 && reported >= 0)
                takePending(pendingRemaining - reported);
            else if (pendingFillsBuffer)
                takePending(static_cast<long long>(pending.size()));
            else
                throw lengthError(column);
        }
        if (expected < 0 && reported >= 0)
            expected = received + reported;
        if (rc == SQL_SUCCESS && reported < 0)
            throw DbError(QStringLiteral("The driver did not say how long the value of "
                                         "column %1 is.")
                              .arg(column));
        if (isCutShort(state, rc, reported, capacity)) {
            // Where a length is missing, the chunk is taken to fill the buffer, which
            // the driver's terminator right after it must confirm.
            pending.assign(buffer.begin(), buffer.begin() + capacity);
            pendingRemaining = reported;
            pendingFillsBuffer = !isText || buffer[static_cast<size_t>(capacity)] == 0;
            hasPending = true;
            // The buffer grows with what has come, up to a bound.
            if (buffer.size() < MaxChunkUnits)
                buffer.resize(std::min(buffer.size() * 2, MaxChunkUnits));
            continue;
        }
        append(buffer.data(), static_cast<qsizetype>(reported));
        received += reported;
        break;
    }
    if (expected >= 0 && received != expected)
        throw cutShortError(column, expected, received);
    return true;
}

Value readText(StatementState& state, SQLUSMALLINT column)
{
    QString text(0, QChar()); // empty but not null: only SQL NULL is "no value"
    if (!readChunks(state, column, state.textBuffer, [&](const SQLWCHAR* units, qsizetype count) {
            // Most values come in one chunk, which then becomes the text itself.
            if (text.isEmpty())
                text = odbc::fromSqlWChar(units, count);
            else
                text.append(odbc::fromSqlWChar(units, count));
        }))
        return std::nullopt;
    return text;
}

Value readBinary(StatementState& state, SQLUSMALLINT column)
{
    QByteArray bytes;
    if (!readChunks(state, column, state.binaryBuffer,
                    [&](const unsigned char* data, qsizetype count) {
                        bytes.append(reinterpret_cast<const char*>(data), count);
                    }))
        return std::nullopt;
    if (bytes.isEmpty())
        return QString(0, QChar()); // an empty value, not NULL
    return QString::fromLatin1(bytes.toHex().toUpper());
}

Value readValue(StatementState& state, size_t index)
{
    const auto column = static_cast<SQLUSMALLINT>(index + 1);
    switch (state.forms[index]) {
    case ValueForm::Binary:
        return readBinary(state, column);
    case ValueForm::Number: {
        Value value = readText(state, column);
        if (value)
            value = NumberText::withDecimalPoint(*value);
        return value;
    }
    default:
        return readText(state, column);
    }
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
    statement.check(
        SQLGetData(statement.hstmt(), 1, SQL_C_SBIGINT, &rows, 0, presetLength(indicator)),
        "SQLGetData");
    if (writtenLength(indicator).value_or(SQL_NULL_DATA) == SQL_NULL_DATA || rows < 0)
        throw DbError(QStringLiteral("The row count query returned no count."));
    return static_cast<long long>(rows);
}

bool isCharacterType(int sqlType)
{
    return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR || sqlType == SQL_LONGVARCHAR ||
           sqlType == SQL_WCHAR || sqlType == SQL_WVARCHAR || sqlType == SQL_WLONGVARCHAR;
}

// The columns of a statement's result as the driver describes them.
std::vector<ResultColumn> describeColumns(const odbc::StatementHandle& statement)
{
    const SQLHSTMT hstmt = statement.hstmt();
    SQLSMALLINT count = 0;
    statement.check(SQLNumResultCols(hstmt, &count), "SQLNumResultCols");
    std::vector<ResultColumn> columns(static_cast<size_t>(std::max<SQLSMALLINT>(count, 0)));
    std::vector<SQLWCHAR> name(256);
    for (SQLUSMALLINT column = 1; column <= columns.size(); ++column) {
        SQLSMALLINT nameLength = 0, sqlType = 0, decimals = 0, nullable = 0;
        SQLULEN size = 0;
        for (;;) {
            statement.check(SQLDescribeColW(hstmt, column, name.data(),
                                            static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                            &sqlType, &size, &decimals, &nullable),
                            "SQLDescribeCol");
            if (nameLength < static_cast<SQLSMALLINT>(name.size()))
                break;
            name.resize(static_cast<size_t>(nameLength) + 1);
        }
        SQLLEN isUnsigned = SQL_FALSE;
        statement.check(SQLColAttributeW(hstmt, column, SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                                         presetLength(isUnsigned)),
                        "SQLColAttribute");
        ResultColumn& described = columns[column - 1u];
        described.name = odbc::fromSqlWChar(name.data(), nameLength);
        described.sqlType = sqlType;
        described.isUnsigned = writtenLength(isUnsigned) == SQL_TRUE;
    }
    return columns;
}

// Throws when a run of the query again gives other columns than the first run
// described: its values would be read under the first run's names and kinds. In
// the server's text query (datesAsText) the date and time columns come as text.
void requireSameColumns(const odbc::StatementHandle& statement,
                        const std::vector<ResultColumn>& first, bool datesAsText)
{
    const auto changed = [](const QString& how) {
        return DbError(QStringLiteral("The table's columns changed while it was read: ") + how +
                       QLatin1Char('.'));
    };
    const std::vector<ResultColumn> again = describeColumns(statement);
    if (again.size() != first.size())
        throw changed(
            QStringLiteral("%1 columns instead of %2").arg(again.size()).arg(first.size()));
    for (size_t i = 0; i < first.size(); ++i) {
        const bool asText = datesAsText && columnType(first[i].sqlType).isDateOrTime;
        const bool same = asText
                              ? again[i].name == first[i].name && isCharacterType(again[i].sqlType)
                              : again[i] == first[i];
        if (!same)
            throw changed(QStringLiteral("column %1 is not \"%2\" of the type it had")
                              .arg(i + 1)
                              .arg(first[i].name));
    }
}

// The row count of an open client-side result, known before its first row is read:
// the driver's own where it gives one, else a SELECT COUNT(*) around the query, else
// counting by fetching. The result is then run again (run), since it had to be
// closed meanwhile.
long long countRows(const ConnectionHandles& handles, odbc::StatementHandle& statement,
                    const QString& counted, const std::function<void(odbc::StatementHandle&)>& run)
{
    SQLLEN field = 0;
    const SQLRETURN rc = SQLRowCount(statement.hstmt(), presetLength(field));
    const long long rows = writtenLength(field).value_or(-1);
    if ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && rows >= 0)
        return rows;
    // The result is closed meanwhile, so that no two results of this connection are
    // open at once (a failing count would otherwise spoil the open result on some
    // drivers).
    statement.check(SQLFreeStmt(statement.hstmt(), SQL_CLOSE), "SQLFreeStmt");
    long long count = -1;
    if (!counted.isEmpty()) {
        try {
            count = countBySelect(handles, counted);
        } catch (const DbError&) {
            // Not every query can be wrapped; counting by fetching always works.
        }
    }
    if (count < 0)
        count = countByFetching(handles, run);
    run(statement);
    return count;
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

struct Recordset::Calls
{
    static void open(Recordset& self, const QString& sql, Connection& connection)
    {
        if (self.state() != ObjectState::Closed)
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
        self.adopt(
            handles, connection.cursorLocation(), std::move(statement),
            [sql](odbc::StatementHandle& again) { again.execDirect(sql); }, sql);
    }

    static void moveNext(Recordset& self)
    {
        self.requireOpen();
        if (self.m_state->eof)
            throw DbError(QString::fromLatin1(NoCurrentRow));
        self.fetchRow();
    }

    static void close(Recordset& self)
    {
        self.requireOpen();
        self.m_state.reset();
    }

    // Freeing an open result may talk to the server (closing its cursor).
    static void free(Recordset& self) noexcept { self.m_state.reset(); }
};

Recordset::Recordset() = default;
Recordset::~Recordset() noexcept
{
    if (m_state)
        BlockingCall::call(Calls::free, *this);
}

// Each public call that may wait on the driver runs its whole body through
// BlockingCall, so that the window stays alive meanwhile. The cursor and lock
// types do not change how rows are read.
void Recordset::open(const QString& sql, Connection& connection, int /*cursorType*/,
                     int /*lockType*/)
{
    BlockingCall::call(Calls::open, *this, sql, connection);
}

void Recordset::moveNext()
{
    BlockingCall::call(Calls::moveNext, *this);
}

void Recordset::close()
{
    BlockingCall::call(Calls::close, *this);
}

void Recordset::adopt(const std::shared_ptr<ConnectionHandles>& handles, int cursorLocation,
                      odbc::StatementHandle&& executed, const Rerun& rerun,
                      const QString& countableSql)
{
    auto state = std::make_unique<StatementState>();
    state->connection = handles;
    state->statement = std::move(executed);
    const std::vector<ResultColumn> columns = describeColumns(state->statement);
    Fields fields = describedFields(columns);
    for (const ResultColumn& column : columns)
        state->forms.push_back(columnType(column.sqlType).form);
    state->row.resize(columns.size());
    state->readErrors.resize(columns.size());

    // Where the server's text keeps what the driver would lose, the same rows are
    // read again through the server's text query. The fields keep the types
    // described above.
    const QString textQuery = handles->readingQuery && !countableSql.isEmpty()
                                  ? handles->readingQuery(countableSql, columns)
                                  : QString();
    const bool datesAsText = !textQuery.isEmpty();
    // Every run after the first (the text read, the count by fetching, the run the
    // rows are read from) must give the columns described above.
    const Rerun run = [&](odbc::StatementHandle& statement) {
        if (datesAsText)
            statement.execDirect(textQuery);
        else
            rerun(statement);
        requireSameColumns(statement, columns, datesAsText);
    };
    if (datesAsText) {
        state->statement.check(SQLFreeStmt(state->statement.hstmt(), SQL_CLOSE), "SQLFreeStmt");
        run(state->statement);
    }
    if (cursorLocation == Connection::ClientSide) {
        state->recordCount =
            countRows(*handles, state->statement, datesAsText ? textQuery : countableSql, run);
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

Fields Recordset::describedFields(const std::vector<ResultColumn>& columns) const
{
    Fields fields;
    fields.m_fields.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        Field& field = fields.m_fields[i];
        field.m_name = columns[i].name;
        field.m_type = adoTypeCode(columns[i].sqlType, columns[i].isUnsigned);
        field.m_owner = this;
        field.m_index = static_cast<int>(i);
    }
    return fields;
}

void Recordset::fetchRow()
{
    StatementState& state = *m_state;
    std::fill(state.row.begin(), state.row.end(), std::nullopt);
    std::fill(state.readErrors.begin(), state.readErrors.end(), std::nullopt);
    if (state.statement.check(SQLFetch(state.statement.hstmt()), "SQLFetch") == SQL_NO_DATA) {
        state.eof = true;
        return;
    }
    state.eof = false;
    // The whole row is read here, inside the call that moved to it (the driver is
    // not called again until the next move), in column order as every driver
    // allows. A value that cannot be read keeps its error for when it is asked
    // for, so that it fails on its own and not the move to its row.
    for (size_t i = 0; i < state.row.size(); ++i) {
        try {
            state.row[i] = readValue(state, i);
        } catch (const DbError& error) {
            state.readErrors[i] = error;
        }
    }
}

void Recordset::requireOpen() const
{
    if (!m_state || !m_state->open)
        throw closedError();
}

int Recordset::state() const noexcept
{
    return m_state && m_state->open ? ObjectState::Open : ObjectState::Closed;
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

Value Recordset::currentValue(int index) const
{
    requireOpen();
    if (m_state->eof)
        throw DbError(QString::fromLatin1(NoCurrentRow));
    const auto i = static_cast<size_t>(index);
    if (m_state->readErrors[i])
        throw *m_state->readErrors[i];
    return m_state->row[i];
}
