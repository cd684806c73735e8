// Expressions: comparisons, constants, concatenation, special registers, functions
// and the data types of CAST and CREATE TABLE.

#include "SqlParser.h"

#include <charconv>
#include <map>

namespace db2s::sql {

Expr Parser::parameter(const SqlValue& value, const ColType& type, Form form)
{
    m_params.push_back(value);
    Expr e;
    e.param = static_cast<int>(m_params.size() - 1);
    e.out = "?" + std::to_string(m_params.size());
    e.sql = e.out;
    e.type = type;
    e.form = form;
    e.literal = value;
    e.nullable = false;
    return e;
}

void Parser::coerce(Expr& literal, const Expr& other)
{
    if (literal.form != Form::String || literal.param < 0)
        return;
    const Kind kind = other.type.kind;
    if (kind == Kind::Null || isString(kind) || kind == Kind::Xml || isBinary(kind))
        return;
    SqlValue converted;
    ColType target = other.type;
    if (isNumeric(kind))
        target = typeOf(Kind::Double);
    converted = convertValue(literal.literal, literal.type, target, ConvertMode::Cast, "");
    m_params[static_cast<size_t>(literal.param)] = converted;
    literal.type = target;
    literal.form = Form::Other;
}

Expr Parser::comparison(Expr left, const std::string& op, Expr right)
{
    coerce(left, right);
    coerce(right, left);
    Expr e;
    const std::string sqlOp = op == "!=" ? "<>" : op;
    // Strings compare in their stored form; numbers in their value form.
    const bool text = isString(left.type.kind) && isString(right.type.kind);
    e.sql = "(" + (text ? left.out : left.sql) + " " + sqlOp + " " +
            (text ? right.out : right.sql) + ")";
    e.out = e.sql;
    e.type = typeOf(Kind::Boolean);
    e.aggregate = left.aggregate || right.aggregate;
    return e;
}

Expr Parser::expression(const Scope& scope)
{
    Expr left = predicate(scope);
    while (acceptWord("AND")) {
        Expr right = predicate(scope);
        Expr e;
        e.sql = e.out = "(" + left.sql + " AND " + right.sql + ")";
        e.type = typeOf(Kind::Boolean);
        e.aggregate = left.aggregate || right.aggregate;
        left = e;
    }
    return left;
}

Expr Parser::predicate(const Scope& scope)
{
    Expr left = concatenation(scope);
    const Token& t = peek();
    if (t.kind == TokenKind::Symbol &&
        (t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" || t.text == ">" ||
         t.text == "<=" || t.text == ">=")) {
        const std::string op = take().text;
        if (isWord("ANY") || isWord("SOME") || isWord("ALL"))
            fail("(");
        Expr right = concatenation(scope);
        return comparison(left, op, right);
    }
    return left;
}

Expr Parser::concatenation(const Scope& scope)
{
    Expr left = unary(scope);
    while (isSymbol("||") || (isWord("CONCAT") && !isSymbol("(", 1))) {
        take();
        Expr right = unary(scope);
        Expr e;
        e.aggregate = left.aggregate || right.aggregate;
        e.sql = e.out = "(" + left.out + " || " + right.out + ")";
        const long long length =
            std::min<long long>(32672, std::max<long long>(1, left.type.length) +
                                           std::max<long long>(1, right.type.length));
        e.type = typeOf(Kind::Varchar, length);
        left = e;
    }
    return left;
}

Expr Parser::unary(const Scope& scope)
{
    if (isSymbol("-") || isSymbol("+")) {
        const std::string op = take().text;
        const Token& t = peek();
        if (t.kind == TokenKind::Integer || t.kind == TokenKind::Decimal ||
            t.kind == TokenKind::Float) {
            // A signed constant stays a constant (INSERT ... VALUES(-5)).
            Expr value = primary(scope);
            if (op == "-" && value.param >= 0) {
                SqlValue& param = m_params[static_cast<size_t>(value.param)];
                if (param.storage == SqlValue::Storage::Integer)
                    param.i = -param.i;
                else if (param.storage == SqlValue::Storage::Real)
                    param.r = -param.r;
                if (value.literal.storage == SqlValue::Storage::Integer)
                    value.literal.i = -value.literal.i;
                else if (value.literal.storage == SqlValue::Storage::Text)
                    value.literal.s = "-" + value.literal.s;
                else if (value.literal.storage == SqlValue::Storage::Real)
                    value.literal.r = -value.literal.r;
            }
            return value;
        }
        fail("<constant>");
    }
    return primary(scope);
}

Expr Parser::primary(const Scope& scope)
{
    const Token& t = peek();
    switch (t.kind) {
    case TokenKind::String: {
        const std::string text = take().text;
        return parameter(
            SqlValue::text(text),
            typeOf(Kind::Varchar, std::max<long long>(1, static_cast<long long>(text.size()))),
            Form::String);
    }
    case TokenKind::HexString: {
        const std::string bytes = take().text;
        return parameter(
            SqlValue::blob(bytes),
            typeOf(Kind::Varbinary, std::max<long long>(1, static_cast<long long>(bytes.size()))),
            Form::Other);
    }
    case TokenKind::Integer: {
        const std::string text = take().text;
        long long value = 0;
        auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec == std::errc() && result.ptr == text.data() + text.size()) {
            const bool small = value <= 2147483647LL;
            Expr e = parameter(SqlValue::integer(value),
                               typeOf(small ? Kind::Integer : Kind::Bigint), Form::Number);
            return e;
        }
        double real = 0;
        parseDouble(text, real);
        Expr e = parameter(
            SqlValue::real(real),
            typeOf(Kind::Decimal, std::min<long long>(31, static_cast<long long>(text.size())), 0),
            Form::Number);
        e.literal = SqlValue::text(text);
        return e;
    }
    case TokenKind::Decimal: {
        const std::string text = take().text;
        double real = 0;
        parseDouble(text, real);
        const size_t point = text.find('.');
        const int scale = static_cast<int>(text.size() - point - 1);
        const long long precision = std::min<long long>(
            31, std::max<long long>(static_cast<long long>(text.size()) - 1, scale));
        Expr e =
            parameter(SqlValue::real(real), typeOf(Kind::Decimal, precision, scale), Form::Number);
        e.literal = SqlValue::text(text);
        return e;
    }
    case TokenKind::Float: {
        const std::string text = take().text;
        double real = 0;
        if (!parseDouble(text, real))
            throw numericOverflow();
        return parameter(SqlValue::real(real), typeOf(Kind::Double), Form::Number);
    }
    case TokenKind::Parameter:
        throw sqlError(313, "07004",
                       "The number of variables in the EXECUTE statement, the number of "
                       "variables in the OPEN statement, or the number of arguments in an OPEN "
                       "statement for a parameterized cursor is not equal to the number of "
                       "values required.");
    case TokenKind::Word: {
        const std::string word = t.text;
        if (word == "NULL") {
            take();
            Expr e;
            e.sql = e.out = "NULL";
            e.form = Form::Null;
            return e;
        }
        if ((word == "TRUE" || word == "FALSE") && !isSymbol("(", 1) && !isSymbol(".", 1)) {
            take();
            return parameter(SqlValue::integer(word == "TRUE" ? 1 : 0), typeOf(Kind::Boolean),
                             Form::Boolean);
        }
        if (word == "CAST" && isSymbol("(", 1)) {
            take();
            take();
            Expr value = expression(scope);
            expectWord("AS");
            const ColType type = parseType();
            expectSymbol(")");
            return castTo(value, type, true, "");
        }
        // Special registers.
        if (word == "CURRENT" && isWord("SERVER", 1)) {
            take();
            take();
            return parameter(SqlValue::text(m_state.database), typeOf(Kind::Varchar, 18),
                             Form::Other);
        }
        if (word == "CURRENT" && (isWord("SCHEMA", 1) || isWord("SQLID", 1))) {
            take();
            take();
            return parameter(SqlValue::text(m_state.schema), typeOf(Kind::Varchar, 128),
                             Form::Other);
        }
        // Words that begin expressions this parser does not take (CASE, NOT, EXISTS,
        // the other special registers): a syntax error, never a column of that name.
        static const std::set<std::string> unsupported = {
            "CASE",         "CURRENT",           "CURRENT_DATE", "CURRENT_SCHEMA",
            "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "EXISTS",
            "NOT",          "SESSION_USER",      "SYSTEM_USER",  "USER"};
        if (unsupported.count(word) > 0)
            fail("<expression>");
        if (isSymbol("(", 1)) {
            take();
            take();
            return functionCall(scope, word);
        }
        break;
    }
    default:
        break;
    }
    if (!isIdentifier())
        fail("<expression>");
    std::vector<std::string> parts{identifier()};
    while (isSymbol(".") && isIdentifier(1) && parts.size() < 3) {
        take();
        parts.push_back(identifier());
    }
    return columnReference(scope, parts);
}

