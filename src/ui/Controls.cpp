#include "ui/Controls.h"

#include "ui/WindowPointer.h"

#include <QGuiApplication>
#include <QPushButton>

namespace Controls {

QFont arial(qreal points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, const QRect& geometry,
                    WindowPointer& pointer)
{
    auto* push = new QPushButton(QString::fromLatin1(caption), parent);
    push->setObjectName(QLatin1String(name));
    push->setGeometry(geometry);
    push->setFont(arial(11.25, true));
    QPalette palette = push->palette();
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::ButtonText, QGuiApplication::palette().color(QPalette::ButtonText));
    push->setPalette(palette);
    pointer.watch(push, WindowPointer::HandRule);
    return push;
}

} // namespace Controls
