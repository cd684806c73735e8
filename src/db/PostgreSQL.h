#pragma once

#include "ConnectionProfile.h"
#include "NameList.h"

// The PostgreSQL side: its connection string, the connection test and the table list.
namespace PostgreSQL {

// "Driver={PostgreSQL Unicode};Server=...;Port=...;Uid=...;Pwd=...;Database=..."
QString ConnectionString(const ConnectionProfile& profile);

// True when a connection with the profile could be opened; no connection is left
// open. Throws DbError only when the connection object cannot be created.
bool CanConnect(const ConnectionProfile& profile);

// Replaces the list's entries with every row of pg_tables (system schemas too),
// yielding once per added name. Throws DbError; a failure before the catalog
// query returned leaves the list untouched.
void ListTables(NameList& list, const ConnectionProfile& profile, const YieldFn& yield);

} // namespace PostgreSQL
