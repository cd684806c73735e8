#pragma once

#include "core/PointerState.h"

#include <QCursor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <optional>
#include <utility>

class QWidget;

// The mouse pointer of one window (core/PointerState.h): default (0), hourglass
// (11) or the hand (99), always set on the whole window. The hourglass and the hand show over
// every control, also over those with a pointer of their own (the I-beam of a
// text box), which get theirs back when the window returns to the default. It also carries the
// window's pointer rules: moving the mouse over a push button shows the hand, over a box, list,
// frame or the bare window the default, and neither replaces the hourglass.
class WindowPointer : public QObject
{
    Q_OBJECT
public:
    // Over a widget registered as Quiet (a label) the pointer is left as it is.
    enum Rule
    {
        DefaultRule,
        HandRule,
        Quiet
    };

    explicit WindowPointer(QWidget& window);

    int state() const noexcept { return m_state; }
    // Throws AppError for a state other than 0, 11 and 99.
    void set(int state);

    // The hand cursor image; without one the custom state shows the default arrow.
    void setCustomCursor(const QCursor& cursor);
    bool hasCustomCursor() const noexcept { return m_custom.has_value(); }

    // Mouse moves over the widget (and, for a list, its viewport) follow the rule.
    void watch(QWidget* widget, Rule rule);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QWidget& m_window;
    int m_state = PointerState::Default;
    std::optional<QCursor> m_custom;
    QHash<QObject*, Rule> m_rules;
    // Controls whose own pointer the hourglass or the hand covers, with that pointer.
    QList<std::pair<QPointer<QWidget>, QCursor>> m_covered;
};
