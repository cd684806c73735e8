#pragma once

#include <QCursor>
#include <QString>

// Loads a Windows cursor file (.cur) as a mouse pointer, with the hot spot the
// file gives. Throws AppError("Invalid picture") when the file cannot be read as
// a cursor or icon image.
QCursor loadCursorFile(const QString& path);
