#pragma once

#include <exception>
#include <string>

namespace db2s {

// A failure as the DB2 client reports it: SQLSTATE, native error code (the
// negative SQLCODE, or -99999 for a client-side CLI error) and the message text
// without the "[IBM][CLI Driver]" prefix, which the driver adds.
class Db2Error : public std::exception
{
public:
    Db2Error(std::string sqlState, int nativeCode, std::string text)
        : m_sqlState(std::move(sqlState)), m_native(nativeCode), m_text(std::move(text))
    {
    }
    const char* what() const noexcept override { return m_text.c_str(); }
    const std::string& sqlState() const noexcept { return m_sqlState; }
    int nativeCode() const noexcept { return m_native; }
    const std::string& text() const noexcept { return m_text; }

private:
    std::string m_sqlState;
    int m_native;
    std::string m_text;
};

// "SQL0204N  <body>  SQLSTATE=42704" with native code -204. The body ends with
// its own full stop, as DB2's message texts do.
Db2Error sqlError(int sqlCode, const std::string& sqlState, const std::string& body);
// "CLI0106E  <body> SQLSTATE=08003" with native code -99999.
Db2Error cliError(int cliCode, const std::string& sqlState, const std::string& body);

// SQL0104N for the token at which parsing stopped.
Db2Error syntaxError(const std::string& token, const std::string& following,
                     const std::string& expected);
// SQL0204N "<SCHEMA>.<NAME>" is an undefined name.
Db2Error undefinedName(const std::string& schema, const std::string& name);
// SQL0206N "<name>" is not valid in the context where it is used.
Db2Error invalidColumn(const std::string& name);
// SQL0601N ... identical to the existing name "<SCHEMA>.<NAME>" of type "<TYPE>".
Db2Error duplicateObject(const std::string& schema, const std::string& name,
                         const std::string& type);
// SQL0433N Value "<first characters>..." is too long.
Db2Error valueTooLong(const std::string& value);
// SQL0102N: a constant longer than DB2 takes; `beginning` is its text as written.
Db2Error stringConstantTooLong(const std::string& beginning);
// SQL0101N: a statement longer than DB2 takes.
Db2Error statementTooLong();
// SQL0670N: the rows of a table would be wider than its table space's pages allow.
Db2Error rowTooLong(long long limit, const std::string& tableSpace);
// SQL0680N: more columns than a table may have.
Db2Error tooManyColumns();
// SQL0180N: the string is no datetime value at all.
Db2Error datetimeSyntax();
// SQL0181N: a datetime value whose parts are out of range (month 13, 2023-02-29).
Db2Error datetimeRange();
// SQL0420N for a string that is no number (or no Boolean) in the named function.
Db2Error invalidCharacter(const std::string& function);
// SQL0413N: a number too large for its target.
Db2Error numericOverflow();
// SQL0408N: a value of another kind than its target column.
Db2Error incompatibleAssignment(const std::string& target);
// SQL0901N: anything the stand-in's own storage reports that has no DB2 equivalent.
Db2Error systemError(const std::string& reason);
// SQL30081N as the client reports a lost or refused TCP/IP connection.
Db2Error communicationError(const std::string& location, const std::string& function,
                            const std::string& codes);

} // namespace db2s
