#include "DriverWaitLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <chrono>
#include <cstdlib>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
        return true;
    default:
        return false;
    }
}

} // namespace

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
        m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void DriverWaitLoop::workerMain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || m_job; });
        if (m_stop)
            return;
        const std::function<void()>* job = m_job;
        lock.unlock();
        (*job)(); // catches everything itself (BlockingCall)
        lock.lock();
        m_job = nullptr;
        m_done = true;
        m_changed.notify_all();
        // Wakes the window thread if it sleeps in its event loop.
        if (m_dispatcher)
            m_dispatcher->wakeUp();
    }
}

bool DriverWaitLoop::waitForAnswer(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_done; });
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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = &work;
        m_done = false;
    }
    m_changed.notify_all();
    if (!waitForAnswer(QuickAnswerMs)) {
        ++m_looped;
        QCoreApplication::instance()->installEventFilter(this);
        while (!waitForAnswer(0)) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (m_ending() && !waitForAnswer(0))
                m_abandon();
        }
        QCoreApplication::instance()->removeEventFilter(this);
    }
    m_busy = false;
}

bool DriverWaitLoop::eventFilter(QObject* watched, QEvent* event)
{
    if (isUserInput(event->type()))
        return true;
    return QObject::eventFilter(watched, event);
}
