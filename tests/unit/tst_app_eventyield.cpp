#include "ErrorTrap.h"
#include "EventYield.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

class TestEventYield : public QObject
{
    Q_OBJECT

private slots:
    // Events are processed on the first call and then at most once per interval,
    // on the yield's own clock.
    void processesAtMostOncePerInterval()
    {
        qint64 clock = 1000;
        EventYield yield(10, [&] { return clock; });
        int delivered = 0;
        auto post = [&] { QTimer::singleShot(0, this, [&] { ++delivered; }); };

        post();
        yield();
        QCOMPARE(delivered, 1);
        post();
        clock += 9;
        yield();
        QCOMPARE(delivered, 1);
        clock += 1;
        yield();
        QCOMPARE(delivered, 2);
        QCoreApplication::processEvents();
    }

    void throwsOnceAborted()
    {
        qint64 clock = 0;
        EventYield yield(10, [&] { return clock; });
        yield();
        yield.abort();
        QVERIFY(yield.aborted());
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, yield());
        clock += 100;
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, yield());
    }

    // The close that aborts usually arrives in the events the yield processes.
    void throwsWhenTheProcessedEventsAbort()
    {
        qint64 clock = 0;
        EventYield yield(10, [&] { return clock; });
        QTimer::singleShot(0, this, [&] { yield.abort(); });
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, yield());
    }

    void functionCallsTheSameYield()
    {
        qint64 clock = 0;
        EventYield yield(10, [&] { return clock; });
        const std::function<void()> fn = yield.function();
        fn();
        yield.abort();
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, fn());
    }
};

QTEST_GUILESS_MAIN(TestEventYield)
#include "tst_app_eventyield.moc"
