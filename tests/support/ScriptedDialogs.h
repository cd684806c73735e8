#pragma once

#include "core/Dialogs.h"

#include <QQueue>
#include <QString>
#include <QVector>

// Test-only Dialogs: answers from queues, and a record of every box shown.
// A message box with nothing queued answers OK (for an OK box) or fails the
// test (for a Yes/No box); an input box with nothing queued fails the test.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        enum Kind
        {
            Message,
            Input
        } kind;
        QString text; // message text, or the input box's prompt
        QString caption;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString defaultText; // input box only
    };

    int messageBox(const QString& text, Buttons buttons, Icon icon,
                   const QString& caption) override;
    QString inputBox(const QString& prompt, const QString& caption,
                     const QString& defaultText) override;

    void queueAnswer(int answer) { m_answers.enqueue(answer); }
    void queueInput(const QString& text) { m_inputs.enqueue(text); }

    const QVector<Shown>& shown() const { return m_shown; }
    // The texts of the message boxes shown, in order.
    QStringList messageTexts() const;
    // The error reports shown ("Application Error" boxes), in order.
    QStringList errorReports() const;
    void clear();

    // Called (when set) while a box is "open", e.g. to check the pointer state.
    std::function<void(const Shown&)> onShow;

private:
    QQueue<int> m_answers;
    QQueue<QString> m_inputs;
    QVector<Shown> m_shown;
};
