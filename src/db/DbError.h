#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the data access layer. description() is the driver's
// message text unchanged (every diagnostic record, joined by a line feed); it is
// what an error report shows to the user.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString& description, const QString& sqlState = QString(),
                     int nativeCode = 0);

    const QString& description() const noexcept { return m_description; }
    // SQLSTATE and native code of the first diagnostic record (empty / 0 when unknown).
    const QString& sqlState() const noexcept { return m_sqlState; }
    int nativeCode() const noexcept { return m_nativeCode; }

private:
    QString m_description;
    QString m_sqlState;
    int m_nativeCode;
};