Expr Parser::columnReference(const Scope& scope, const std::vector<std::string>& parts)
{
    const std::string& column = parts.back();
    for (const Scope* s = &scope; s; s = s->outer) {
        const FromItem* found = nullptr;
        int index = -1;
        int matches = 0;
        for (const FromItem& item : s->items) {
            if (parts.size() == 2 &&
                !(item.hasCorrelation ? item.correlation == parts[0] : item.name == parts[0]))
                continue;
            if (parts.size() == 3 &&
                (item.hasCorrelation || item.schema != parts[0] || item.name != parts[1]))
                continue;
            for (size_t c = 0; c < item.columns.size(); ++c) {
                if (item.columns[c].name == column) {
                    found = &item;
                    index = static_cast<int>(c);
                    ++matches;
                }
            }
        }
        if (matches > 1)
            throw sqlError(203, "42702", "A reference to column \"" + column + "\" is ambiguous.");
        if (found) {
            const SourceColumn& source = found->columns[static_cast<size_t>(index)];
            Expr e = typedExpr(found->alias + ".c" + std::to_string(index), source.type);
            e.form = Form::Column;
            e.name = source.name;
            e.nullable = source.nullable;
            e.item = found;
            e.column = index;
            return e;
        }
    }
    std::string shown;
    for (size_t i = 0; i < parts.size(); ++i)
        shown += (i ? "." : "") + parts[i];
    throw invalidColumn(shown);
}

