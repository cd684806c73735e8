#pragma once

#include <QString>

#include <array>

// The ten login values: the login window's box (Text1 to Text10), the settings
// key the box is kept under, and the text it shows when the store has none. This
// is the one list of them: the login window and the tests read it here, the
// scripts and the end-to-end tests from settings-keys.tsv, which the build
// writes from this list (src/ui/tools/write_tables.cpp).
struct LoginKey
{
    int box;
    const char* key;
    const char* defaultText;
};

inline constexpr std::array<LoginKey, 10> LoginKeys = {{
    {1, "Server", ""},
    {2, "Port", "50069"},
    {3, "User", ""},
    {4, "Password", ""},
    {5, "Database", ""},
    {6, "PostgreSQLServer", "localhost"},
    {7, "PostgreSQLPort", "5432"},
    {8, "PostgreSQLUser", ""},
    {9, "PostgreSQLPassword", ""},
    {10, "PostgreSQLDatabase", ""},
}};

// The settings key of login box 1 to 10.
inline QString loginKey(int box)
{
    return QString::fromLatin1(LoginKeys.at(static_cast<size_t>(box - 1)).key);
}

// The text login box 1 to 10 shows when the store has none.
inline QString loginDefault(int box)
{
    return QString::fromLatin1(LoginKeys.at(static_cast<size_t>(box - 1)).defaultText);
}
