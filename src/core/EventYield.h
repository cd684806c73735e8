#pragma once

#include <QElapsedTimer>
#include <functional>

// The yield of the catalog listings and the transfers: lets the user interface
// process its pending events, at most about once every 10 ms, so that calling it
// once per value costs little. Once abort() was called (the program is ending),
// every call throws HandlerAborted (ErrorTrap.h) to unwind the running handler.
class EventYield
{
public:
    static constexpr qint64 DefaultIntervalMs = 10;

    EventYield();
    // Test-only: a clock in milliseconds in place of the monotonic one.
    EventYield(qint64 intervalMs, std::function<qint64()> clockMs);

    // Processes pending events when the interval has passed since the last time
    // (always on the first call). Throws HandlerAborted once aborted, also when
    // the events processed now are the ones that abort.
    void operator()();

    void abort() noexcept { m_aborted = true; }
    bool aborted() const noexcept { return m_aborted; }

    // A YieldFn (NameList.h) that calls this one; the object must outlive it.
    std::function<void()> function();

private:
    qint64 now() const;

    qint64 m_intervalMs;
    std::function<qint64()> m_clock;
    QElapsedTimer m_timer;
    qint64 m_last = 0;
    bool m_started = false;
    bool m_aborted = false;
};
