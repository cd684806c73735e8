#pragma once

#include "core/Dialogs.h"
#include "core/ProgressDisplay.h"
#include "core/Side.h"
#include "db/ConnectionProfile.h"
#include "db/NameList.h"

#include <functional>

// What the operations behind the tables window's buttons (send, delete, rename)
// are given of the window: its two lists, its progress bar, the dialogs, the
// login values as the login window holds them at the moment of each call, the
// window's pointer and the yield. The window builds one; tests build their own.
struct TablesWindowContext
{
    NameList& postgresList; // List1
    NameList& db2List;      // List2
    ProgressDisplay& progress;
    Dialogs& dialogs;
    std::function<ConnectionProfile()> db2Profile;      // Text1 to Text5, read at call time
    std::function<ConnectionProfile()> postgresProfile; // Text6 to Text10, read at call time
    std::function<void(int)> setPointer;                // 0 default, 11 hourglass, 99 custom
    YieldFn yield;

    NameList& list(Side side) const { return side == Side::PostgreSQL ? postgresList : db2List; }
    // The connection string of a session on one side, from the login values as
    // they stand now. (A transfer reads PostgreSQL through its own source string.)
    QString connectionString(Side side) const;
};
