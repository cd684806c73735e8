#pragma once

#include "core/Dialogs.h"

#include <functional>

class QDialog;
class QWidget;

// The program's dialogs: QMessageBox and QInputDialog, modal and centred over the
// program's window that they belong to. The texts keep their CR/LF bytes; each
// CR LF, CR or LF is shown as a line break.
//
// While a box is open the program's windows take no input, but closing one of
// them still ends the program: the box then goes and the call throws
// HandlerAborted (core/ErrorTrap.h), which unwinds the handler that asked.
//
// A message box's text can be selected with the mouse, and Ctrl+C copies the
// whole text, also where the box shows it shortened: a text too long for the
// screen (an error report that ends in a 32 KB statement) is shown wrapped and cut
// to what fits, so that the box and its OK button stay on the screen.
class QtDialogs : public Dialogs
{
public:
    // ending: true once the program is ending (a window was closed).
    void setEnding(std::function<bool()> ending) { m_ending = std::move(ending); }

    int messageBox(const QString& text, Buttons buttons, Icon icon,
                   const QString& caption) override;
    QString inputBox(const QString& prompt, const QString& caption,
                     const QString& defaultText) override;

    // The text as the box shows it: CR LF, CR and LF each become one line break.
    static QString displayText(const QString& text);

    // The display text fitted into at most maxLines lines of at most maxColumns
    // characters: a longer line is wrapped (at a blank when one is near), and what
    // does not fit ends in "..." followed by a line that says Ctrl+C copies it all.
    static QString fittedText(const QString& text, int maxColumns, int maxLines);
    // The same with the width of a line measured by the given function (in pixels
    // of the box's font) against maxWidth.
    static QString fittedText(const QString& text, const std::function<int(const QString&)>& width,
                              int maxWidth, int maxLines);

    // The window a dialog opened now belongs to: the active window of the program,
    // or else its visible main window; null when none is shown.
    static QWidget* ownerWindow();

private:
    // Shows the box and waits for its answer; returns its result code.
    int runBox(QDialog& box);

    std::function<bool()> m_ending = [] { return false; };
};
