#pragma once

#include <QString>

// Every message box and the input box of the program go through this interface.
// The windows get the real one (QtDialogs); tests pass a scripted one that
// returns queued answers and records what was shown.
class Dialogs
{
public:
    enum class Buttons
    {
        Ok,
        YesNo
    };
    enum class Icon
    {
        None,
        Warning
    };
    // The answers, with the codes the handlers compare against.
    enum Answer
    {
        Ok = 1,
        Yes = 6,
        No = 7
    };

    virtual ~Dialogs() = default;

    // Both calls throw HandlerAborted (ErrorTrap.h) when the program ends while
    // the box is open, or has ended already.

    // Shows a modal message box and returns the button pressed (Ok, Yes or No).
    virtual int messageBox(const QString& text, Buttons buttons, Icon icon,
                           const QString& caption) = 0;

    // Shows the modal input box with the text pre-filled. Returns the text in the
    // box on OK and the empty text on Cancel.
    virtual QString inputBox(const QString& prompt, const QString& caption,
                             const QString& defaultText) = 0;
};
