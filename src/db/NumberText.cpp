#include "db/NumberText.h"

#include <QLocale>
#include <clocale>

namespace NumberText {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A character that some locale writes between the whole and the fractional part.
bool isForeignSeparator(QChar c)
{
    if (c == QLatin1Char(',') || c == QChar(0x066B)) // Arabic decimal separator
        return true;
    static const QString system = QLocale::system().decimalPoint();
    if (system.size() == 1 && c == system.at(0) && !isDigit(c))
        return true;
    // The C library's current one, which psqlODBC follows.
    const char* const point = std::localeconv()->decimal_point;
    return point && point[0] != '\0' && point[1] == '\0' && c == QLatin1Char(point[0]) &&
           !isDigit(c) && c != QLatin1Char('-') && c != QLatin1Char('+');
}

} // namespace

QString withDecimalPoint(const QString& text)
{
    // [+-] digits [separator digits] [e [+-] digits], with at least one digit
    // before the exponent.
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    qsizetype separatorAt = -1;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (isDigit(c)) {
            ++digits;
        } else if (separatorAt < 0 && c != QLatin1Char('e') && c != QLatin1Char('E') &&
                   isForeignSeparator(c)) {
            separatorAt = i;
        } else {
            break;
        }
    }
    if (digits == 0 || separatorAt < 0)
        return text;
    if (i < n) {
        if (text.at(i) != QLatin1Char('e') && text.at(i) != QLatin1Char('E'))
            return text;
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        const qsizetype exponentStart = i;
        while (i < n && isDigit(text.at(i)))
            ++i;
        if (i == exponentStart || i < n)
            return text;
    }
    QString plain = text;
    plain[separatorAt] = QLatin1Char('.');
    return plain;
}

} // namespace NumberText
