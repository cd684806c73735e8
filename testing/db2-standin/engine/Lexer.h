#pragma once

#include <string>
#include <vector>

namespace db2s {

enum class TokenKind
{
    End,
    Word,       // unquoted identifier or keyword, folded to upper case
    QuotedName, // "delimited identifier", case kept, "" undoubled
    String,     // 'character constant', '' undoubled
    HexString,  // X'0A0B', text holds the bytes
    Integer,
    Decimal,
    Float,
    Symbol, // ( ) , . * + - / || = <> != < > <= >= ;
    Parameter
};

struct Token
{
    TokenKind kind = TokenKind::End;
    std::string text;
    size_t begin = 0; // byte offsets into the statement text
    size_t end = 0;
};

// The longest statement DB2 takes, in bytes of UTF-8.
constexpr size_t StatementMax = 2097152;

// Splits a DB2 statement into tokens; the last one is End. Throws Db2Error for
// a statement longer than StatementMax (SQL0101N), a constant longer than DB2
// takes (SQL0102N: 32,672 bytes of a character constant, 32,672 digits of a
// hexadecimal one, 16,336 characters of a graphic one), an unterminated
// constant (SQL0010N), an invalid character (SQL0007N) or a malformed
// hexadecimal constant (SQL0110N). The length checks come before any other.
std::vector<Token> tokenize(const std::string& sql);

} // namespace db2s
