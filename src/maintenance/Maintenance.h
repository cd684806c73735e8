#pragma once

#include "core/Side.h"
#include "core/TablesWindowContext.h"

// Dropping and renaming tables on either side of the tables window. Each runs its
// numbered steps under the error trap of its handler and reports failures there;
// nothing is thrown but HandlerAborted (the window is being closed).
namespace Maintenance {

// "Delete Table/s": Form2.PushButton1_Click (PostgreSQL) and PushButton5_Click (IBM DB2).
void DeleteTables(TablesWindowContext& window, Side side);

// "Rename Table": Form2.PushButton6_Click (PostgreSQL) and PushButton7_Click (IBM DB2).
void RenameTable(TablesWindowContext& window, Side side);

} // namespace Maintenance
