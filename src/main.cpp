#include "Form1.h"
#include "HomePage.h"
#include "QtDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("dovetab"));
    // The windows end the program themselves when either is closed; a message box
    // closed while no window is shown yet (a report during start-up) must not.
    QApplication::setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    DesktopHomePage homePage;
    Form1 loginWindow(dialogs, homePage);
    loginWindow.start();
    if (loginWindow.programEnded())
        return 0;
    return QApplication::exec();
}
