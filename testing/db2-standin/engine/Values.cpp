#include "Values.h"

#include "Errors.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace db2s {

namespace {

// ---------------------------------------------------------------- numbers

// A decimal number: digits x 10^exponent. Digits carry no leading zeros ("0"
// for zero), so DECFLOAT keeps trailing zeros the way it was given them.
struct DecNumber
{
    enum class Special
    {
        None,
        Infinity,
        NaN
    };
    bool negative = false;
    std::string digits = "0";
    long exponent = 0;
    Special special = Special::None;

    bool isZero() const { return special == Special::None && digits == "0"; }
};

std::string_view trimBlanks(std::string_view text)
{
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    return text.substr(b, e - b);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool parseDecNumber(std::string_view text, DecNumber& out, bool allowSpecial)
{
    text = trimBlanks(text);
    out = DecNumber();
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        out.negative = text[i] == '-';
        ++i;
    }
    if (allowSpecial) {
        const std::string_view rest = text.substr(i);
        if (equalsIgnoreCase(rest, "INFINITY") || equalsIgnoreCase(rest, "INF")) {
            out.special = DecNumber::Special::Infinity;
            return true;
        }
        if (equalsIgnoreCase(rest, "NAN") || equalsIgnoreCase(rest, "SNAN")) {
            out.special = DecNumber::Special::NaN;
            return true;
        }
    }
    std::string digits;
    long fractionDigits = 0;
    bool any = false;
    while (i < text.size() && isDigit(text[i])) {
        digits += text[i++];
        any = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            digits += text[i++];
            ++fractionDigits;
            any = true;
        }
    }
    if (!any)
        return false;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i >= text.size() || !isDigit(text[i]))
            return false;
        while (i < text.size() && isDigit(text[i])) {
            if (exponent < 1000000)
                exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != text.size())
        return false;
    size_t firstNonZero = digits.find_first_not_of('0');
    out.digits = firstNonZero == std::string::npos ? "0" : digits.substr(firstNonZero);
    out.exponent = exponent - fractionDigits;
    return true;
}

std::string shortestDouble(double value, bool single)
{
    char buffer[64];
    std::to_chars_result result =
        single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value))
               : std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e')
            c = 'E';
    }
    return text;
}

// Number of the value, from whatever storage it has. False when a text is no number.
bool toDecNumber(const SqlValue& value, DecNumber& out)
{
    switch (value.storage) {
    case SqlValue::Storage::Integer:
        return parseDecNumber(std::to_string(value.i), out, false);
    case SqlValue::Storage::Real:
        if (std::isnan(value.r)) {
            out = DecNumber();
            out.special = DecNumber::Special::NaN;
            return true;
        }
        if (std::isinf(value.r)) {
            out = DecNumber();
            out.special = DecNumber::Special::Infinity;
            out.negative = value.r < 0;
            return true;
        }
        return parseDecNumber(shortestDouble(value.r, false), out, false);
    case SqlValue::Storage::Text:
    case SqlValue::Storage::Blob:
        return parseDecNumber(value.s, out, true);
    case SqlValue::Storage::Null:
        break;
    }
    return false;
}

// Integer part and fraction of the number, the fraction cut to `scale` digits.
// False when the integer part would need more than `maxIntegerDigits`.
bool splitNumber(const DecNumber& n, int scale, size_t maxIntegerDigits, std::string& integerPart,
                 std::string& fraction)
{
    const long length = static_cast<long>(n.digits.size());
    const long point = length + n.exponent; // digits before the decimal point
    if (n.isZero() || point < -64) {
        integerPart = "0";
        fraction.assign(static_cast<size_t>(scale), '0');
        return true;
    }
    if (point > static_cast<long>(maxIntegerDigits) + 1)
        return false;
    if (point <= 0) {
        integerPart = "0";
        fraction = std::string(static_cast<size_t>(-point), '0') + n.digits;
    } else if (point >= length) {
        integerPart = n.digits + std::string(static_cast<size_t>(point - length), '0');
        fraction.clear();
    } else {
        integerPart = n.digits.substr(0, static_cast<size_t>(point));
        fraction = n.digits.substr(static_cast<size_t>(point));
    }
    const size_t nonZero = integerPart.find_first_not_of('0');
    integerPart = nonZero == std::string::npos ? "0" : integerPart.substr(nonZero);
    if (integerPart != "0" && integerPart.size() > maxIntegerDigits)
        return false;
    if (fraction.size() > static_cast<size_t>(scale))
        fraction.resize(static_cast<size_t>(scale)); // DB2 truncates, it does not round
    else
        fraction.append(static_cast<size_t>(scale) - fraction.size(), '0');
    return true;
}

