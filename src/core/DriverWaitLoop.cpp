#include "core/DriverWaitLoop.h"

#include "core/UserInput.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <chrono>
#include <cstdlib>

DriverWaitLoop::DriverWaitLoop(std::function<bool()> ending)
    : m_ending(std::move(ending)), m_abandon([] { std::_Exit(0); }),
      m_dispatcher(QAbstractEventDispatcher::instance())
{
    m_worker = std::thread([this] { workerMain(); });
}

DriverWaitLoop::~DriverWaitLoop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true);
    }
    m_changed.notify_all();
    m_worker.join();
}

void DriverWaitLoop::workerMain()
{
    for (;;) {
        const std::function<void()>* job = nullptr;
        const auto jobOrStop = [&] {
            job = m_job.exchange(nullptr);
            return job || m_stop.load();
        };
        // A handler that runs statement after statement (a send, row by row) hands
        // the next call over a few microseconds after the last answer. The worker
        // looks for it for a moment before it sleeps, giving its processor away
        // meanwhile to whatever else may run, so that such a call starts without
        // waking a sleeping thread. The servers have answered by then and wait.
        const auto lookUntil = std::chrono::steady_clock::now() + NextCallLook;
        while (!jobOrStop() && std::chrono::steady_clock::now() < lookUntil)
            std::this_thread::yield();
        if (!job && !m_stop.load()) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, jobOrStop);
        }
        if (!job)
            return; // stopped
        (*job)();   // catches everything itself (BlockingCall)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished.fetch_add(1);
        }
        m_changed.notify_all();
        // Wakes the window thread if it sleeps in its event loop (it looks at
        // m_finished after raising m_looping, so one of the two sees the other).
        if (m_looping.load() && m_dispatcher)
            m_dispatcher->wakeUp();
    }
}

bool DriverWaitLoop::finished(std::uint64_t ticket) const
{
    return m_finished.load() >= ticket;
}

bool DriverWaitLoop::waitForAnswer(std::uint64_t ticket, int milliseconds)
{
    // Most calls of a send answer within tens of microseconds: a short look, giving
    // the processor away meanwhile, spares waking this thread from sleep.
    const auto lookUntil = std::chrono::steady_clock::now() + AnswerLook;
    while (!finished(ticket) && std::chrono::steady_clock::now() < lookUntil)
        std::this_thread::yield();
    if (finished(ticket))
        return true;
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [&] { return finished(ticket); });
}

void DriverWaitLoop::loopUntil(std::uint64_t ticket)
{
    ++m_looped;
    while (!finished(ticket)) {
        // Also before the first sleep: a window closed meanwhile must not wait
        // for an answer that may never come.
        if (m_ending() && !finished(ticket)) {
            m_abandon();
            if (finished(ticket))
                break;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void DriverWaitLoop::wait(const std::function<void()>& work)
{
    if (QThread::currentThread() != thread()) {
        work();
        return;
    }
    // A call that starts once the program is ending would keep it waiting.
    if (m_ending())
        m_abandon();

    // Whatever way this call leaves (an event handled meanwhile may throw), the
    // worker is done with `work` first, and the loop's state is as it was.
    struct Scope
    {
        DriverWaitLoop& self;
        const bool wasBusy = self.m_busy;
        const bool wasLooping = self.m_looping.load();
        bool filtering = false;
        std::uint64_t ticket = 0;
        ~Scope()
        {
            if (ticket != 0 && !self.finished(ticket)) {
                std::unique_lock<std::mutex> lock(self.m_mutex);
                self.m_changed.wait(lock, [this] { return self.finished(ticket); });
            }
            if (filtering) {
                QCoreApplication::instance()->removeEventFilter(&self);
                self.m_filtering = false;
            }
            self.m_looping.store(wasLooping);
            self.m_busy = wasBusy;
        }
        void loop()
        {
            self.m_looping.store(true);
            if (!self.m_filtering) {
                self.m_filtering = filtering = true;
                QCoreApplication::instance()->installEventFilter(&self);
            }
        }
    } scope{*this};

    // A call made from an event handled while another call waits (a timer, an
    // accessibility action) takes its turn after that call: the worker runs one
    // call at a time, and no handle is used by two threads at once.
    if (m_busy && !finished(m_posted)) {
        scope.loop();
        loopUntil(m_posted);
    }
    m_busy = true;
    scope.ticket = ++m_posted;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job.store(&work);
    }
    m_changed.notify_all();
    if (!waitForAnswer(scope.ticket, QuickAnswerMs)) {
        scope.loop();
        loopUntil(scope.ticket);
    }
}

bool DriverWaitLoop::eventFilter(QObject* watched, QEvent* event)
{
    if (isUserInput(event->type()))
        return true;
    return QObject::eventFilter(watched, event);
}
