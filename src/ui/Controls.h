#pragma once

#include <QFont>
#include <QRect>

class QPushButton;
class QWidget;
class WindowPointer;

// The typeface and the command buttons both windows are built from.
namespace Controls {

// Arial at the size (in points) and weight given.
QFont arial(qreal points, bool bold);

// A command button of a window: its caption in Arial 11.25 bold on a white face,
// the hand pointer over it. The geometry is in pixels (see Twips.h).
QPushButton* button(QWidget* parent, const char* name, const char* caption, const QRect& geometry,
                    WindowPointer& pointer);

} // namespace Controls
