#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QtMath>

// Positions and sizes of the window layouts are in twips: 1440 to the logical
// inch, so 15 twips a pixel at 96 DPI.
class Twips
{
public:
    Twips(qreal logicalDpiX, qreal logicalDpiY) : m_dpiX(logicalDpiX), m_dpiY(logicalDpiY) {}

    // The logical DPI of the primary screen (96 when there is none).
    static Twips forScreen()
    {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return Twips(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
        return Twips(96, 96);
    }

    int x(int twips) const { return qRound(twips * m_dpiX / 1440.0); }
    int y(int twips) const { return qRound(twips * m_dpiY / 1440.0); }
    QRect rect(int left, int top, int width, int height) const
    {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    qreal m_dpiX;
    qreal m_dpiY;
};