Expr Parser::castTo(const Expr& value, const ColType& type, bool cast, const std::string& target)
{
    if (value.form == Form::Null) {
        Expr e = typedExpr("NULL", type);
        return e;
    }
    if (value.param >= 0 &&
        (value.form == Form::String || value.form == Form::Number || value.form == Form::Boolean)) {
        // Constants are converted at once, so errors show before anything runs.
        const SqlValue converted =
            convertValue(value.literal, value.type, type,
                         cast ? ConvertMode::Cast : ConvertMode::Assignment, target);
        Expr e = parameter(converted, type, Form::Other);
        e.sql = valueForm(e.out, type);
        return e;
    }
    const ColType from = value.type.kind == Kind::Null ? typeOf(Kind::Varchar, 1) : value.type;
    Expr targetName = parameter(SqlValue::text(target), typeOf(Kind::Varchar, 128), Form::Other);
    const std::string sql =
        "db2_convert(" + value.out + ", " + std::to_string(kindCode(from.kind)) + ", " +
        std::to_string(from.length) + ", " + std::to_string(from.scale) + ", " +
        std::to_string(kindCode(type.kind)) + ", " + std::to_string(type.length) + ", " +
        std::to_string(type.scale) + ", " + (cast ? "1" : "0") + ", " + targetName.out + ")";
    Expr e = typedExpr(sql, type);
    e.aggregate = value.aggregate;
    return e;
}

