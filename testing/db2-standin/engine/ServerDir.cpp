#include "ServerDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>

namespace db2s {

namespace {

std::string trim(const std::string& text)
{
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\r'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r'))
        --e;
    return text.substr(b, e - b);
}

std::string lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return text;
}

bool fileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool parsePort(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

bool parseEndpoint(const std::string& text, ServerDir::Endpoint& endpoint)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    endpoint.host = lower(trim(text.substr(0, colon)));
    return parsePort(trim(text.substr(colon + 1)), endpoint.port) && !endpoint.host.empty();
}

std::map<std::string, std::string> readKeyValues(const std::string& path,
                                                 std::vector<std::string>* listen = nullptr,
                                                 std::vector<std::string>* hang = nullptr)
{
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = lower(trim(line.substr(0, equals)));
        const std::string value = trim(line.substr(equals + 1));
        if (key == "listen" && listen)
            listen->push_back(value);
        else if (key == "hang" && hang)
            hang->push_back(value);
        else
            values[key] = value;
    }
    return values;
}

bool parseNumber(const std::string& text, double& out)
{
    return parseDouble(text, out);
}

void writeFileAtomically(const std::string& path, const std::string& content)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << content;
        if (!out)
            throw std::runtime_error("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot replace " + path);
}

std::string location(const std::string& host)
{
    bool numeric = !host.empty();
    for (char c : host)
        numeric = numeric && ((c >= '0' && c <= '9') || c == '.');
    return numeric ? host : std::string("127.0.0.1");
}

Db2Error securityError(const std::string& reason, const std::string& text)
{
    return sqlError(30082, "08001",
                    "Security processing failed with reason \"" + reason + "\" (\"" + text +
                        "\").");
}

Db2Error aliasNotFound(const std::string& name)
{
    return sqlError(1013, "42705",
                    "The database alias name or database name \"" + name +
                        "\" could not be found.");
}

} // namespace

std::string upperCase(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return text;
}

ServerDir::ServerDir(std::string path) : m_path(std::move(path)) {}

std::string ServerDir::locate()
{
    const char* direct = std::getenv("DB2STANDIN_SERVER_DIR");
    if (direct && *direct)
        return direct;
    return driverKeyword("ServerDir");
}

std::string ServerDir::driverKeyword(const std::string& key)
{
    const char* sysIni = std::getenv("ODBCSYSINI");
    const std::string ini = (sysIni && *sysIni) ? std::string(sysIni) + "/odbcinst.ini"
                                                : std::string("/etc/odbcinst.ini");
    std::ifstream in(ini);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string::npos &&
                        upperCase(trim(line.substr(1, close - 1))) == "IBM DB2 ODBC DRIVER";
            continue;
        }
        const size_t equals = line.find('=');
        if (inSection && equals != std::string::npos &&
            lower(trim(line.substr(0, equals))) == lower(key))
            return trim(line.substr(equals + 1));
    }
    return std::string();
}

ServerDir::Config ServerDir::readConfig() const
{
    Config config;
    std::vector<std::string> listen;
    std::vector<std::string> hang;
    const std::map<std::string, std::string> values =
        readKeyValues(m_path + "/server.conf", &listen, &hang);
    for (const std::string& text : listen) {
        Endpoint endpoint;
        if (parseEndpoint(text, endpoint))
            config.listen.push_back(endpoint);
    }
    for (const std::string& text : hang) {
        Endpoint endpoint;
        if (parseEndpoint(text, endpoint))
            config.hang.push_back(endpoint);
    }
    double number = 0;
    auto it = values.find("statement_delay_ms");
    if (it != values.end() && parseNumber(it->second, number) && number > 0)
        config.statementDelayMs = number;
    it = values.find("login_timeout_scale");
    if (it != values.end() && parseNumber(it->second, number) && number >= 0)
        config.loginTimeoutScale = number;
    return config;
}

