#pragma once

#include "core/ProgressDisplay.h"

#include <QProgressBar>

// The tables window's progress bar: a value from 0 to 100 kept in double
// precision and a text of its own in place of the percentage ("Progress Bar"
// at rest).
class ProgressBar : public QProgressBar, public ProgressDisplay
{
    Q_OBJECT
public:
    static const QString RestText; // "Progress Bar"

    explicit ProgressBar(QWidget* parent = nullptr);

    // ProgressDisplay. The bar shows the value within 0 to 100; the value itself
    // is kept as given.
    void setValue(double value) override;
    double value() const override { return m_value; }
    void setText(const QString& text) override;
    QString text() const override { return m_text; }

private:
    double m_value = 0;
    QString m_text;
};
