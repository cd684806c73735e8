#include "ui/ListBoxNameList.h"

#include "core/AppError.h"

#include <QItemSelectionModel>
#include <QListWidget>

bool TableNameItem::operator<(const QListWidgetItem& other) const
{
    return tableNameLess(text(), other.text());
}

QListWidgetItem* ListBoxNameList::itemAt(int index) const
{
    QListWidgetItem* item = m_list.item(index);
    if (!item)
        throw AppError(QStringLiteral("Invalid property array index"));
    return item;
}

int ListBoxNameList::count() const
{
    return m_list.count();
}

QString ListBoxNameList::text(int index) const
{
    return itemAt(index)->text();
}

void ListBoxNameList::clear()
{
    m_list.clear();
}

void ListBoxNameList::addItem(const QString& name)
{
    // With sorting on, the list places the entry by TableNameItem::operator<.
    m_list.addItem(new TableNameItem(name));
}

void ListBoxNameList::addItems(const QStringList& names)
{
    const QStringList sorted = sortedTableNames(names);
    if (sorted.isEmpty())
        return;
    const int count = m_list.count();
    if (count > 0 && tableNameLess(sorted.front(), m_list.item(count - 1)->text())) {
        NameList::addItems(sorted);
        return;
    }
    // Appended in their order, the list stays sorted; sorting goes back on after.
    const bool sorting = m_list.isSortingEnabled();
    m_list.setSortingEnabled(false);
    try {
        for (const QString& name : sorted)
            m_list.insertItem(m_list.count(), new TableNameItem(name));
    } catch (...) {
        m_list.setSortingEnabled(sorting);
        throw;
    }
    m_list.setSortingEnabled(sorting);
}

void ListBoxNameList::removeItem(int index)
{
    delete m_list.takeItem(m_list.row(itemAt(index)));
}

bool ListBoxNameList::isSelected(int index) const
{
    return itemAt(index)->isSelected();
}

void ListBoxNameList::setSelected(int index, bool selected)
{
    // As the platform's list box does when the program sets an entry's selected
    // state, the entry also becomes the current one; no other entry changes.
    itemAt(index);
    m_list.selectionModel()->setCurrentIndex(m_list.model()->index(index, 0),
                                             selected ? QItemSelectionModel::Select
                                                      : QItemSelectionModel::Deselect);
}

int ListBoxNameList::selectedCount() const
{
    return m_list.selectionModel()->selectedRows().size();
}

int ListBoxNameList::currentIndex() const
{
    return m_list.currentRow();
}

void ListBoxNameList::setCurrentIndex(int index)
{
    QItemSelectionModel* selection = m_list.selectionModel();
    if (index == -1) {
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    itemAt(index);
    selection->setCurrentIndex(m_list.model()->index(index, 0), QItemSelectionModel::NoUpdate);
}
