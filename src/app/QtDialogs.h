#pragma once

#include "Dialogs.h"

class QWidget;

// The program's dialogs: QMessageBox and QInputDialog, modal to the active window.
// The texts keep their CR/LF bytes; each CR LF, CR or LF is shown as a line break.
class QtDialogs : public Dialogs
{
public:
    int messageBox(const QString& text, Buttons buttons, Icon icon,
                   const QString& caption) override;
    QString inputBox(const QString& prompt, const QString& caption,
                     const QString& defaultText) override;

    // The text as the box shows it: CR LF, CR and LF each become one line break.
    static QString displayText(const QString& text);
};