std::string decimalText(const DecNumber& n, int precision, int scale)
{
    if (n.special != DecNumber::Special::None)
        throw numericOverflow();
    std::string integerPart;
    std::string fraction;
    if (!splitNumber(n, scale, static_cast<size_t>(precision - scale), integerPart, fraction))
        throw numericOverflow();
    const bool zero = integerPart == "0" && fraction.find_first_not_of('0') == std::string::npos;
    std::string text = (n.negative && !zero) ? "-" : "";
    text += integerPart;
    if (scale > 0)
        text += "." + fraction;
    return text;
}

long long integerValue(const DecNumber& n, long long minimum, long long maximum)
{
    if (n.special != DecNumber::Special::None)
        throw numericOverflow();
    std::string integerPart;
    std::string fraction;
    if (!splitNumber(n, 0, 19, integerPart, fraction))
        throw numericOverflow();
    unsigned long long magnitude = 0;
    for (char c : integerPart) {
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (magnitude > (18446744073709551615ULL - digit) / 10)
            throw numericOverflow();
        magnitude = magnitude * 10 + digit;
    }
    if (n.negative) {
        if (magnitude > 9223372036854775808ULL)
            throw numericOverflow();
        const long long value =
            magnitude == 9223372036854775808ULL ? minimum : -static_cast<long long>(magnitude);
        if (magnitude == 9223372036854775808ULL && minimum != (-9223372036854775807LL - 1))
            throw numericOverflow();
        if (value < minimum)
            throw numericOverflow();
        return value;
    }
    if (magnitude > static_cast<unsigned long long>(maximum))
        throw numericOverflow();
    return static_cast<long long>(magnitude);
}

double doubleValue(const DecNumber& n, bool single)
{
    if (n.special == DecNumber::Special::NaN)
        throw numericOverflow();
    if (n.special == DecNumber::Special::Infinity)
        throw numericOverflow();
    const std::string text = n.digits + "e" + std::to_string(n.exponent);
    double value = 0.0;
    const std::from_chars_result result =
        std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow gives zero, overflow is an error.
        if (n.exponent < 0)
            value = 0.0;
        else
            throw numericOverflow();
    } else if (result.ec != std::errc()) {
        throw numericOverflow();
    }
    if (single && std::fabs(value) > FLT_MAX)
        throw numericOverflow();
    if (single)
        value = static_cast<double>(static_cast<float>(value));
    return n.negative ? -value : value;
}

// DECFLOAT text: rounded to the precision, then the IEEE decimal string form.
std::string decfloatText(DecNumber n, int precision)
{
    std::string sign = n.negative ? "-" : "";
    if (n.special == DecNumber::Special::Infinity)
        return sign + "Infinity";
    if (n.special == DecNumber::Special::NaN)
        return "NaN";
    if (static_cast<int>(n.digits.size()) > precision) {
        const size_t drop = n.digits.size() - static_cast<size_t>(precision);
        const bool roundUp = n.digits[static_cast<size_t>(precision)] >= '5';
        n.digits.resize(static_cast<size_t>(precision));
        n.exponent += static_cast<long>(drop);
        if (roundUp) {
            int i = precision - 1;
            while (i >= 0 && n.digits[static_cast<size_t>(i)] == '9') {
                n.digits[static_cast<size_t>(i)] = '0';
                --i;
            }
            if (i < 0) {
                n.digits.insert(n.digits.begin(), '1');
                n.digits.pop_back();
                ++n.exponent;
            } else {
                ++n.digits[static_cast<size_t>(i)];
            }
        }
    }
    const long length = static_cast<long>(n.digits.size());
    const long adjusted = n.exponent + length - 1;
    if (adjusted > 6144 || adjusted < -6143) {
        if (n.isZero())
            return sign + "0";
        throw numericOverflow();
    }
    std::string body;
    if (n.exponent <= 0 && adjusted >= -6) {
        const long point = length + n.exponent;
        if (n.exponent == 0)
            body = n.digits;
        else if (point > 0)
            body = n.digits.substr(0, static_cast<size_t>(point)) + "." +
                   n.digits.substr(static_cast<size_t>(point));
        else
            body = "0." + std::string(static_cast<size_t>(-point), '0') + n.digits;
    } else {
        body = n.digits.substr(0, 1);
        if (length > 1)
            body += "." + n.digits.substr(1);
        body += "E";
        body += adjusted >= 0 ? "+" : "-";
        body += std::to_string(adjusted >= 0 ? adjusted : -adjusted);
    }
    return sign + body;
}