void ServerDir::writeConfig(const Config& config) const
{
    std::ostringstream out;
    out << "# DB2 stand-in server (test equipment)\n";
    for (const Endpoint& e : config.listen)
        out << "listen = " << e.host << ":" << e.port << "\n";
    for (const Endpoint& e : config.hang)
        out << "hang = " << e.host << ":" << e.port << "\n";
    out << "statement_delay_ms = " << config.statementDelayMs << "\n";
    char scale[64];
    std::snprintf(scale, sizeof scale, "%g", config.loginTimeoutScale);
    std::string scaleText = scale;
    for (char& c : scaleText) {
        if (c == ',')
            c = '.'; // whatever the locale says
    }
    out << "login_timeout_scale = " << scaleText << "\n";
    writeFileAtomically(m_path + "/server.conf", out.str());
}

std::string ServerDir::databaseFile(const std::string& name) const
{
    return m_path + "/databases/" + upperCase(name) + ".sqlite";
}

std::string ServerDir::databaseConfigFile(const std::string& name) const
{
    return m_path + "/databases/" + upperCase(name) + ".conf";
}

std::string ServerDir::databaseDownFile(const std::string& name) const
{
    return m_path + "/databases/" + upperCase(name) + ".down";
}

std::string ServerDir::downFile() const
{
    return m_path + "/down";
}

bool ServerDir::databaseExists(const std::string& name) const
{
    for (char c : name) {
        // Only names a DB2 database can have reach the file system.
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' || c == '$';
        if (!ok)
            return false;
    }
    return !name.empty() && fileExists(databaseFile(name));
}

bool ServerDir::serverDown() const
{
    return fileExists(downFile());
}

bool ServerDir::databaseDown(const std::string& name) const
{
    return fileExists(databaseDownFile(name));
}

std::string ServerDir::databaseHangFile(const std::string& name) const
{
    return m_path + "/databases/" + upperCase(name) + ".hang";
}

bool ServerDir::statementHangs(const std::string& database, const std::string& sql) const
{
    std::ifstream in(databaseHangFile(database));
    if (!in)
        return false;
    std::string prefix;
    std::getline(in, prefix);
    prefix = upperCase(trim(prefix));
    const std::string statement = upperCase(trim(sql));
    return statement.compare(0, prefix.size(), prefix) == 0;
}

double ServerDir::statementDelayMs(const std::string& database, const Config& config) const
{
    const std::map<std::string, std::string> values = readKeyValues(databaseConfigFile(database));
    auto it = values.find("statement_delay_ms");
    double number = 0;
    if (it != values.end() && parseNumber(it->second, number) && number >= 0)
        return number;
    return config.statementDelayMs;
}

std::map<std::string, std::string> ServerDir::readUsers() const
{
    std::map<std::string, std::string> users;
    std::ifstream in(m_path + "/users");
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0)
            continue;
        users[upperCase(line.substr(0, tab))] = line.substr(tab + 1);
    }
    return users;
}

void ServerDir::writeUsers(const std::map<std::string, std::string>& users) const
{
    std::string content;
    for (const auto& user : users)
        content += user.first + "\t" + user.second + "\n";
    writeFileAtomically(m_path + "/users", content);
}

ConnectParams parseConnectionString(const std::string& text)
{
    // IBM's driver knows no quoting: a value runs to the next ';', braces and
    // all, which is why a ';' cannot be part of a password.
    ConnectParams params;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && (text[i] == ';' || text[i] == ' '))
            ++i;
        if (i >= n)
            break;
        const size_t keyStart = i;
        while (i < n && text[i] != '=' && text[i] != ';')
            ++i;
        std::string key = upperCase(trim(text.substr(keyStart, i - keyStart)));
        std::string value;
        if (i < n && text[i] == '=') {
            ++i;
            const size_t valueStart = i;
            while (i < n && text[i] != ';')
                ++i;
            value = text.substr(valueStart, i - valueStart);
        }
        if (key == "PWD") {
            // DRDA passes passwords without their leading and trailing blanks.
            const size_t first = value.find_first_not_of(' ');
            value = first == std::string::npos
                        ? std::string()
                        : value.substr(first, value.find_last_not_of(' ') - first + 1);
        }
        if (!key.empty() && params.values.count(key) == 0)
            params.values[key] = value; // the first occurrence of a keyword wins
    }
    return params;
}

