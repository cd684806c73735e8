// Sorting of table names and the in-memory name list.
#include "SortedNameList.h"

#include <QtTest>
#include <stdexcept>

class TestDbNameList : public QObject
{
    Q_OBJECT

private slots:
    void order();
    void addingManyAtOnceMatchesOneByOne_data();
    void addingManyAtOnceMatchesOneByOne();
    void currentEntryFollowsInsertAndRemove();
    void selectionIsSeparateFromTheCurrentEntry();
    void outOfRangeIsRefused();
};

void TestDbNameList::order()
{
    QVERIFY(tableNameLess(QStringLiteral("apple"), QStringLiteral("Banana")));
    QVERIFY(!tableNameLess(QStringLiteral("Banana"), QStringLiteral("apple")));
    // Equal but for case: a fixed order by the exact text, either way round.
    QVERIFY(tableNameLess(QStringLiteral("ORDERS"), QStringLiteral("orders")) !=
            tableNameLess(QStringLiteral("orders"), QStringLiteral("ORDERS")));
    QVERIFY(!tableNameLess(QStringLiteral("same"), QStringLiteral("same")));

    SortedNameList list(QStringList{"zeta", "Alpha", "beta", "alpha", "_x", "Beta", "beta", "é"});
    QCOMPARE(list.names(),
             QStringList({"_x", "Alpha", "alpha", "Beta", "beta", "beta", "zeta", "é"}));
    list.clear();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.currentIndex(), -1);
}

void TestDbNameList::addingManyAtOnceMatchesOneByOne_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("added");

    QTest::newRow("into an empty list")
        << QStringList() << -1 << QStringList{"zeta", "Alpha", "beta", "alpha", "_x"};
    QTest::newRow("nothing") << QStringList{"a", "b"} << 1 << QStringList();
    QTest::newRow("all after the last") << QStringList{"a", "b"} << 1 << QStringList{"d", "c"};
    QTest::newRow("equal to the last, current")
        << QStringList{"a", "b"} << 1 << QStringList{"b", "B", "b"};
    QTest::newRow("interleaved around the current")
        << QStringList{"b", "d", "f"} << 1 << QStringList{"e", "a", "d", "D", "g", "c"};
    QTest::newRow("duplicates among the new")
        << QStringList{"m"} << 0 << QStringList{"x", "a", "x", "A", "a"};
    QStringList thousands;
    for (int i = 0; i < 3000; ++i)
        thousands << QStringLiteral("T%1").arg((i * 7919) % 3001);
    QTest::newRow("thousands unsorted") << QStringList{"T1500"} << 0 << thousands;
}

// Names added at once give the entries, order and current entry that adding them one
// by one gives.
void TestDbNameList::addingManyAtOnceMatchesOneByOne()
{
    QFETCH(QStringList, present);
    QFETCH(int, current);
    QFETCH(QStringList, added);

    SortedNameList oneByOne(present), atOnce(present);
    if (!present.isEmpty()) {
        oneByOne.setSelected(0, true);
        atOnce.setSelected(0, true);
    }
    // The entry becomes current as a click on it does: its selected state is set
    // (here to what it is), which makes it the current entry.
    if (current >= 0) {
        oneByOne.setSelected(current, oneByOne.isSelected(current));
        atOnce.setSelected(current, atOnce.isSelected(current));
    }
    for (const QString& name : added)
        oneByOne.addItem(name);
    atOnce.addItems(added);

    QCOMPARE(atOnce.names(), oneByOne.names());
    QCOMPARE(atOnce.currentIndex(), oneByOne.currentIndex());
    for (int i = 0; i < atOnce.count(); ++i)
        QCOMPARE(atOnce.isSelected(i), oneByOne.isSelected(i));
    QCOMPARE(sortedTableNames(added + present), oneByOne.names());
}

void TestDbNameList::currentEntryFollowsInsertAndRemove()
{
    SortedNameList list(QStringList{"b", "d", "f"});
    QCOMPARE(list.currentIndex(), -1);
    list.setCurrentIndex(1); // "d"
    list.addItem(QStringLiteral("a"));
    QCOMPARE(list.text(list.currentIndex()), QStringLiteral("d"));
    list.addItem(QStringLiteral("z"));
    QCOMPARE(list.text(list.currentIndex()), QStringLiteral("d"));

    list.removeItem(0); // "a", before the current entry
    QCOMPARE(list.text(list.currentIndex()), QStringLiteral("d"));
    list.removeItem(list.currentIndex()); // the current entry: the next one takes its place
    QCOMPARE(list.names(), QStringList({"b", "f", "z"}));
    QCOMPARE(list.text(list.currentIndex()), QStringLiteral("f"));

    list.setCurrentIndex(2);
    list.removeItem(2); // the last entry was current: its predecessor is
    QCOMPARE(list.currentIndex(), 1);
    list.removeItem(1);
    list.removeItem(0);
    QCOMPARE(list.currentIndex(), -1);
}

void TestDbNameList::selectionIsSeparateFromTheCurrentEntry()
{
    SortedNameList list(QStringList{"c", "a", "b"});
    list.setCurrentIndex(2);
    QCOMPARE(list.selectedCount(), 0);
    list.setSelected(0, true);
    list.setSelected(2, true);
    QCOMPARE(list.selectedCount(), 2);
    // Setting a selected state makes that entry current, as the window's lists do.
    QCOMPARE(list.currentIndex(), 2);
    // Selection travels with its entry when the list changes.
    list.addItem(QStringLiteral("0"));
    QVERIFY(list.isSelected(1) && list.isSelected(3));
    QVERIFY(!list.isSelected(0) && !list.isSelected(2));
    list.removeItem(1);
    QCOMPARE(list.selectedCount(), 1);
    QVERIFY(list.isSelected(2));
    list.setCurrentIndex(-1);
    QCOMPARE(list.currentIndex(), -1);
}

void TestDbNameList::outOfRangeIsRefused()
{
    SortedNameList list(QStringList{"a"});
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.text(1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.removeItem(-1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setSelected(1, true));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setCurrentIndex(1));
    QCOMPARE(list.count(), 1);
}

QTEST_GUILESS_MAIN(TestDbNameList)
#include "tst_db_name_list.moc"
