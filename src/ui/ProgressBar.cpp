#include "ui/ProgressBar.h"

#include "ui/WindowLayouts.h"

#include <algorithm>
#include <cmath>

const QString ProgressBar::RestText =
    QString::fromLatin1(WindowLayouts::Form2.control("ProgressBar1").caption);

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent), m_text(RestText)
{
    setRange(0, 100);
    QProgressBar::setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void ProgressBar::setValue(double value)
{
    m_value = value;
    const double shown = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 100.0);
    const int percent = static_cast<int>(std::floor(shown));
    if (percent == QProgressBar::value())
        return;
    // A send writes the value once per row: the bar is painted with the window's
    // next paint (the next turn of the event loop), not at once on every change.
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    QProgressBar::setValue(percent);
    setUpdatesEnabled(updates);
}

void ProgressBar::setText(const QString& text)
{
    m_text = text;
    update();
}