std::string fixedText(double value, int scale)
{
    char buffer[512];
    std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, scale);
    if (result.ec != std::errc())
        return shortestDouble(value, false);
    std::string text(buffer, result.ptr);
    if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1); // no negative zero
    return text;
}

// ---------------------------------------------------------------- datetimes

struct DateParts
{
    int year = 0, month = 0, day = 0;
};

struct TimeParts
{
    int hour = 0, minute = 0, second = 0;
    std::string fraction; // digits after the point, up to 12
};

enum class Parse
{
    Ok,
    Syntax,
    Range
};

class Scanner
{
public:
    explicit Scanner(std::string_view text) : m_text(text) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    size_t position() const { return m_pos; }
    void reset(size_t position) { m_pos = position; }
    bool number(size_t minDigits, size_t maxDigits, int& value)
    {
        size_t count = 0;
        int v = 0;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos]) && count < maxDigits) {
            v = v * 10 + (m_text[m_pos] - '0');
            ++m_pos;
            ++count;
        }
        if (count < minDigits)
            return false;
        if (m_pos < m_text.size() && isDigit(m_text[m_pos]))
            return false; // too many digits
        value = v;
        return true;
    }
    bool digits(size_t minDigits, size_t maxDigits, std::string& out)
    {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos]) && m_pos - start < maxDigits)
            ++m_pos;
        if (m_pos - start < minDigits)
            return false;
        if (m_pos < m_text.size() && isDigit(m_text[m_pos]))
            return false;
        out.assign(m_text.substr(start, m_pos - start));
        return true;
    }
    bool accept(char c)
    {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool acceptWord(std::string_view word)
    {
        if (m_text.size() - m_pos >= word.size() &&
            equalsIgnoreCase(m_text.substr(m_pos, word.size()), word)) {
            m_pos += word.size();
            return true;
        }
        return false;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool dateInRange(const DateParts& d)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1)
        return false;
    const int last = d.month == 2 && isLeapYear(d.year) ? 29 : days[d.month - 1];
    return d.day <= last;
}

bool timeInRange(const TimeParts& t)
{
    if (t.hour == 24)
        return t.minute == 0 && t.second == 0 &&
               t.fraction.find_first_not_of('0') == std::string::npos;
    return t.hour >= 0 && t.hour < 24 && t.minute < 60 && t.second < 60;
}

// ISO/JIS yyyy-mm-dd, USA mm/dd/yyyy, EUR dd.mm.yyyy (leading zeros of month and
// day may be left out).
bool scanDate(Scanner& s, DateParts& d)
{
    const size_t start = s.position();
    if (s.number(4, 4, d.year) && s.accept('-') && s.number(1, 2, d.month) && s.accept('-') &&
        s.number(1, 2, d.day))
        return true;
    s.reset(start);
    if (s.number(1, 2, d.month) && s.accept('/') && s.number(1, 2, d.day) && s.accept('/') &&
        s.number(4, 4, d.year))
        return true;
    s.reset(start);
    if (s.number(1, 2, d.day) && s.accept('.') && s.number(1, 2, d.month) && s.accept('.') &&
        s.number(4, 4, d.year))
        return true;
    s.reset(start);
    return false;
}

