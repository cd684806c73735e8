#include "app/HomePage.h"
#include "app/QtDialogs.h"
#include "core/DriverWaitLoop.h"
#include "ui/Form1.h"

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
    // Every driver call waits on a worker thread while the windows stay alive.
    DriverWaitLoop driverWait([&loginWindow] { return loginWindow.programEnded(); });
    // Closing a window while a box is open ends the program as well.
    dialogs.setEnding([&loginWindow] { return loginWindow.programEnded(); });
    BlockingCall::setWaiter(&driverWait);
    loginWindow.start();
    const int status = loginWindow.programEnded() ? 0 : QApplication::exec();
    BlockingCall::setWaiter(nullptr);
    return status;
}
