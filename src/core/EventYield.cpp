#include "core/EventYield.h"

#include "core/ErrorTrap.h"

#include <QCoreApplication>

EventYield::EventYield() : m_intervalMs(DefaultIntervalMs)
{
    m_timer.start();
}

EventYield::EventYield(qint64 intervalMs, std::function<qint64()> clockMs)
    : m_intervalMs(intervalMs), m_clock(std::move(clockMs))
{
    m_timer.start();
}

qint64 EventYield::now() const
{
    return m_clock ? m_clock() : m_timer.elapsed();
}

void EventYield::operator()()
{
    if (m_aborted)
        throw HandlerAborted{};
    const qint64 time = now();
    if (m_started && time - m_last < m_intervalMs)
        return;
    m_started = true;
    m_last = time;
    QCoreApplication::processEvents();
    if (m_aborted)
        throw HandlerAborted{};
}

std::function<void()> EventYield::function()
{
    return [this] { (*this)(); };
}