// hh.mm[.ss] (ISO, EUR), hh:mm[:ss] (JIS), hh:mm AM|PM (USA).
bool scanTime(Scanner& s, TimeParts& t, bool& usaRange)
{
    usaRange = false;
    const size_t start = s.position();
    for (char separator : {'.', ':'}) {
        s.reset(start);
        t = TimeParts();
        if (!(s.number(1, 2, t.hour) && s.accept(separator) && s.number(2, 2, t.minute)))
            continue;
        if (separator == ':') {
            const size_t beforeUsa = s.position();
            s.accept(' ');
            const bool am = s.acceptWord("AM");
            const bool pm = !am && s.acceptWord("PM");
            if (am || pm) {
                if (t.hour < 1 || t.hour > 12) {
                    usaRange = true;
                    return true;
                }
                t.hour = (t.hour % 12) + (pm ? 12 : 0);
                return true;
            }
            s.reset(beforeUsa);
        }
        const size_t beforeSeconds = s.position();
        if (s.accept(separator)) {
            if (!s.number(2, 2, t.second)) {
                s.reset(beforeSeconds);
                return false;
            }
        }
        return true;
    }
    s.reset(start);
    return false;
}

Parse parseDate(std::string_view text, DateParts& d)
{
    Scanner s(trimBlanks(text));
    if (!scanDate(s, d))
        return Parse::Syntax;
    if (!s.atEnd())
        return Parse::Syntax;
    return dateInRange(d) ? Parse::Ok : Parse::Range;
}

Parse parseTimestamp(std::string_view text, DateParts& d, TimeParts& t)
{
    Scanner s(trimBlanks(text));
    t = TimeParts();
    const size_t start = s.position();
    if (!(s.number(4, 4, d.year) && s.accept('-') && s.number(1, 2, d.month) && s.accept('-') &&
          s.number(1, 2, d.day))) {
        s.reset(start);
        return Parse::Syntax;
    }
    if (!s.atEnd()) {
        if (s.accept('-')) {
            // yyyy-mm-dd-hh.mm.ss[.ffffff]
            if (!(s.number(1, 2, t.hour) && s.accept('.') && s.number(2, 2, t.minute) &&
                  s.accept('.') && s.number(2, 2, t.second)))
                return Parse::Syntax;
        } else if (s.accept(' ') || s.accept('T')) {
            bool parsed = false;
            for (char separator : {':', '.'}) {
                const size_t at = s.position();
                t = TimeParts();
                if (s.number(1, 2, t.hour) && s.accept(separator) && s.number(2, 2, t.minute)) {
                    const size_t beforeSeconds = s.position();
                    if (s.accept(separator) && !s.number(2, 2, t.second))
                        s.reset(beforeSeconds);
                    parsed = true;
                    break;
                }
                s.reset(at);
            }
            if (!parsed)
                return Parse::Syntax;
        } else {
            return Parse::Syntax;
        }
        if (s.accept('.') || s.accept(',')) {
            if (!s.digits(0, 12, t.fraction))
                return Parse::Syntax;
        }
        if (!s.atEnd())
            return Parse::Syntax;
    }
    if (!dateInRange(d) || !timeInRange(t))
        return Parse::Range;
    return Parse::Ok;
}

Parse parseTime(std::string_view text, TimeParts& t)
{
    Scanner s(trimBlanks(text));
    bool usaRange = false;
    if (!scanTime(s, t, usaRange) || !s.atEnd())
        return Parse::Syntax;
    if (usaRange)
        return Parse::Range;
    return timeInRange(t) ? Parse::Ok : Parse::Range;
}

std::string two(int v)
{
    char b[8];
    b[0] = static_cast<char>('0' + (v / 10) % 10);
    b[1] = static_cast<char>('0' + v % 10);
    return std::string(b, 2);
}

std::string dateText(const DateParts& d)
{
    std::string y = std::to_string(d.year);
    y.insert(0, 4 - std::min<size_t>(4, y.size()), '0');
    return y + "-" + two(d.month) + "-" + two(d.day);
}

std::string timeText(const TimeParts& t)
{
    return two(t.hour) + ":" + two(t.minute) + ":" + two(t.second);
}

std::string timestampText(const DateParts& d, const TimeParts& t, int precision)
{
    std::string text = dateText(d) + " " + timeText(t);
    if (precision > 0) {
        std::string fraction = t.fraction;
        fraction.resize(static_cast<size_t>(precision), '0');
        text += "." + fraction;
    }
    return text;
}

