#include "SortedNameList.h"

#include <algorithm>
#include <stdexcept>

namespace {

void requireIndex(int index, size_t count)
{
    if (index < 0 || static_cast<size_t>(index) >= count)
        throw std::out_of_range("list index out of range");
}

} // namespace

SortedNameList::SortedNameList(const QStringList& names)
{
    for (const QString& name : names)
        addItem(name);
}

int SortedNameList::count() const
{
    return static_cast<int>(m_entries.size());
}

QString SortedNameList::text(int index) const
{
    requireIndex(index, m_entries.size());
    return m_entries[static_cast<size_t>(index)].text;
}

void SortedNameList::clear()
{
    m_entries.clear();
    m_current = -1;
}

void SortedNameList::addItem(const QString& name)
{
    // Equal names go after the ones already there, so an entry never moves
    // relative to its equals.
    const auto place = std::upper_bound(
        m_entries.begin(), m_entries.end(), name,
        [](const QString& value, const Entry& entry) { return tableNameLess(value, entry.text); });
    const int index = static_cast<int>(place - m_entries.begin());
    m_entries.insert(place, Entry{name, false});
    // The current entry stays the same entry.
    if (m_current >= index)
        ++m_current;
}

void SortedNameList::addItems(const QStringList& names)
{
    const QStringList sorted = sortedTableNames(names);
    // The current entry moves down by the names that sort before it; equal names
    // go after it, as with addItem.
    if (m_current >= 0) {
        const QString& current = m_entries[static_cast<size_t>(m_current)].text;
        m_current +=
            static_cast<int>(std::count_if(sorted.begin(), sorted.end(), [&](const QString& name) {
                return tableNameLess(name, current);
            }));
    }
    const size_t existing = m_entries.size();
    m_entries.reserve(existing + static_cast<size_t>(sorted.size()));
    for (const QString& name : sorted)
        m_entries.push_back(Entry{name, false});
    // A stable merge: entries already there come first among equals.
    std::inplace_merge(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(existing),
                       m_entries.end(), [](const Entry& a, const Entry& b) {
                           return tableNameLess(a.text, b.text);
                       });
}

void SortedNameList::removeItem(int index)
{
    requireIndex(index, m_entries.size());
    m_entries.erase(m_entries.begin() + index);
    if (m_current > index) {
        --m_current; // the same entry, one place up
    } else if (m_current == index && m_current >= count()) {
        // The removed entry was the last: its predecessor becomes current (none when empty).
        m_current = count() - 1;
    }
}

bool SortedNameList::isSelected(int index) const
{
    requireIndex(index, m_entries.size());
    return m_entries[static_cast<size_t>(index)].selected;
}

void SortedNameList::setSelected(int index, bool selected)
{
    requireIndex(index, m_entries.size());
    m_entries[static_cast<size_t>(index)].selected = selected;
    m_current = index;
}

int SortedNameList::selectedCount() const
{
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [](const Entry& entry) { return entry.selected; }));
}

int SortedNameList::currentIndex() const
{
    return m_current;
}

void SortedNameList::setCurrentIndex(int index)
{
    if (index != -1)
        requireIndex(index, m_entries.size());
    m_current = index;
}

QStringList SortedNameList::names() const
{
    QStringList result;
    result.reserve(count());
    for (const Entry& entry : m_entries)
        result << entry.text;
    return result;
}
