#pragma once

#include "core/Side.h"

#include <QString>

// The names the tables window's operations report their failures under: the
// handler of the button that started them.
namespace HandlerName {

// "Send Table/s To IBM DB2" (PushButton3) and "Send Table/s To PostgreSQL" (PushButton4).
inline QString sendTo(Side target)
{
    return target == Side::IbmDb2 ? QStringLiteral("Form2.PushButton3_Click")
                                  : QStringLiteral("Form2.PushButton4_Click");
}

// "Delete Table/s": PushButton1 (PostgreSQL), PushButton5 (IBM DB2).
inline QString deleteTables(Side side)
{
    return side == Side::PostgreSQL ? QStringLiteral("Form2.PushButton1_Click")
                                    : QStringLiteral("Form2.PushButton5_Click");
}

// "Rename Table": PushButton6 (PostgreSQL), PushButton7 (IBM DB2).
inline QString renameTable(Side side)
{
    return side == Side::PostgreSQL ? QStringLiteral("Form2.PushButton6_Click")
                                    : QStringLiteral("Form2.PushButton7_Click");
}

} // namespace HandlerName
