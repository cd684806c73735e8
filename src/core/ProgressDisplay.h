#pragma once

#include <QString>

// What the transfers need of the tables window's progress bar: a value from 0 to
// 100 kept in double precision, and a text of its own ("Progress Bar" at rest).
class ProgressDisplay
{
public:
    virtual ~ProgressDisplay() = default;
    virtual void setValue(double value) = 0;
    virtual double value() const = 0;
    virtual void setText(const QString& text) = 0;
    virtual QString text() const = 0;
};
