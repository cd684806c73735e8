#include "ui/WindowPointer.h"

#include "core/AppError.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

WindowPointer::WindowPointer(QWidget& window) : QObject(&window), m_window(window) {}

void WindowPointer::set(int state)
{
    if (state != PointerState::Default && state != PointerState::Hourglass &&
        state != PointerState::Hand)
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
    QCursor shown(Qt::ArrowCursor);
    if (m_state == PointerState::Hourglass)
        shown = QCursor(Qt::WaitCursor);
    else if (m_state == PointerState::Hand && m_custom)
        shown = *m_custom;
    m_window.setCursor(shown);

    if (m_state == PointerState::Default) {
        for (auto& [control, own] : m_covered)
            if (control)
                control->setCursor(own);
        m_covered.clear();
        return;
    }
    // A control with a pointer of its own would show it instead of the window's.
    for (QWidget* control : m_window.findChildren<QWidget*>()) {
        if (control->isWindow())
            continue;
        auto covered =
            std::find_if(m_covered.begin(), m_covered.end(),
                         [control](const auto& entry) { return entry.first == control; });
        if (covered == m_covered.end()) {
            if (!control->testAttribute(Qt::WA_SetCursor))
                continue;
            m_covered.append({QPointer<QWidget>(control), control->cursor()});
        }
        control->setCursor(shown);
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
        if (m_state != PointerState::Hourglass && m_state != PointerState::Hand)
            set(PointerState::Hand);
        // A button ignores a plain move, which would then reach its frame and undo
        // the hand; while a mouse button is held the button needs the move itself.
        return !buttonHeld;
    case DefaultRule:
        if (m_state != PointerState::Hourglass && m_state != PointerState::Default)
            set(PointerState::Default);
        return false;
    case Quiet:
        return !buttonHeld;
    }
    return false;
}