Expr Parser::functionCall(const Scope& scope, const std::string& name)
{
    // Aggregates.
    if (name == "COUNT" || name == "COUNT_BIG") {
        const ColType type = typeOf(name == "COUNT" ? Kind::Integer : Kind::Bigint);
        std::string sql;
        if (acceptSymbol("*")) {
            sql = "COUNT(*)";
        } else {
            const bool distinct = acceptWord("DISTINCT");
            if (!distinct)
                acceptWord("ALL");
            sql =
                std::string("COUNT(") + (distinct ? "DISTINCT " : "") + expression(scope).sql + ")";
        }
        expectSymbol(")");
        Expr e = typedExpr(sql, type);
        e.aggregate = true;
        e.nullable = false;
        return e;
    }
    if (name == "SUM" || name == "AVG" || name == "MIN" || name == "MAX") {
        const bool distinct = acceptWord("DISTINCT");
        if (!distinct)
            acceptWord("ALL");
        Expr argument = expression(scope);
        expectSymbol(")");
        ColType type = argument.type;
        if (name == "SUM" && (type.kind == Kind::Smallint || type.kind == Kind::Integer))
            type = typeOf(Kind::Integer);
        if ((name == "SUM" || name == "AVG") && type.kind == Kind::Decimal)
            type = typeOf(Kind::Decimal, 31, type.scale);
        if ((name == "SUM" || name == "AVG") && !isNumeric(type.kind))
            type = typeOf(Kind::Double);
        const bool keepsStoredForm = (name == "MIN" || name == "MAX") && !isNumeric(type.kind);
        Expr e = typedExpr(name + "(" + (distinct ? std::string("DISTINCT ") : std::string()) +
                               (keepsStoredForm ? argument.out : argument.sql) + ")",
                           type);
        if (isDecimalLike(type.kind))
            e.sql = e.out; // the aggregate already computes a REAL
        e.aggregate = true;
        return e;
    }

    std::vector<Expr> args;
    if (!isSymbol(")")) {
        do {
            args.push_back(expression(scope));
        } while (acceptSymbol(","));
    }
    // Casting functions: BLOB(x, length), DATE(x) ...
    auto lengthArg = [&](size_t index, long long fallback) {
        if (args.size() <= index)
            return fallback;
        if (args[index].literal.storage != SqlValue::Storage::Integer)
            fail("<integer>");
        return args[index].literal.i;
    };
    auto needArgs = [&](size_t minimum, size_t maximum) {
        if (args.size() < minimum || args.size() > maximum)
            throw sqlError(440, "42884",
                           "No authorized routine named \"" + name +
                               "\" of type \"FUNCTION\" having compatible arguments was found.");
    };
    expectSymbol(")");
    bool aggregate = false;
    for (const Expr& a : args)
        aggregate = aggregate || a.aggregate;
    Expr e;
    auto make = [&](const std::string& sql, const ColType& type) {
        e = typedExpr(sql, type);
        e.aggregate = aggregate;
        return e;
    };
    if (name == "COALESCE" || name == "VALUE" || name == "NVL" || name == "IFNULL") {
        needArgs(2, 64);
        ColType type = typeOf(Kind::Null);
        for (const Expr& a : args) {
            if (type.kind == Kind::Null)
                type = a.type;
        }
        std::string sql = "coalesce(";
        for (size_t i = 0; i < args.size(); ++i) {
            Expr a = args[i];
            coerce(a, typedExpr("", type));
            sql += (i ? ", " : "") + a.out;
        }
        return make(sql + ")", type);
    }
    // Casting functions.
    static const std::map<std::string, Kind> castFunctions = {
        {"SMALLINT", Kind::Smallint}, {"INT", Kind::Integer},       {"INTEGER", Kind::Integer},
        {"BIGINT", Kind::Bigint},     {"REAL", Kind::Real},         {"DOUBLE", Kind::Double},
        {"FLOAT", Kind::Double},      {"DECFLOAT", Kind::Decfloat}, {"DATE", Kind::Date},
        {"TIME", Kind::Time},         {"BLOB", Kind::Blob},         {"BOOLEAN", Kind::Boolean}};
    auto castIt = castFunctions.find(name);
    if (castIt != castFunctions.end()) {
        needArgs(1, 3);
        ColType type = typeOf(castIt->second);
        if (type.kind == Kind::Blob)
            type.length = lengthArg(1, 2147483647LL);
        else if (type.kind == Kind::Decfloat)
            type.length = 34;
        return castTo(args[0], type, true, "");
    }
    throw sqlError(440, "42884",
                   "No authorized routine named \"" + name +
                       "\" of type \"FUNCTION\" having compatible arguments was found.");
}

