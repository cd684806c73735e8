#include "Errors.h"

#include <cstdio>

namespace db2s {

namespace {

// Cuts a UTF-8 text after at most `characters` characters without splitting one.
std::string firstCharacters(const std::string& text, size_t characters)
{
    size_t i = 0;
    size_t count = 0;
    while (i < text.size() && count < characters) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
        ++count;
    }
    return text.substr(0, i);
}

} // namespace

Db2Error sqlError(int sqlCode, const std::string& sqlState, const std::string& body)
{
    char id[16];
    std::snprintf(id, sizeof id, "SQL%04dN", sqlCode);
    return Db2Error(sqlState, -sqlCode, std::string(id) + "  " + body + "  SQLSTATE=" + sqlState);
}

Db2Error cliError(int cliCode, const std::string& sqlState, const std::string& body)
{
    char id[16];
    std::snprintf(id, sizeof id, "CLI%04dE", cliCode);
    return Db2Error(sqlState, -99999, std::string(id) + "  " + body + " SQLSTATE=" + sqlState);
}

Db2Error syntaxError(const std::string& token, const std::string& following,
                     const std::string& expected)
{
    return sqlError(104, "42601",
                    "An unexpected token \"" + token + "\" was found following \"" + following +
                        "\".  Expected tokens may include:  \"" + expected + "\".");
}

Db2Error undefinedName(const std::string& schema, const std::string& name)
{
    return sqlError(204, "42704", "\"" + schema + "." + name + "\" is an undefined name.");
}

Db2Error invalidColumn(const std::string& name)
{
    return sqlError(206, "42703", "\"" + name + "\" is not valid in the context where it is used.");
}

Db2Error duplicateObject(const std::string& schema, const std::string& name,
                         const std::string& type)
{
    return sqlError(601, "42710",
                    "The name of the object to be created is identical to the existing name \"" +
                        schema + "." + name + "\" of type \"" + type + "\".");
}

Db2Error valueTooLong(const std::string& value)
{
    return sqlError(433, "22001", "Value \"" + firstCharacters(value, 20) + "...\" is too long.");
}

Db2Error stringConstantTooLong(const std::string& beginning)
{
    return sqlError(102, "54002",
                    "The string constant beginning with \"" + firstCharacters(beginning, 20) +
                        "\" is too long.");
}

Db2Error statementTooLong()
{
    return sqlError(101, "54001",
                    "The statement was not processed because a limit such as a memory limit, an "
                    "SQL limit, or a database limit was reached.");
}

Db2Error rowTooLong(long long limit, const std::string& tableSpace)
{
    return sqlError(670, "54010",
                    "The row length of the table exceeded a limit of \"" + std::to_string(limit) +
                        "\" bytes. (Table space \"" + tableSpace + "\".)");
}

Db2Error tooManyColumns()
{
    return sqlError(680, "54011",
                    "Too many columns were specified for a table, view, or table function.");
}

Db2Error datetimeSyntax()
{
    return sqlError(180, "22007",
                    "The syntax of the string representation of a datetime value is incorrect.");
}

Db2Error datetimeRange()
{
    return sqlError(181, "22008", "The string representation of a datetime value is out of range.");
}

Db2Error invalidCharacter(const std::string& function)
{
    return sqlError(420, "22018",
                    "Invalid character found in a character string argument of the function \"" +
                        function + "\".");
}

Db2Error numericOverflow()
{
    return sqlError(413, "22003", "Overflow occurred during numeric data type conversion.");
}

Db2Error incompatibleAssignment(const std::string& target)
{
    return sqlError(408, "42821",
                    "A value is not compatible with the data type of its assignment target. "
                    "Target name is \"" +
                        target + "\".");
}

Db2Error systemError(const std::string& reason)
{
    return sqlError(901, "58004",
                    "The SQL statement or command failed because of a database system error. "
                    "(Reason \"" +
                        firstCharacters(reason, 70) + "\".)");
}

Db2Error communicationError(const std::string& location, const std::string& function,
                            const std::string& codes)
{
    return sqlError(30081, "08001",
                    "A communication error has been detected. Communication protocol being used: "
                    "\"TCP/IP\".  Communication API being used: \"SOCKETS\".  Location where the "
                    "error was detected: \"" +
                        location + "\".  Communication function detecting the error: \"" +
                        function + "\".  Protocol specific error code(s): " + codes + ".");
}

} // namespace db2s
