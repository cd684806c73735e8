#include "Lexer.h"

#include "Errors.h"

namespace db2s {

namespace {

bool isIdentifierStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '@' || c == '#' ||
           c == '$' || c >= 0x80;
}

bool isIdentifierPart(unsigned char c)
{
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return text;
}

std::string preceding(const std::string& sql, size_t at)
{
    size_t begin = at > 20 ? at - 20 : 0;
    std::string text = sql.substr(begin, at - begin);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\t'))
        text.pop_back();
    return text.empty() ? std::string("BEGIN-OF-STATEMENT") : text;
}

// Reads a constant delimited by `quote` starting at `i` (on the opening quote);
// a doubled quote stands for one. Returns the position after the closing quote.
size_t readDelimited(const std::string& sql, size_t i, char quote, std::string& out)
{
    const size_t start = i;
    ++i;
    out.clear();
    while (true) {
        if (i >= sql.size()) {
            std::string shown = sql.substr(start, 20);
            throw sqlError(10, "42603",
                           "The string constant beginning with \"" + shown +
                               "\" does not have an ending string delimiter.");
        }
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                out += quote;
                i += 2;
                continue;
            }
            return i + 1;
        }
        out += sql[i++];
    }
}

// DB2's limits on one constant: bytes of a character constant as written
// (a doubled quote counts twice), digits of a hexadecimal constant, and
// UTF-16 units of a graphic constant.
constexpr size_t CharacterConstantMax = 32672;
constexpr size_t HexConstantDigitsMax = 32672;
constexpr size_t GraphicConstantMax = 16336;

size_t utf16Units(const std::string& text)
{
    size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::vector<Token> tokenize(const std::string& sql)
{
    if (sql.size() > StatementMax)
        throw statementTooLong();
    std::vector<Token> tokens;
    size_t i = 0;
    const size_t n = sql.size();
    while (true) {
        while (i < n && (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n' ||
                         sql[i] == '\f'))
            ++i;
        if (i + 1 < n && sql[i] == '-' && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n')
                ++i;
            continue;
        }
        if (i + 1 < n && sql[i] == '/' && sql[i + 1] == '*') {
            const size_t end = sql.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
            continue;
        }
        Token token;
        token.begin = i;
        if (i >= n) {
            token.kind = TokenKind::End;
            token.end = n;
            tokens.push_back(token);
            return tokens;
        }
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if ((c == 'X' || c == 'x') && i + 1 < n && sql[i + 1] == '\'') {
            std::string digits;
            i = readDelimited(sql, i + 1, '\'', digits);
            if (i - token.begin - 3 > HexConstantDigitsMax)
                throw stringConstantTooLong(sql.substr(token.begin, i - token.begin));
            if (digits.size() % 2 != 0)
                throw sqlError(110, "42606",
                               "\"" + sql.substr(token.begin, i - token.begin) +
                                   "\" is an invalid hexadecimal constant.");
            token.kind = TokenKind::HexString;
            for (size_t k = 0; k < digits.size(); k += 2) {
                const int high = hexValue(digits[k]);
                const int low = hexValue(digits[k + 1]);
                if (high < 0 || low < 0)
                    throw sqlError(110, "42606",
                                   "\"" + sql.substr(token.begin, i - token.begin) +
                                       "\" is an invalid hexadecimal constant.");
                token.text += static_cast<char>(high * 16 + low);
            }
        } else if ((c == 'G' || c == 'g' || c == 'N' || c == 'n') && i + 1 < n &&
                   sql[i + 1] == '\'') {
            // Graphic string constant: kept as an ordinary string.
            token.kind = TokenKind::String;
            i = readDelimited(sql, i + 1, '\'', token.text);
            if (utf16Units(sql.substr(token.begin + 2, i - token.begin - 3)) > GraphicConstantMax)
                throw stringConstantTooLong(sql.substr(token.begin, i - token.begin));
        } else if (isIdentifierStart(c)) {
            while (i < n && isIdentifierPart(static_cast<unsigned char>(sql[i])))
                ++i;
            token.kind = TokenKind::Word;
            token.text = upper(sql.substr(token.begin, i - token.begin));
        } else if (c == '"') {
            token.kind = TokenKind::QuotedName;
            i = readDelimited(sql, i, '"', token.text);
            if (token.text.empty())
                throw syntaxError("\"\"", preceding(sql, token.begin), "<identifier>");
        } else if (c == '\'') {
            token.kind = TokenKind::String;
            i = readDelimited(sql, i, '\'', token.text);
            if (i - token.begin - 2 > CharacterConstantMax)
                throw stringConstantTooLong(sql.substr(token.begin, i - token.begin));
        } else if (isDigit(static_cast<char>(c)) ||
                   (c == '.' && i + 1 < n && isDigit(sql[i + 1]))) {
            token.kind = TokenKind::Integer;
            while (i < n && isDigit(sql[i]))
                ++i;
            if (i < n && sql[i] == '.') {
                token.kind = TokenKind::Decimal;
                ++i;
                while (i < n && isDigit(sql[i]))
                    ++i;
            }
            if (i < n && (sql[i] == 'E' || sql[i] == 'e')) {
                size_t j = i + 1;
                if (j < n && (sql[j] == '+' || sql[j] == '-'))
                    ++j;
                if (j < n && isDigit(sql[j])) {
                    token.kind = TokenKind::Float;
                    i = j;
                    while (i < n && isDigit(sql[i]))
                        ++i;
                }
            }
            token.text = sql.substr(token.begin, i - token.begin);
        } else {
            token.kind = TokenKind::Symbol;
            const std::string two = sql.substr(i, 2);
            if (two == "||" || two == "<>" || two == "!=" || two == "<=" || two == ">=") {
                token.text = two;
                i += 2;
            } else if (std::string("(),.*+-/=<>;").find(static_cast<char>(c)) !=
                       std::string::npos) {
                token.text = std::string(1, static_cast<char>(c));
                ++i;
            } else if (c == '?') {
                token.kind = TokenKind::Parameter;
                token.text = "?";
                ++i;
            } else if (c == ':') {
                token.text = ":";
                ++i;
            } else {
                throw sqlError(7, "42601",
                               "The character \"" + std::string(1, static_cast<char>(c)) +
                                   "\" following \"" + preceding(sql, i) + "\" is not valid.");
            }
        }
        token.end = i;
        tokens.push_back(token);
    }
}

} // namespace db2s
