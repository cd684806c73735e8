// db2standin-admin: sets up DB2 stand-in server folders and runs DB2 SQL in them.
// Test equipment; see ../README.md.

#include "ServerDir.h"
#include "Session.h"
#include "Storage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const Usage =
    "usage: db2standin-admin [--server-dir DIR] COMMAND [OPTIONS]\n"
    "\n"
    "  init [--host H --port P]...       create the server folder; the endpoints listen\n"
    "  listen --host H --port P          one more host and port that listen\n"
    "  hang --host H --port P [--off]    (test only) the endpoint accepts and never answers\n"
    "  set [--database D] KEY VALUE      statement_delay_ms, login_timeout_scale\n"
    "  add-user --user U --password P    a login (replaces the password of an existing one)\n"
    "  create-database NAME [--replace]  an empty database\n"
    "  exec --database D --user U [--file F|-] [SQL]...\n"
    "                                    run DB2 statements; query rows go to standard output,\n"
    "                                    one per line, values tab-separated, NULL as \\N, with\n"
    "                                    backslash, tab, CR and LF written as \\\\ \\t \\r \\n\n"
    "  down [--database D]               (test only) the server or database goes away\n"
    "  up [--database D]                 ... and comes back\n"
    "  hang-statement --database D [--match TEXT] [--off]\n"
    "                                    (test only) statements that begin with TEXT (every\n"
    "                                    statement without it) are not answered until --off\n"
    "  catalog-row --database D --schema S --name N --type T\n"
    "                                    (test only) an extra row that SQLTables lists\n"
    "\n"
    "DIR defaults to $DB2STANDIN_SERVER_DIR.\n";

struct Arguments
{
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> options;
    std::vector<std::string> flags;

    std::string option(const std::string& name) const
    {
        auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
    bool flag(const std::string& name) const
    {
        for (const std::string& f : flags) {
            if (f == name)
                return true;
        }
        return false;
    }
};

[[noreturn]] void die(const std::string& message)
{
    std::cerr << "db2standin-admin: " << message << "\n";
    std::exit(2);
}

std::string require(const Arguments& args, const std::string& name)
{
    const std::string value = args.option(name);
    if (value.empty())
        die("missing --" + name);
    return value;
}

void makeDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        die("cannot create " + path + ": " + std::strerror(errno));
}

// DB2's database names: 1 to 8 characters.
bool validDatabaseName(const std::string& name)
{
    if (name.empty() || name.size() > 8)
        return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' || c == '$';
        if (!ok)
            return false;
    }
    return true;
}

