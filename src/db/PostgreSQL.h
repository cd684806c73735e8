#pragma once

#include "db/ConnectionProfile.h"
#include "db/NameList.h"
#include "db/ResultColumn.h"

#include <vector>

class Connection;

// The PostgreSQL side: its connection string, the connection test and the table list.
namespace PostgreSQL {

// "Driver={PostgreSQL Unicode};Server=...;Port=...;Uid=...;Pwd=...;Database=..."
QString ConnectionString(const ConnectionProfile& profile);

// libpq's keep-alive and user time-out settings, handed over through psqlODBC's
// pqopt keyword: a connection whose server or network has gone fails its waiting
// statement after about two minutes (30 s idle, then 9 probes 10 s apart; unanswered
// data for 120 s) with the driver's message, instead of waiting for ever.
extern const QString KeepAliveAttribute; // "pqopt={keepalives=1 ...}"

// The string of a connection that runs statements (lists, sends, drops, renames):
// ConnectionString followed by ";" and KeepAliveAttribute. The connection tests
// keep the plain string; their open is bounded by the login time-out.
QString SessionConnectionString(const ConnectionProfile& profile);

// Rows psqlODBC fetches at a time on a connection that reads a source table.
constexpr int SourceFetchRows = 1000;

// The string of the connection that reads a whole table: SessionConnectionString followed by
// ";UseDeclareFetch=1;Fetch=<SourceFetchRows>", so that psqlODBC reads the result
// through a cursor, a block of rows at a time, instead of holding all of it in memory.
// Its row count (SQLRowCount) is then unknown and taken by a count query.
QString SourceConnectionString(const ConnectionProfile& profile);

// The server's standard_conforming_strings for this session, asked once when a
// connection opens to take values: true when a backslash in '...' is a plain
// character ("on"), false when it starts an escape. Throws DbError.
bool StandardConformingStrings(Connection& connection);

// How a PostgreSQL result is read: the query that gives the rows of sql with its
// date and time columns as the server's own text, the others as they are. psqlODBC
// rebuilds these values from parsed parts when it delivers them as characters, and
// loses on the way what its parts cannot hold: the offset of a timestamptz, the era
// of a BC date, infinity. A cast to text on the server keeps them as the server
// shows them. Empty when no column needs it, or when the column names do not name
// the columns one to one. Chosen for a connection when it learns its server.
QString ServerTextQuery(const QString& sql, const std::vector<ResultColumn>& columns);

// True when a connection with the profile could be opened; no connection is left
// open. Throws DbError only when the connection object cannot be created.
bool CanConnect(const ConnectionProfile& profile);

// Replaces the list's entries with every row of pg_tables (system schemas too),
// yielding once per added name. The names go into the list together when the
// rows have been read (or the listing is left early). Throws DbError; a failure before the catalog
// query returned leaves the list untouched.
void ListTables(NameList& list, const ConnectionProfile& profile, const YieldFn& yield);

} // namespace PostgreSQL