long long Parser::parseLength(bool allowUnits)
{
    if (peek().kind != TokenKind::Integer)
        fail("<integer>");
    long long value = 0;
    const std::string text = take().text;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc())
        value = -1;
    if (allowUnits) {
        if (acceptWord("K"))
            value *= 1024;
        else if (acceptWord("M"))
            value *= 1024 * 1024;
        else if (acceptWord("G"))
            value *= 1024LL * 1024 * 1024;
    }
    return value;
}

ColType Parser::parseType()
{
    if (!isIdentifier())
        fail("<data type>");
    const Token& t = peek();
    const std::string word = t.kind == TokenKind::Word ? t.text : std::string();
    const std::string typeName = t.text;
    ColType type;
    auto invalid = [&]() {
        return sqlError(604, "42611",
                        "The length, precision, or scale attribute for column, distinct type, "
                        "structured type, array type, attribute of structured type, routine, "
                        "cast target type, type mapping, or global variable \"" +
                            typeName + "\" is not valid.");
    };
    auto optionalLength = [&](long long fallback, bool units) {
        if (acceptSymbol("(")) {
            const long long length = parseLength(units);
            expectSymbol(")");
            return length;
        }
        return fallback;
    };
    auto check = [&](long long low, long long high) {
        if (type.length < low || type.length > high)
            throw invalid();
    };
    take();
    if (word == "CHAR" || word == "CHARACTER") {
        if (acceptWord("VARYING")) {
            type.kind = Kind::Varchar;
            expectSymbol("(");
            type.length = parseLength(false);
            expectSymbol(")");
            check(1, 32672);
        } else if (acceptWord("LARGE")) {
            expectWord("OBJECT");
            type.kind = Kind::Clob;
            type.length = optionalLength(1048576, true);
            check(1, 2147483647LL);
        } else {
            type.kind = Kind::Char;
            type.length = optionalLength(1, false);
            check(1, 255);
        }
    } else if (word == "VARCHAR") {
        type.kind = Kind::Varchar;
        expectSymbol("(");
        type.length = parseLength(false);
        expectSymbol(")");
        check(1, 32672);
    } else if (word == "LONG") {
        if (acceptWord("VARCHAR")) {
            type.kind = Kind::LongVarchar;
            type.length = LongVarcharMax;
        } else {
            expectWord("VARGRAPHIC");
            type.kind = Kind::LongVargraphic;
            type.length = LongVargraphicMax;
        }
    } else if (word == "CLOB") {
        type.kind = Kind::Clob;
        type.length = optionalLength(1048576, true);
        check(1, 2147483647LL);
    } else if (word == "GRAPHIC") {
        type.kind = Kind::Graphic;
        type.length = optionalLength(1, false);
        check(1, 127);
    } else if (word == "VARGRAPHIC") {
        type.kind = Kind::Vargraphic;
        expectSymbol("(");
        type.length = parseLength(false);
        expectSymbol(")");
        check(1, 16336);
    } else if (word == "DBCLOB") {
        type.kind = Kind::Dbclob;
        type.length = optionalLength(1048576, true);
        check(1, 1073741823LL);
    } else if (word == "BLOB" || (word == "BINARY" && isWord("LARGE"))) {
        if (word == "BINARY") {
            take();
            expectWord("OBJECT");
        }
        type.kind = Kind::Blob;
        type.length = optionalLength(1048576, true);
        check(1, 2147483647LL);
    } else if (word == "BINARY") {
        if (acceptWord("VARYING")) {
            type.kind = Kind::Varbinary;
            expectSymbol("(");
            type.length = parseLength(false);
            expectSymbol(")");
            check(1, 32672);
        } else {
            type.kind = Kind::Binary;
            type.length = optionalLength(1, false);
            check(1, 255);
        }
    } else if (word == "VARBINARY") {
        type.kind = Kind::Varbinary;
        expectSymbol("(");
        type.length = parseLength(false);
        expectSymbol(")");
        check(1, 32672);
    } else if (word == "SMALLINT") {
        type.kind = Kind::Smallint;
    } else if (word == "INT" || word == "INTEGER") {
        type.kind = Kind::Integer;
    } else if (word == "BIGINT") {
        type.kind = Kind::Bigint;
    } else if (word == "DEC" || word == "DECIMAL" || word == "NUMERIC" || word == "NUM") {
        type.kind = Kind::Decimal;
        type.length = 5;
        type.scale = 0;
        if (acceptSymbol("(")) {
            type.length = parseLength(false);
            if (acceptSymbol(",")) {
                const long long scale = parseLength(false);
                if (scale < 0 || scale > 31)
                    throw invalid();
                type.scale = static_cast<int>(scale);
            }
            expectSymbol(")");
        }
        check(1, 31);
        if (type.scale > type.length)
            throw invalid();
    } else if (word == "REAL") {
        type.kind = Kind::Real;
    } else if (word == "FLOAT") {
        type.kind = Kind::Double;
        type.length = optionalLength(53, false);
        check(1, 53);
        if (type.length <= 24)
            type.kind = Kind::Real;
        type.length = 0;
    } else if (word == "DOUBLE") {
        acceptWord("PRECISION");
        type.kind = Kind::Double;
    } else if (word == "DECFLOAT") {
        type.kind = Kind::Decfloat;
        type.length = optionalLength(34, false);
        if (type.length != 16 && type.length != 34)
            throw invalid();
    } else if (word == "DATE") {
        type.kind = Kind::Date;
    } else if (word == "TIME") {
        type.kind = Kind::Time;
    } else if (word == "TIMESTAMP") {
        type.kind = Kind::Timestamp;
        const long long precision = optionalLength(6, false);
        if (precision < 0 || precision > 12)
            throw invalid();
        type.scale = static_cast<int>(precision);
    } else if (word == "BOOLEAN") {
        type.kind = Kind::Boolean;
    } else if (word == "XML") {
        type.kind = Kind::Xml;
    } else {
        throw undefinedName(m_state.schema, typeName);
    }
    if (isCharacter(type.kind) && isWord("FOR") && isWord("BIT", 1) && isWord("DATA", 2)) {
        take();
        take();
        take();
        if (type.kind == Kind::Char)
            type.kind = Kind::Binary;
        else if (type.kind == Kind::Varchar)
            type.kind = Kind::Varbinary;
        else if (type.kind == Kind::LongVarchar) {
            type.kind = Kind::Varbinary;
            type.length = LongVarcharMax;
        }
    }
    return type;
}

SqlValue Parser::evaluate(const Expr& expr)
{
    if (expr.form == Form::Null)
        return SqlValue::null();
    if (expr.param >= 0 &&
        (expr.form == Form::String || expr.form == Form::Number || expr.form == Form::Boolean))
        return expr.literal;
    const std::string sql = "SELECT " + expr.out;
    sqlite3_stmt* statement = m_storage.acquire(sql);
    for (size_t i = 0; i < m_params.size(); ++i)
        Storage::bind(statement, static_cast<int>(i + 1), m_params[i]);
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW) {
        const Db2Error error = m_storage.error(rc);
        m_storage.release(sql, statement);
        throw error;
    }
    SqlValue value = Storage::column(statement, 0);
    m_storage.release(sql, statement);
    return value;
}

} // namespace db2s::sql
