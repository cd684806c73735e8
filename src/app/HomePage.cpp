#include "app/HomePage.h"

#include <QDesktopServices>
#include <QRandomGenerator>
#include <QTime>

const QUrl HomePage::Address(QStringLiteral("https://www.harrowick.example/"));

int DesktopHomePage::drawWithSeed(quint32 seed)
{
    QRandomGenerator generator(seed);
    return static_cast<int>(generator.generateDouble() * 100.0) + 1;
}

int DesktopHomePage::draw()
{
    return drawWithSeed(static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
}

void DesktopHomePage::open(const QUrl& address)
{
    // The desktop decides how the browser appears; start-up does not wait for it.
    QDesktopServices::openUrl(address);
}
