#include "WindowPointer.h"

#include "AppError.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QWidget>

WindowPointer::WindowPointer(QWidget& window) : QObject(&window), m_window(window) {}

void WindowPointer::set(int state)
{
    if (state != Default && state != Hourglass && state != Custom)
        throw AppError(QStringLiteral("Invalid property value"));
    m_state = state;
    apply();
}

void WindowPointer::setCustomCursor(const QCursor& cursor)
{
    m_custom = cursor;
    apply();
}

void WindowPointer::apply()
{
    switch (m_state) {
    case Hourglass:
        m_window.setCursor(Qt::WaitCursor);
        break;
    case Custom:
        if (m_custom)
            m_window.setCursor(*m_custom);
        else
            m_window.setCursor(Qt::ArrowCursor);
        break;
    default:
        m_window.setCursor(Qt::ArrowCursor);
        break;
    }
}

void WindowPointer::watch(QWidget* widget, Rule rule)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    m_rules.insert(widget, rule);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
        area->viewport()->setMouseTracking(true);
        area->viewport()->installEventFilter(this);
        m_rules.insert(area->viewport(), rule);
    }
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove)
        return false;
    const auto found = m_rules.constFind(watched);
    if (found == m_rules.constEnd())
        return false;
    const auto* move = static_cast<QMouseEvent*>(event);
    const bool buttonHeld = move->buttons() != Qt::NoButton;
    switch (*found) {
    case HandRule:
        if (m_state != Hourglass && m_state != Custom)
            set(Custom);
        // A button ignores a plain move, which would then reach its frame and undo
        // the hand; while a mouse button is held the button needs the move itself.
        return !buttonHeld;
    case DefaultRule:
        if (m_state != Hourglass && m_state != Default)
            set(Default);
        return false;
    case Quiet:
        return !buttonHeld;
    }
    return false;
}
