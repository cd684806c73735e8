#pragma once

#include "Types.h"

#include <string>

namespace db2s {

// One value as SQLite keeps it.
struct SqlValue
{
    enum class Storage
    {
        Null,
        Integer,
        Real,
        Text,
        Blob
    };
    Storage storage = Storage::Null;
    long long i = 0;
    double r = 0.0;
    std::string s; // text (UTF-8) or bytes

    static SqlValue null() { return SqlValue(); }
    static SqlValue integer(long long v)
    {
        SqlValue x;
        x.storage = Storage::Integer;
        x.i = v;
        return x;
    }
    static SqlValue real(double v)
    {
        SqlValue x;
        x.storage = Storage::Real;
        x.r = v;
        return x;
    }
    static SqlValue text(std::string v)
    {
        SqlValue x;
        x.storage = Storage::Text;
        x.s = std::move(v);
        return x;
    }
    static SqlValue blob(std::string v)
    {
        SqlValue x;
        x.storage = Storage::Blob;
        x.s = std::move(v);
        return x;
    }
    bool isNull() const { return storage == Storage::Null; }
};

// Assignment (INSERT, comparisons with a column) refuses what does not
// fit; a CAST truncates strings and converts more freely, as DB2 does.
enum class ConvertMode
{
    Assignment,
    Cast
};

// Converts a value of type `from` to the stored form of type `to`. Throws
// Db2Error with DB2's message when the value does not fit (SQL0433N, SQL0180N,
// SQL0181N, SQL0420N, SQL0413N, SQL0408N). A NULL stays NULL.
SqlValue convertValue(const SqlValue& value, const ColType& from, const ColType& to,
                      ConvertMode mode, const std::string& targetName);

// The value as character data, in the forms the IBM driver hands out: DATE
// 2024-02-29, TIME 13:45:07, TIMESTAMP 2024-02-29 13:45:07.123456, DECIMAL with
// its scale, DOUBLE shortest round-trip, binary values as upper-case hex.
std::string valueText(const SqlValue& value, const ColType& type);

// Parses DB2's numeric string form (blanks around allowed) to a double; false
// when the text is no number.
bool parseDouble(const std::string& text, double& out);

// Number of UTF-16 code units of a UTF-8 text.
long long utf16Length(const std::string& utf8);

} // namespace db2s
