#pragma once

#include "db/ConnectionProfile.h"
#include "db/NameList.h"

// The IBM DB2 side: its connection string, the connection test and the table list.
namespace IBMDB2 {

// "Driver={IBM DB2 ODBC DRIVER};Database=...;Hostname=...;Port=...;Protocol=TCPIP;Uid=...;Pwd=...;"
// with the values as typed (db2AttributeValue). Throws DbError for a value with a ';'.
QString ConnectionString(const ConnectionProfile& profile);

// True when a connection with the profile could be opened; no connection is left
// open. Throws DbError only when the connection object cannot be created.
bool CanConnect(const ConnectionProfile& profile);

// Replaces the list's entries with the names of the catalog rows whose type is
// exactly "TABLE", yielding once per added name; the names go into the list
// together when the catalog has been read (or the listing is left early). Throws
// DbError; a failure before the catalog request returned leaves the list untouched.
void ListTables(NameList& list, const ConnectionProfile& profile, const YieldFn& yield);

} // namespace IBMDB2
