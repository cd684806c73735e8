#pragma once

// What the DB2 tests read and write as text: a column of a result, and long
// texts as DB2 takes them in a statement.
#include "db/Recordset.h"

#include <QStringList>

// The values of one column of the remaining rows, "<NULL>" for an SQL NULL.
inline QStringList column(Recordset& rows, int index)
{
    QStringList values;
    while (!rows.eof()) {
        values << rows.fields().item(index).value().value_or(QStringLiteral("<NULL>"));
        rows.moveNext();
    }
    return values;
}

// One character constant DB2 takes at most 32,672 bytes; longer texts are made of
// constants joined with ||.
const int ConstantMax = 32672;

inline QString joinedConstants(const QString& text, int piece)
{
    QStringList pieces;
    for (int at = 0; at < text.size(); at += piece)
        pieces << QLatin1Char('\'') + text.mid(at, piece) + QLatin1Char('\'');
    return pieces.join(QStringLiteral(" || "));
}
