#include "db/NameList.h"

#include <algorithm>

bool tableNameLess(const QString& a, const QString& b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    if (order != 0)
        return order < 0;
    return a < b;
}

QStringList sortedTableNames(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), tableNameLess);
    return names;
}

void NameList::addItems(const QStringList& names)
{
    for (const QString& name : names)
        addItem(name);
}

PendingNames::~PendingNames() noexcept
{
    try {
        flush();
    } catch (...) {
        // The listing's own failure is the one reported.
    }
}

void PendingNames::flush()
{
    const QStringList names = std::move(m_names);
    m_names.clear();
    if (!names.isEmpty())
        m_list.addItems(names);
}
