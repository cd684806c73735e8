#pragma once

#include <QString>
#include <memory>
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

// The object a handler created at an earlier step. When its creation failed, every
// later use throws AppError and is reported at its own step, instead of touching a
// null pointer.
template <class T> T& createdObject(const std::unique_ptr<T>& object)
{
    if (!object)
        throw AppError(QStringLiteral("The database object was not created."));
    return *object;
}
