#pragma once

#include <QMetaType>

// The two databases of the tables window. An operation names the side it works
// on; a transfer names the side it writes to.
enum class Side
{
    PostgreSQL, // List1, login values Text6 to Text10
    IbmDb2      // List2, login values Text1 to Text5
};

Q_DECLARE_METATYPE(Side)
