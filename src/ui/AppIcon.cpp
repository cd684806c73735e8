#include "ui/AppIcon.h"

#include <QtGlobal>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initResources()
{
    Q_INIT_RESOURCE(dovetab);
}

QIcon applicationIcon()
{
    // The resources live in a static library: their registration has to be called.
    static const bool registered = (initResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (int size : {256, 128, 48, 32})
        icon.addFile(QStringLiteral(":/icons/dovetab-%1.png").arg(size), QSize(size, size));
    return icon;
}
