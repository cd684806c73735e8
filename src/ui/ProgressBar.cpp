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
    QProgressBar::setValue(static_cast<int>(std::floor(shown)));
}

void ProgressBar::setText(const QString& text)
{
    m_text = text;
    update();
}
