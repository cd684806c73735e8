#pragma once

#include <QString>

// One column of a result as the driver describes it (SQLDescribeCol and the
// column's SQL_DESC_UNSIGNED).
struct ResultColumn
{
    QString name;
    int sqlType = 0;
    bool isUnsigned = false;

    bool operator==(const ResultColumn& other) const
    {
        return name == other.name && sqlType == other.sqlType && isUnsigned == other.isUnsigned;
    }
};
