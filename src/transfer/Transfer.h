#pragma once

#include "core/TablesWindowContext.h"

// The two transfers behind the tables window's send buttons. Each runs its
// numbered steps under the error trap of its handler and reports failures there;
// nothing is thrown but HandlerAborted (the window is being closed).
namespace Transfer {

// "Send Table/s To IBM DB2" (Form2.PushButton3_Click): the selected entries of
// the PostgreSQL list, last to first.
void SendToIbmDb2(TablesWindowContext& window);

// "Send Table/s To PostgreSQL" (Form2.PushButton4_Click): the selected entries of
// the IBM DB2 list, last to first.
void SendToPostgreSQL(TablesWindowContext& window);

} // namespace Transfer
