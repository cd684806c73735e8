#include "ui/Controls.h"

#include "ui/Twips.h"
#include "ui/WindowPointer.h"

#include <QGuiApplication>
#include <QPushButton>

#include <algorithm>

namespace Controls {

QFont font(const WindowLayouts::Font& font)
{
    QFont result(QString::fromLatin1(font.family));
    result.setPointSizeF(font.points);
    result.setBold(font.bold);
    return result;
}

void place(QWidget* widget, const WindowLayouts::Control& row, const Twips& twips)
{
    widget->setObjectName(QLatin1String(row.name));
    widget->setGeometry(twips.rect(row.left, row.top, row.width, row.height));
    if (row.font.family)
        widget->setFont(font(row.font));
}

QPushButton* button(QWidget* parent, const WindowLayouts::Control& row, WindowPointer& pointer)
{
    auto* push = new QPushButton(QString::fromLatin1(row.caption), parent);
    QPalette palette = push->palette();
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::ButtonText, QGuiApplication::palette().color(QPalette::ButtonText));
    push->setPalette(palette);
    pointer.watch(push, WindowPointer::HandRule);
    return push;
}

void setTabOrder(QList<std::pair<int, QWidget*>> focusable)
{
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1].second, focusable[i].second);
    if (!focusable.isEmpty())
        focusable.first().second->setFocus();
}

} // namespace Controls
