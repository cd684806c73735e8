#pragma once

#include <QEvent>

// True for the events of the mouse, the keyboard, touch, tablets and drag and
// drop: what the windows must not take while they wait (for a driver, for the
// answer to a box).
bool isUserInput(QEvent::Type type);
