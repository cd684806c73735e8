#include "app/MainWindows.h"

#include "app/HomePage.h"
#include "app/SkinFramework.h"
#include "core/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

namespace Main {

namespace {

void setButtonFaceBackground(QWidget& widget, const QColor& buttonFace)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, buttonFace);
    // Option buttons and check boxes paint their background in another role.
    palette.setColor(widget.backgroundRole(), buttonFace);
    widget.setPalette(palette);
    // A label stands on its frame, which has the same colour: left unfilled, it
    // shows the frame's own shading instead of a patch of flat colour.
    if (!qobject_cast<QLabel*>(&widget))
        widget.setAutoFillBackground(true);
}

} // namespace

void SetButtonFaceColors(QWidget& window)
{
    // The colour scheme's button face, read now, so that it follows the user's scheme.
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    setButtonFaceBackground(window, buttonFace);
    const auto children = window.findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
            qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child))
            setButtonFaceBackground(*child, buttonFace);
    }
}

void ApplySkin(QWidget& loginWindow, SkinFramework& skin)
{
    const QString path = SkinPath();
    // A folder of that name is no skin file.
    if (!QFileInfo(path).isFile())
        return;
    SetButtonFaceColors(loginWindow);
    skin.loadSkin(path, QString());
    const qint32 options = skin.applyOptions();
    skin.setApplyOptions(options | 1);
    skin.setOption(SkinFramework::Option5, true);
    skin.setOption(SkinFramework::Option10, true);
    skin.applyWindow(static_cast<quintptr>(loginWindow.winId()));
}

void MaybeOpenHomePage(HomePage& homePage)
{
    if (homePage.draw() == 7)
        homePage.open(HomePage::Address);
}

} // namespace Main
