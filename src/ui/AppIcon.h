#pragma once

#include <QIcon>

// The application icon of both windows (256, 128, 48 and 32 pixels).
QIcon applicationIcon();
