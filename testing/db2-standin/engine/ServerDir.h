#pragma once

#include "Session.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace db2s {

// A stand-in "server": a folder that says which host names and ports listen,
// which users may log in, and which databases exist (one SQLite file each).
//
//   server.conf              key = value lines:
//                              listen = HOST:PORT      (repeatable)
//                              hang = HOST:PORT        (test only: accepts, never answers)
//                              statement_delay_ms = N  (every statement waits N ms)
//                              login_timeout_scale = F (test only: scales the login time-out)
//   users                    one "NAME<TAB>PASSWORD" line per user
//   databases/NAME.sqlite    a database (NAME in upper case)
//   databases/NAME.conf      statement_delay_ms for that database only
//   down                     test only: the whole server has gone away
//   databases/NAME.down      test only: that database has gone away
//   databases/NAME.hang      test only: statements that begin with the text in it
//                            (every statement when it is empty) are never answered
class ServerDir
{
public:
    explicit ServerDir(std::string path);

    // The folder the tests named: $DB2STANDIN_SERVER_DIR, else the ServerDir key of
    // the "IBM DB2 ODBC DRIVER" section of $ODBCSYSINI/odbcinst.ini (or
    // /etc/odbcinst.ini). Empty when none is found.
    // The value of a key of the driver's own section of odbcinst.ini (the file in
    // $ODBCSYSINI, else /etc); empty when it is not there. Keys compare in any case.
    static std::string driverKeyword(const std::string& key);
    static std::string locate();

    const std::string& path() const { return m_path; }

    struct Endpoint
    {
        std::string host; // lower case
        int port = 0;
    };
    struct Config
    {
        std::vector<Endpoint> listen;
        std::vector<Endpoint> hang;
        double statementDelayMs = 0; // fractions of a millisecond too
        double loginTimeoutScale = 1.0;
    };
    Config readConfig() const;
    // Rewrites server.conf atomically (admin tool).
    void writeConfig(const Config& config) const;

    std::string databaseFile(const std::string& name) const;
    std::string databaseConfigFile(const std::string& name) const;
    std::string databaseDownFile(const std::string& name) const;
    std::string downFile() const;
    bool databaseExists(const std::string& name) const;
    bool serverDown() const;
    bool databaseDown(const std::string& name) const;
    std::string databaseHangFile(const std::string& name) const;
    // True while the database's hang file asks that this statement is not answered.
    bool statementHangs(const std::string& database, const std::string& sql) const;
    double statementDelayMs(const std::string& database, const Config& config) const;

    // Users: name (case-insensitive) and password.
    std::map<std::string, std::string> readUsers() const;
    void writeUsers(const std::map<std::string, std::string>& users) const;

private:
    std::string m_path;
};

// Connection keywords of the IBM driver as given in a connection string.
struct ConnectParams
{
    std::map<std::string, std::string> values; // key upper case
    bool has(const std::string& key) const { return values.count(key) > 0; }
    std::string get(const std::string& key) const
    {
        auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    }
};

// Splits "KEY=value;KEY=value" as IBM's driver does: keys in any letter case,
// each value up to the next ';' exactly as written (braces have no meaning),
// the password without leading and trailing blanks.
ConnectParams parseConnectionString(const std::string& text);

// Connects as the IBM driver and a DB2 server do, with their errors (SQL1336N,
// SQL30081N, SQL30061N, SQL1013N, SQL1001N, SQL30082N). loginTimeoutSeconds 0 waits for
// ever. Throws Db2Error.
std::unique_ptr<Session> connect(const ConnectParams& params, long loginTimeoutSeconds);

// Upper-cases ASCII letters.
std::string upperCase(std::string text);

} // namespace db2s
