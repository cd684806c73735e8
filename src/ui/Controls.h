#pragma once

#include "ui/WindowLayouts.h"

#include <QFont>
#include <QList>
#include <utility>

class QPushButton;
class QWidget;
class Twips;
class WindowPointer;

// What both windows do alike with the rows of their layouts (ui/WindowLayouts.h).
namespace Controls {

// The font of a row; a row without a font of its own keeps the window's.
QFont font(const WindowLayouts::Font& font);

// Gives the widget the row's object name, rectangle and font.
void place(QWidget* widget, const WindowLayouts::Control& row, const Twips& twips);

// A command button of a window: its caption on a white face, the hand pointer over it.
QPushButton* button(QWidget* parent, const WindowLayouts::Control& row, WindowPointer& pointer);

// Chains the controls that take the focus in rising tab index (the rows' order
// where two are equal) and gives the first one the focus.
void setTabOrder(QList<std::pair<int, QWidget*>> focusable);

} // namespace Controls
