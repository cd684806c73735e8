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
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, jobOrStop);
        }
        if (!job)
            return; // stopped
        (*job)();   // catches everything itself (BlockingCall)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done.store(true);
        }
        m_changed.notify_all();
        // Wakes the window thread if it sleeps in its event loop (it looks at
        // m_done after raising m_looping, so one of the two sees the other).
        if (m_looping.load() && m_dispatcher)
            m_dispatcher->wakeUp();
    }
}

bool DriverWaitLoop::waitForAnswer(int milliseconds)
{
    if (m_done.load())
        return true;
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_done.load(); });
}

void DriverWaitLoop::wait(const std::function<void()>& work)
{
    // A call from inside the loop (an event handled while another call waits)
    // cannot have the worker; it waits here as it did before.
    if (m_busy || QThread::currentThread() != thread()) {
        work();
        return;
    }
    m_busy = true;
    m_done.store(false);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job.store(&work);
    }
    m_changed.notify_all();
    if (!waitForAnswer(QuickAnswerMs)) {
        ++m_looped;
        m_looping.store(true);
        QCoreApplication::instance()->installEventFilter(this);
        while (!m_done.load()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (m_ending() && !m_done.load())
                m_abandon();
        }
        QCoreApplication::instance()->removeEventFilter(this);
        m_looping.store(false);
    }
    m_busy = false;
}

bool DriverWaitLoop::eventFilter(QObject* watched, QEvent* event)
{
    if (isUserInput(event->type()))
        return true;
    return QObject::eventFilter(watched, event);
}
