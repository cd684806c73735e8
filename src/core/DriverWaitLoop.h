#pragma once

#include "db/BlockingCall.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// The waiter of the windows: a driver call runs on a worker thread of its own,
// and the window thread, instead of blocking, waits in a loop that keeps both
// windows painted and lets them be closed. Mouse and keyboard input to the
// windows (input-method text included) is dropped meanwhile (the running handler
// still owns them), so the pointer stays as the handler set it, the hourglass.
// A call made from an event handled during the wait waits for the running call
// to answer and then takes the worker in its turn.
//
// When the program ends (a window was closed) while a call is still inside the
// driver, the process ends at once with status 0: the handles in use cannot be
// freed from this thread, and nothing is saved at the end of the program anyway
// (every login value was stored when it was typed). A statement that the server
// has not finished is then lost with its connection, as when the network goes.
// A call that starts once the program is ending ends it the same way.
class QAbstractEventDispatcher;

class DriverWaitLoop : public DriverWaiter, private QObject
{
public:
    // How long a call may take before the loop starts: most calls answer within
    // this, and handing them over costs only a thread switch.
    static constexpr int QuickAnswerMs = 20;
    // How long the worker looks for the next call after an answer before it sleeps.
    static constexpr std::chrono::microseconds NextCallLook{100};
    // How long the window thread looks for an answer before it sleeps.
    static constexpr std::chrono::microseconds AnswerLook{50};

    // ending: true once the program is ending. The loop must be made on the
    // window thread, with a QCoreApplication in place.
    explicit DriverWaitLoop(std::function<bool()> ending);
    ~DriverWaitLoop() override;
    DriverWaitLoop(const DriverWaitLoop&) = delete;
    DriverWaitLoop& operator=(const DriverWaitLoop&) = delete;

    void wait(const std::function<void()>& work) override;

    // Test-only: what ending the process does (std::_Exit(0) by default). The
    // action may return; wait() then keeps waiting for the call.
    void setAbandonActionForTesting(std::function<void()> abandon)
    {
        m_abandon = std::move(abandon);
    }
    // Test-only: calls that waited in the loop since the start.
    int loopedCalls() const noexcept { return m_looped; }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void workerMain();
    bool finished(std::uint64_t ticket) const;
    bool waitForAnswer(std::uint64_t ticket, int milliseconds);
    // Handles events (user input dropped) until the call `ticket` has answered.
    void loopUntil(std::uint64_t ticket);

    std::function<bool()> m_ending;
    std::function<void()> m_abandon;
    QAbstractEventDispatcher* m_dispatcher; // the window thread's
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Set under m_mutex (so that a sleeping side cannot miss them), read freely.
    std::atomic<const std::function<void()>*> m_job{nullptr};
    std::atomic<std::uint64_t> m_finished{0}; // calls the worker has finished
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_looping{false}; // the window thread waits in its event loop
    // Window thread only: calls handed over, a call is running or waiting, the
    // input filter is installed.
    std::uint64_t m_posted = 0;
    bool m_busy = false;
    bool m_filtering = false;
    int m_looped = 0;
    std::thread m_worker;
};
