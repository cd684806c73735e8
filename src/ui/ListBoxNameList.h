#pragma once

#include "db/NameList.h"

#include <QListWidgetItem>

class QListWidget;

// A list box entry that sorts in the order of every table list (tableNameLess).
class TableNameItem : public QListWidgetItem
{
public:
    explicit TableNameItem(const QString& name) : QListWidgetItem(name) {}
    bool operator<(const QListWidgetItem& other) const override;
};

// The NameList of a window's list box (sorting on, extended selection). Making
// an entry current never changes the selection; setting an entry's selected
// state makes it the current entry. An index out of range throws
// AppError("Invalid property array index").
class ListBoxNameList : public NameList
{
public:
    explicit ListBoxNameList(QListWidget& list) : m_list(list) {}

    int count() const override;
    QString text(int index) const override;
    void clear() override;
    void addItem(const QString& name) override;
    // Names that all sort after the present entries (a listing into a cleared list)
    // are appended in order, with no search for their places; others go one by one.
    void addItems(const QStringList& names) override;
    void removeItem(int index) override;
    bool isSelected(int index) const override;
    void setSelected(int index, bool selected) override;
    int selectedCount() const override;
    int currentIndex() const override;
    void setCurrentIndex(int index) override;

    QListWidget& widget() const { return m_list; }

private:
    QListWidgetItem* itemAt(int index) const;

    QListWidget& m_list;
};
