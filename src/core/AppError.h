#pragma once

#include <QString>
#include <stdexcept>

// A failure of the program itself (a window operation, a file that cannot be
// loaded), carrying the description the error report shows.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }
    const QString& description() const noexcept { return m_description; }

private:
    QString m_description;
};