void throwFor(Parse result)
{
    if (result == Parse::Range)
        throw datetimeRange();
    throw datetimeSyntax();
}

// ---------------------------------------------------------------- strings

bool parseBoolean(std::string_view text, bool& value)
{
    text = trimBlanks(text);
    static const char* const truths[] = {"TRUE", "T", "YES", "Y", "ON", "1"};
    static const char* const falsities[] = {"FALSE", "F", "NO", "N", "OFF", "0"};
    for (const char* word : truths) {
        if (equalsIgnoreCase(text, word)) {
            value = true;
            return true;
        }
    }
    for (const char* word : falsities) {
        if (equalsIgnoreCase(text, word)) {
            value = false;
            return true;
        }
    }
    return false;
}

// Cuts a UTF-8 text to at most `bytes` bytes without splitting a character.
std::string cutUtf8(const std::string& text, size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// Cuts a UTF-8 text to at most `units` UTF-16 code units.
std::string cutUtf16(const std::string& text, long long units)
{
    long long count = 0;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const long long need = length == 4 ? 2 : 1;
        if (count + need > units)
            break;
        count += need;
        i += length;
    }
    return text.substr(0, std::min(i, text.size()));
}

std::string hexText(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

// A well-formed XML document, checked as far as the stand-in needs: one root
// element, tags that nest and match, quoted attribute values.
bool wellFormedXml(const std::string& text)
{
    std::vector<std::string> open;
    bool rootSeen = false;
    size_t i = 0;
    const size_t n = text.size();
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < n) {
        if (text[i] != '<') {
            if (open.empty() && !isSpace(text[i]))
                return false; // text outside the root element
            ++i;
            continue;
        }
        if (text.compare(i, 4, "<!--") == 0) {
            const size_t end = text.find("-->", i + 4);
            if (end == std::string::npos)
                return false;
            i = end + 3;
            continue;
        }
        if (text.compare(i, 2, "<?") == 0) {
            const size_t end = text.find("?>", i + 2);
            if (end == std::string::npos)
                return false;
            i = end + 2;
            continue;
        }
        if (text.compare(i, 9, "<![CDATA[") == 0) {
            if (open.empty())
                return false;
            const size_t end = text.find("]]>", i + 9);
            if (end == std::string::npos)
                return false;
            i = end + 3;
            continue;
        }
        if (text.compare(i, 2, "<!") == 0) {
            const size_t end = text.find('>', i + 2);
            if (end == std::string::npos || rootSeen)
                return false;
            i = end + 1;
            continue;
        }
        const bool closing = i + 1 < n && text[i + 1] == '/';
        size_t j = i + (closing ? 2 : 1);
        const size_t nameStart = j;
        while (j < n && !isSpace(text[j]) && text[j] != '>' && text[j] != '/')
            ++j;
        const std::string name = text.substr(nameStart, j - nameStart);
        if (name.empty())
            return false;
        char quote = 0;
        while (j < n && (quote || text[j] != '>')) {
            if (quote) {
                if (text[j] == quote)
                    quote = 0;
            } else if (text[j] == '"' || text[j] == '\'') {
                quote = text[j];
            } else if (text[j] == '<') {
                return false;
            }
            ++j;
        }
        if (j >= n)
            return false;
        const bool selfClosing = !closing && text[j - 1] == '/';
        if (closing) {
            if (open.empty() || open.back() != name)
                return false;
            open.pop_back();
        } else {
            if (open.empty() && rootSeen)
                return false; // a second root element
            rootSeen = true;
            if (!selfClosing)
                open.push_back(name);
        }
        i = j + 1;
    }
    return rootSeen && open.empty();
}

// ---------------------------------------------------------------- conversion

// Text of a value whose type is a string type, or a number/date as text.
std::string sourceText(const SqlValue& value, const ColType& from)
{
    if (value.storage == SqlValue::Storage::Text || value.storage == SqlValue::Storage::Blob)
        return value.s;
    return valueText(value, from);
}

