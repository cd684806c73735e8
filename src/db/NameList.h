#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// A list of table names as the tables window shows it: sorted entries, a
// selection state per entry and a current entry (-1 when none holds the focus).
// The procedures of the database, transfer and maintenance layers work on this
// interface; the window's list boxes implement it, and so does the tests' SortedNameList.
class NameList
{
public:
    virtual ~NameList() = default;

    virtual int count() const = 0;
    virtual QString text(int index) const = 0;
    virtual void clear() = 0;
    // Adds an entry at its sorted place (see tableNameLess).
    virtual void addItem(const QString& name) = 0;
    // Adds entries given in any order: the entries and their order are those that
    // addItem gives, called for each name in turn. Lists override it to place many
    // names at once.
    virtual void addItems(const QStringList& names);
    virtual void removeItem(int index) = 0;
    virtual bool isSelected(int index) const = 0;
    // Sets one entry's selected state and makes that entry the current one, as
    // the platform's list box does (so "Select All" leaves the last entry
    // current); the other entries keep theirs.
    virtual void setSelected(int index, bool selected) = 0;
    virtual int selectedCount() const = 0;
    virtual int currentIndex() const = 0;
    // Makes an entry current without changing any entry's selection; -1 for none.
    virtual void setCurrentIndex(int index) = 0;
};

// The order of every table list: case-insensitive, ties broken by the exact text.
bool tableNameLess(const QString& a, const QString& b);

// The names in list order; equal names keep the order they came in.
QStringList sortedTableNames(QStringList names);

// Gathers the names a listing reads, so that they go into the list at once
// (NameList::addItems) when the listing ends, or when it is left early by an
// exception: the names read up to then are in the list either way.
class PendingNames
{
public:
    explicit PendingNames(NameList& list) : m_list(list) {}
    // Flushes what a listing left early has gathered; a failure then is dropped.
    ~PendingNames() noexcept;
    PendingNames(const PendingNames&) = delete;
    PendingNames& operator=(const PendingNames&) = delete;

    void add(const QString& name) { m_names.append(name); }
    // Puts the names gathered so far into the list.
    void flush();

private:
    NameList& m_list;
    QStringList m_names;
};

// Lets the user interface process its pending events. May throw HandlerAborted
// (core/ErrorTrap.h) when the window is being closed, to unwind the running handler.
using YieldFn = std::function<void()>;