std::unique_ptr<Session> connect(const ConnectParams& params, long loginTimeoutSeconds)
{
    const std::string database =
        params.has("DATABASE") ? params.get("DATABASE") : params.get("DBALIAS");
    const std::string host = params.get("HOSTNAME");
    const std::string portText =
        params.has("PORT") ? params.get("PORT") : params.get("SERVICENAME");
    const std::string protocol = params.has("PROTOCOL") ? params.get("PROTOCOL") : "TCPIP";
    const std::string user = params.get("UID");
    const std::string password = params.get("PWD");

    if (upperCase(trim(protocol)) != "TCPIP")
        throw cliError(124, "HY009", "Invalid argument value.");
    if (database.empty())
        throw aliasNotFound("");
    if (database.size() > 8) // DB2's names have 1 to 8 characters
        throw sqlError(1001, "2E000", "\"" + database + "\" is not a valid database name.");
    if (host.empty())
        throw aliasNotFound(upperCase(database)); // no host: a local catalog lookup

    const std::string folder = ServerDir::locate();
    if (folder.empty())
        throw sqlError(1336, "08001", "The remote host \"" + host + "\" was not found.");
    const ServerDir server(folder);
    ServerDir::Config config = server.readConfig();
    const std::string hostKey = lower(host);
    bool knownHost = false;
    for (const auto& e : config.listen)
        knownHost = knownHost || e.host == hostKey;
    for (const auto& e : config.hang)
        knownHost = knownHost || e.host == hostKey;
    if (!knownHost)
        throw sqlError(1336, "08001", "The remote host \"" + host + "\" was not found.");

    int port = 0;
    const bool portValid = parsePort(trim(portText), port);
    auto endpointIn = [&](const std::vector<ServerDir::Endpoint>& list) {
        for (const auto& e : list) {
            if (e.host == hostKey && e.port == port)
                return true;
        }
        return false;
    };
    if (portValid && endpointIn(config.hang)) {
        // Accepts and never answers: the client gives up after its login time-out.
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        const double seconds = static_cast<double>(loginTimeoutSeconds) * config.loginTimeoutScale;
        while (true) {
            if (loginTimeoutSeconds > 0 &&
                std::chrono::duration<double>(Clock::now() - start).count() >= seconds)
                throw communicationError(location(host), "selectForRecvTimeout",
                                         "\"*\", \"*\", \"0\"");
            std::this_thread::sleep_for(std::chrono::milliseconds(
                loginTimeoutSeconds > 0
                    ? std::max<long>(1, std::min<long>(50, static_cast<long>(seconds * 1000)))
                    : 50));
            config = server.readConfig();
            if (!endpointIn(config.hang))
                break; // the test let the server answer again
        }
    }
    if (!portValid || !endpointIn(config.listen) || server.serverDown())
        throw communicationError(location(host), "connect", "\"111\", \"*\", \"*\"");

    const std::string name = upperCase(database);
    if (!server.databaseExists(name)) {
        std::string padded = name;
        if (padded.size() < 18)
            padded.append(18 - padded.size(), ' ');
        throw sqlError(30061, "08004",
                       "The database alias or database name \"" + padded +
                           "\" was not found at the remote node.");
    }
    if (server.databaseDown(name))
        throw communicationError(location(host), "recv", "\"104\", \"*\", \"0\"");
    if (password.empty())
        throw securityError("3", "PASSWORD MISSING");
    const std::map<std::string, std::string> users = server.readUsers();
    auto it = users.find(upperCase(user));
    if (user.empty() || it == users.end() || it->second != password)
        throw securityError("24", "USERNAME AND/OR PASSWORD INVALID");
    return std::make_unique<Session>(server.databaseFile(name), name, user);
}

} // namespace db2s
