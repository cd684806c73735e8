#include "core/TablesWindowContext.h"

#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"

QString TablesWindowContext::connectionString(Side side) const
{
    return side == Side::PostgreSQL ? PostgreSQL::SessionConnectionString(postgresProfile())
                                    : IBMDB2::ConnectionString(db2Profile());
}