SqlValue toCharacter(const std::string& text, const ColType& to, ConvertMode mode)
{
    const bool graphic = isGraphic(to.kind);
    long long limit = to.length;
    if (to.kind == Kind::LongVarchar)
        limit = LongVarcharMax;
    if (to.kind == Kind::LongVargraphic)
        limit = LongVargraphicMax;
    const auto measure = [graphic](const std::string& t) {
        return graphic ? utf16Length(t) : static_cast<long long>(t.size());
    };
    std::string value = text;
    if (measure(value) > limit) {
        // Trailing blanks may go; anything else that does not fit is an error.
        size_t end = value.find_last_not_of(' ');
        std::string trimmed = end == std::string::npos ? std::string() : value.substr(0, end + 1);
        if (measure(trimmed) <= limit) {
            value = graphic ? cutUtf16(value, limit) : value.substr(0, static_cast<size_t>(limit));
        } else if (mode == ConvertMode::Cast) {
            value = graphic ? cutUtf16(value, limit) : cutUtf8(value, static_cast<size_t>(limit));
        } else {
            throw valueTooLong(text);
        }
    }
    if (to.kind == Kind::Char || to.kind == Kind::Graphic) {
        const long long have = measure(value);
        if (have < limit)
            value.append(static_cast<size_t>(limit - have), ' ');
    }
    return SqlValue::text(value);
}

SqlValue toNumber(const SqlValue& value, const ColType& from, const ColType& to, ConvertMode mode,
                  const std::string& targetName)
{
    DecNumber n;
    if (from.kind == Kind::Boolean) {
        if (mode == ConvertMode::Assignment)
            throw incompatibleAssignment(targetName);
        n.digits = value.i ? "1" : "0";
    } else if (isNumeric(from.kind) || from.kind == Kind::Null) {
        if (!toDecNumber(value, n))
            throw invalidCharacter("DECFLOAT");
    } else if (isString(from.kind)) {
        if (!parseDecNumber(sourceText(value, from), n, true))
            throw invalidCharacter("DECFLOAT");
    } else {
        throw incompatibleAssignment(targetName);
    }
    switch (to.kind) {
    case Kind::Smallint:
        return SqlValue::integer(integerValue(n, -32768, 32767));
    case Kind::Integer:
        return SqlValue::integer(integerValue(n, -2147483648LL, 2147483647LL));
    case Kind::Bigint:
        return SqlValue::integer(
            integerValue(n, -9223372036854775807LL - 1, 9223372036854775807LL));
    case Kind::Decimal:
        return SqlValue::text(decimalText(n, static_cast<int>(to.length), to.scale));
    case Kind::Real:
        return SqlValue::real(doubleValue(n, true));
    case Kind::Double:
        return SqlValue::real(doubleValue(n, false));
    case Kind::Decfloat:
        return SqlValue::text(decfloatText(n, static_cast<int>(to.length)));
    default:
        break;
    }
    throw incompatibleAssignment(targetName);
}

SqlValue toDatetime(const SqlValue& value, const ColType& from, const ColType& to,
                    const std::string& targetName)
{
    std::string text;
    if (isString(from.kind) || isDatetime(from.kind) || from.kind == Kind::Null)
        text = sourceText(value, from);
    else
        throw incompatibleAssignment(targetName);
    DateParts d;
    TimeParts t;
    if (to.kind == Kind::Date) {
        Parse result = parseDate(text, d);
        if (result == Parse::Syntax) // a timestamp string is a date too
            result = parseTimestamp(text, d, t);
        if (result != Parse::Ok)
            throwFor(result);
        return SqlValue::text(dateText(d));
    }
    if (to.kind == Kind::Time) {
        Parse result = parseTime(text, t);
        // A timestamp string gives its time; a date alone is no time.
        if (result == Parse::Syntax && trimBlanks(text).size() > 10)
            result = parseTimestamp(text, d, t);
        if (result != Parse::Ok)
            throwFor(result);
        return SqlValue::text(timeText(t));
    }
    const Parse result = parseTimestamp(text, d, t);
    if (result != Parse::Ok)
        throwFor(result);
    return SqlValue::text(timestampText(d, t, to.scale));
}

} // namespace

