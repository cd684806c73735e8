#include "NameList.h"

bool tableNameLess(const QString& a, const QString& b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    if (order != 0)
        return order < 0;
    return a < b;
}
