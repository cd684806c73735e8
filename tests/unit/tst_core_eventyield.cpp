#include "core/DriverWaitLoop.h"
#include "core/ErrorTrap.h"
#include "core/EventYield.h"
#include "db/BlockingCall.h"
#include "db/DbError.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

// A driver call stand-in that waits until the window thread lets it go. The
// bound only keeps a broken wait loop from hanging the test.
class Gate
{
public:
    bool waitOpen()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_open; });
    }
    void open()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

class InputCounter : public QObject
{
public:
    int keys = 0;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)
            ++keys;
        return QObject::event(event);
    }
};

// Installs a waiter for one test and takes it away again.
struct InstalledWaiter
{
    explicit InstalledWaiter(DriverWaiter& waiter) { BlockingCall::setWaiter(&waiter); }
    ~InstalledWaiter() { BlockingCall::setWaiter(nullptr); }
};

} // namespace

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

    // The driver calls through the wait loop: results and failures come back to
    // the caller, calls run on the worker, and a call inside a call runs
    // directly where it is (on the worker), so nothing waits on itself.
    void driverCallsReturnTheirResultsAndFailures()
    {
        DriverWaitLoop loop([] { return false; });
        InstalledWaiter installed(loop);
        QThread* const windowThread = QThread::currentThread();

        QCOMPARE(BlockingCall::run([] { return 42; }), 42);
        QThread* outer = nullptr;
        QThread* inner = nullptr;
        BlockingCall::run([&] {
            outer = QThread::currentThread();
            BlockingCall::run([&] { inner = QThread::currentThread(); });
        });
        QVERIFY(outer != windowThread);
        QCOMPARE(inner, outer);
        try {
            BlockingCall::run([]() -> int { throw DbError(QStringLiteral("server gone")); });
            QFAIL("no exception");
        } catch (const DbError& e) {
            QCOMPARE(e.description(), QStringLiteral("server gone"));
        }
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, BlockingCall::run([] { throw HandlerAborted{}; }));
        // Without a waiter the call runs on the calling thread.
        BlockingCall::setWaiter(nullptr);
        QCOMPARE(BlockingCall::run([] { return QThread::currentThread(); }), windowThread);
    }

    // While a call waits, the window thread handles its events (timers, paints,
    // closing) but drops user input, input-method text too; a call made from
    // such an event waits until the running call has answered and then runs on
    // the worker, never beside it on the window thread.
    void waitingCallKeepsTheEventLoopGoing()
    {
        DriverWaitLoop loop([] { return false; });
        InstalledWaiter installed(loop);
        Gate gate;
        InputCounter input;
        std::atomic<bool> outerAnswered{false};
        bool outerAnsweredFirst = false;
        QThread* nested = nullptr;
        QTimer::singleShot(0, this, [&] {
            QCoreApplication::postEvent(&input, new QEvent(QEvent::KeyPress));
            QCoreApplication::postEvent(&input, new QEvent(QEvent::InputMethod));
            QTimer::singleShot(0, this, [&] { gate.open(); });
            nested = BlockingCall::run([&] {
                outerAnsweredFirst = outerAnswered.load();
                return QThread::currentThread();
            });
        });
        const bool opened = BlockingCall::run([&] {
            const bool open = gate.waitOpen();
            outerAnswered = true;
            return open;
        });
        QVERIFY2(opened, "the window thread did not run its events while the call waited");
        QVERIFY(loop.loopedCalls() >= 1);
        QVERIFY(nested && nested != QThread::currentThread());
        QVERIFY(outerAnsweredFirst);
        QCOMPARE(input.keys, 0);

        // Input after the wait reaches its receiver again.
        QCoreApplication::postEvent(&input, new QEvent(QEvent::KeyPress));
        QCoreApplication::postEvent(&input, new QEvent(QEvent::InputMethod));
        QCoreApplication::processEvents();
        QCOMPARE(input.keys, 2);
    }

    // The program ends while a call is still inside the driver: the process
    // would end at once (the test's action lets the call go instead).
    void endingWhileACallWaitsAbandonsIt()
    {
        bool ending = false;
        DriverWaitLoop loop([&] { return ending; });
        InstalledWaiter installed(loop);
        Gate gate;
        int abandoned = 0;
        loop.setAbandonActionForTesting([&] {
            ++abandoned;
            gate.open();
        });
        QTimer::singleShot(0, this, [&] { ending = true; });
        QVERIFY(BlockingCall::run([&] { return gate.waitOpen(); }));
        QVERIFY(abandoned >= 1);
    }

    // A call that starts once the program is ending is abandoned before it is
    // handed over, not after its first wait.
    void callStartedWhileEndingIsAbandonedAtOnce()
    {
        DriverWaitLoop loop([] { return true; });
        InstalledWaiter installed(loop);
        Gate gate;
        std::atomic<bool> started{false};
        bool startedBeforeAbandon = true;
        loop.setAbandonActionForTesting([&] {
            startedBeforeAbandon = started.load();
            gate.open();
            throw HandlerAborted{};
        });
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, BlockingCall::run([&] {
                                     started = true;
                                     return gate.waitOpen();
                                 }));
        QVERIFY(!startedBeforeAbandon);
        QVERIFY(!started);
    }

    // Leaving the wait by an exception (here the abandon action throws while the
    // call is still running) waits for the call and leaves the loop as it was:
    // the next call runs on the worker again and input is no longer dropped.
    void waitLeftByAnExceptionLeavesTheLoopUsable()
    {
        bool ending = false;
        DriverWaitLoop loop([&] { return ending; });
        InstalledWaiter installed(loop);
        Gate gate;
        std::atomic<bool> answered{false};
        loop.setAbandonActionForTesting([&] {
            gate.open();
            throw HandlerAborted{};
        });
        QTimer::singleShot(0, this, [&] { ending = true; });
        QVERIFY_THROWS_EXCEPTION(HandlerAborted, BlockingCall::run([&] {
                                     gate.waitOpen();
                                     QThread::msleep(50);
                                     answered = true;
                                 }));
        QVERIFY(answered);
        ending = false;
        QVERIFY(BlockingCall::run([] { return QThread::currentThread(); }) !=
                QThread::currentThread());
        InputCounter input;
        QCoreApplication::postEvent(&input, new QEvent(QEvent::KeyPress));
        QCoreApplication::processEvents();
        QCOMPARE(input.keys, 1);
    }
};

QTEST_GUILESS_MAIN(TestEventYield)
#include "tst_core_eventyield.moc"