long long utf16Length(const std::string& utf8)
{
    long long units = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

bool parseDouble(const std::string& text, double& out)
{
    DecNumber n;
    if (!parseDecNumber(text, n, false))
        return false;
    try {
        out = doubleValue(n, false);
    } catch (const Db2Error&) {
        return false;
    }
    return true;
}

SqlValue convertValue(const SqlValue& value, const ColType& from, const ColType& to,
                      ConvertMode mode, const std::string& targetName)
{
    if (value.isNull())
        return SqlValue::null();
    if (isString(to.kind)) {
        if (isBinary(from.kind)) {
            if (mode == ConvertMode::Assignment)
                throw incompatibleAssignment(targetName);
            return toCharacter(value.s, to, mode);
        }
        if (from.kind == Kind::Xml)
            throw incompatibleAssignment(targetName);
        if (from.kind == Kind::Boolean)
            return toCharacter(value.i ? "TRUE" : "FALSE", to, mode);
        return toCharacter(sourceText(value, from), to, mode);
    }
    if (isNumeric(to.kind))
        return toNumber(value, from, to, mode, targetName);
    if (isDatetime(to.kind))
        return toDatetime(value, from, to, targetName);
    if (to.kind == Kind::Boolean) {
        if (from.kind == Kind::Boolean)
            return SqlValue::integer(value.i ? 1 : 0);
        if (isNumeric(from.kind)) {
            DecNumber n;
            if (!toDecNumber(value, n))
                throw invalidCharacter("BOOLEAN");
            return SqlValue::integer(n.isZero() ? 0 : 1);
        }
        if (isString(from.kind) || from.kind == Kind::Null) {
            bool truth = false;
            if (!parseBoolean(sourceText(value, from), truth))
                throw invalidCharacter("BOOLEAN");
            return SqlValue::integer(truth ? 1 : 0);
        }
        throw incompatibleAssignment(targetName);
    }
    if (isBinary(to.kind)) {
        std::string bytes;
        if (isBinary(from.kind))
            bytes = value.s;
        else if (mode == ConvertMode::Cast && (isString(from.kind) || from.kind == Kind::Null))
            bytes = sourceText(value, from);
        else
            throw incompatibleAssignment(targetName);
        if (static_cast<long long>(bytes.size()) > to.length) {
            if (mode == ConvertMode::Assignment)
                throw valueTooLong(hexText(bytes.substr(0, 16)));
            bytes.resize(static_cast<size_t>(to.length));
        }
        if (to.kind == Kind::Binary)
            bytes.append(static_cast<size_t>(to.length) - bytes.size(), '\0');
        return SqlValue::blob(bytes);
    }
    if (to.kind == Kind::Xml) {
        if (from.kind == Kind::Xml)
            return SqlValue::text(value.s);
        if (!isString(from.kind) && from.kind != Kind::Null)
            throw incompatibleAssignment(targetName);
        const std::string text = sourceText(value, from);
        if (!wellFormedXml(text))
            throw sqlError(16110, "2200M", "XML syntax error. Expected to find \"<\".");
        return SqlValue::text(text);
    }
    throw incompatibleAssignment(targetName);
}

std::string valueText(const SqlValue& value, const ColType& type)
{
    switch (value.storage) {
    case SqlValue::Storage::Null:
        return std::string();
    case SqlValue::Storage::Blob:
        return isBinary(type.kind) || type.kind == Kind::Null ? hexText(value.s) : value.s;
    case SqlValue::Storage::Text:
        if (isBinary(type.kind))
            return hexText(value.s);
        return value.s;
    case SqlValue::Storage::Integer:
        if (type.kind == Kind::Decimal && type.scale > 0)
            return std::to_string(value.i) + "." +
                   std::string(static_cast<size_t>(type.scale), '0');
        if (type.kind == Kind::Real || type.kind == Kind::Double)
            return shortestDouble(static_cast<double>(value.i), type.kind == Kind::Real);
        return std::to_string(value.i);
    case SqlValue::Storage::Real:
        if (type.kind == Kind::Decimal)
            return fixedText(value.r, type.scale);
        if (isExactInteger(type.kind) && std::fabs(value.r) < 9.2e18)
            return std::to_string(static_cast<long long>(value.r));
        return shortestDouble(value.r, type.kind == Kind::Real);
    }
    return std::string();
}

} // namespace db2s