std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Splits a script at the semicolons that end statements (not those inside
// quotes or comments).
std::vector<std::string> splitStatements(const std::string& script)
{
    std::vector<std::string> statements;
    std::string current;
    char quote = 0;
    for (size_t i = 0; i < script.size(); ++i) {
        const char c = script[i];
        if (quote) {
            current += c;
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            current += c;
        } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            while (i < script.size() && script[i] != '\n')
                ++i;
            current += '\n';
        } else if (c == ';') {
            statements.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    statements.push_back(current);
    std::vector<std::string> result;
    for (const std::string& s : statements) {
        if (s.find_first_not_of(" \t\r\n") != std::string::npos)
            result.push_back(s);
    }
    return result;
}

int runExec(const db2s::ServerDir& server, const Arguments& args)
{
    std::string database = args.option("database");
    const std::string user = args.option("user");
    const std::string file = args.option("file");
    if (database.empty() || user.empty())
        die("exec needs --database and --user");
    database = db2s::upperCase(database);
    if (!server.databaseExists(database))
        die("no database " + database + " in " + server.path());
    std::vector<std::string> statements;
    if (!file.empty()) {
        std::string script;
        if (file == "-") {
            script.assign(std::istreambuf_iterator<char>(std::cin),
                          std::istreambuf_iterator<char>());
        } else {
            std::ifstream in(file);
            if (!in)
                die("cannot read " + file);
            script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        statements = splitStatements(script);
    }
    for (size_t i = 1; i < args.positional.size(); ++i)
        statements.push_back(args.positional[i]);
    try {
        db2s::Session session(server.databaseFile(database), database, user);
        for (const std::string& sql : statements) {
            db2s::Outcome outcome = session.execute(sql);
            if (!outcome.cursor)
                continue;
            const auto& columns = outcome.cursor->columns();
            while (outcome.cursor->next()) {
                std::string line;
                for (size_t c = 0; c < columns.size(); ++c) {
                    if (c)
                        line += '\t';
                    const db2s::SqlValue& value = outcome.cursor->row()[c];
                    line += value.isNull() ? std::string("\\N")
                                           : escaped(db2s::valueText(value, columns[c].type));
                }
                std::cout << line << "\n";
            }
        }
    } catch (const db2s::Db2Error& error) {
        std::cout.flush();
        std::cerr << "[IBM][CLI Driver][DB2/LINUXX8664] " << error.text() << "\n";
        return 1;
    }
    return 0;
}

int run(const db2s::ServerDir& server, const Arguments& args)
{
    const std::string command = args.positional.empty() ? std::string() : args.positional[0];
    if (command == "init" || command == "listen") {
        if (command == "init") {
            makeDirectory(server.path());
            makeDirectory(server.path() + "/databases");
        }
        db2s::ServerDir::Config config = server.readConfig();
        auto hosts = args.options.equal_range("host");
        auto ports = args.options.equal_range("port");
        for (auto h = hosts.first, p = ports.first; h != hosts.second && p != ports.second;
             ++h, ++p) {
            db2s::ServerDir::Endpoint endpoint;
            endpoint.host = h->second;
            for (char& c : endpoint.host)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            endpoint.port = std::atoi(p->second.c_str());
            if (endpoint.port < 1 || endpoint.port > 65535)
                die("bad port " + p->second);
            config.listen.push_back(endpoint);
        }
        if (command == "listen" && config.listen.empty())
            die("listen needs --host and --port");
        server.writeConfig(config);
        if (command == "init" && !std::ifstream(server.path() + "/users"))
            server.writeUsers({});
        return 0;
    }
    if (command == "hang") {
        db2s::ServerDir::Config config = server.readConfig();
        db2s::ServerDir::Endpoint endpoint;
        endpoint.host = require(args, "host");
        for (char& c : endpoint.host)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        endpoint.port = std::atoi(require(args, "port").c_str());
        std::vector<db2s::ServerDir::Endpoint> kept;
        for (const auto& e : config.hang) {
            if (!(e.host == endpoint.host && e.port == endpoint.port))
                kept.push_back(e);
        }
        if (!args.flag("off"))
            kept.push_back(endpoint);
        config.hang = kept;
        server.writeConfig(config);
        return 0;
    }
    if (command == "set") {
        if (args.positional.size() != 3)
            die("set needs KEY VALUE");
        const std::string key = args.positional[1];
        const std::string value = args.positional[2];
        double number = 0;
        if (!db2s::parseDouble(value, number) || number < 0)
            die("not a number: " + value);
        const std::string database = args.option("database");
        if (!database.empty()) {
            if (key != "statement_delay_ms")
                die("only statement_delay_ms can be set per database");
            std::ofstream out(server.databaseConfigFile(database), std::ios::trunc);
            out << "statement_delay_ms = " << value << "\n";
            return out ? 0 : 1;
        }
        db2s::ServerDir::Config config = server.readConfig();
        if (key == "statement_delay_ms")
            config.statementDelayMs = number;
        else if (key == "login_timeout_scale")
            config.loginTimeoutScale = number;
        else
            die("unknown setting " + key);
        server.writeConfig(config);
        return 0;
    }
    if (command == "add-user") {
        // Also "add-user [DATABASE] USER PASSWORD": logins belong to the server, so a
        // database named there only has to exist.
        std::string user = args.option("user");
        std::string password = args.option("password");
        if (user.empty() && args.positional.size() >= 3) {
            const size_t first = args.positional.size() - 2;
            user = args.positional[first];
            password = args.positional[first + 1];
        }
        if (user.empty())
            die("missing --user");
        if (user.find_first_of("\t\n") != std::string::npos ||
            password.find_first_of("\n") != std::string::npos)
            die("user names may hold no tab or line break, passwords no line break");
        std::map<std::string, std::string> users = server.readUsers();
        users[db2s::upperCase(user)] = password;
        server.writeUsers(users);
        return 0;
    }
    if (command == "create-database" || command == "create-db") {
        if (args.positional.size() != 2 || !validDatabaseName(args.positional[1]))
            die("create-database needs a NAME of letters, digits, _ @ # $ (at most 8)");
        const std::string name = args.positional[1];
        const std::string file = server.databaseFile(name);
        if (server.databaseExists(name)) {
            if (!args.flag("replace"))
                die("database " + db2s::upperCase(name) + " exists (use --replace)");
            for (const char* suffix : {"", "-wal", "-shm"})
                std::remove((file + suffix).c_str());
        }
        std::remove(server.databaseDownFile(name).c_str());
        std::remove(server.databaseConfigFile(name).c_str());
        db2s::createDatabaseFile(file);
        return 0;
    }
    if (command == "exec")
        return runExec(server, args);
    if (command == "hang-statement") {
        const std::string marker = server.databaseHangFile(require(args, "database"));
        if (args.flag("off")) {
            std::remove(marker.c_str());
            return 0;
        }
        std::ofstream out(marker, std::ios::trunc);
        out << args.option("match") << "\n";
        return out ? 0 : 1;
    }
    if (command == "down" || command == "up") {
        const std::string database = args.option("database");
        const std::string marker =
            database.empty() ? server.downFile() : server.databaseDownFile(database);
        if (command == "down") {
            std::ofstream out(marker);
            out << "down\n";
            return out ? 0 : 1;
        }
        std::remove(marker.c_str());
        return 0;
    }
    if (command == "catalog-row") {
        const std::string database = require(args, "database");
        if (!server.databaseExists(database))
            die("no database " + database);
        db2s::addCatalogRow(server.databaseFile(database), require(args, "schema"),
                            require(args, "name"), require(args, "type"));
        return 0;
    }
    std::cerr << Usage;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    std::string folder;
    if (const char* env = std::getenv("DB2STANDIN_SERVER_DIR"))
        folder = env;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            return 0;
        }
        if (arg == "--replace" || arg == "--off") {
            args.flags.push_back(arg.substr(2));
        } else if (arg.compare(0, 2, "--") == 0) {
            if (i + 1 >= argc)
                die("missing value for " + arg);
            const std::string name = arg.substr(2);
            if (name == "server-dir")
                folder = argv[++i];
            else
                args.options.emplace(name, argv[++i]);
        } else {
            args.positional.push_back(arg);
        }
    }
    if (folder.empty())
        die("no server folder: pass --server-dir or set DB2STANDIN_SERVER_DIR");
    try {
        return run(db2s::ServerDir(folder), args);
    } catch (const db2s::Db2Error& error) {
        std::cerr << "[IBM][CLI Driver] " << error.text() << "\n";
        return 1;
    } catch (const std::exception& error) {
        die(error.what());
    }
}
