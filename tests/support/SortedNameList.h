#pragma once

#include "db/NameList.h"

#include <QStringList>
#include <vector>

// A NameList held in memory, sorted like the window's lists. Used where no
// window exists (tests, benchmarks).
class SortedNameList : public NameList
{
public:
    SortedNameList() = default;
    explicit SortedNameList(const QStringList& names);

    int count() const override;
    QString text(int index) const override;
    void clear() override;
    void addItem(const QString& name) override;
    void addItems(const QStringList& names) override;
    void removeItem(int index) override;
    bool isSelected(int index) const override;
    void setSelected(int index, bool selected) override;
    int selectedCount() const override;
    int currentIndex() const override;
    void setCurrentIndex(int index) override;

    QStringList names() const;

private:
    struct Entry
    {
        QString text;
        bool selected = false;
    };
    std::vector<Entry> m_entries;
    int m_current = -1;
};
