#include "Types.h"

namespace db2s {

bool isCharacter(Kind kind)
{
    return kind == Kind::Char || kind == Kind::Varchar || kind == Kind::LongVarchar ||
           kind == Kind::Clob;
}

bool isGraphic(Kind kind)
{
    return kind == Kind::Graphic || kind == Kind::Vargraphic || kind == Kind::LongVargraphic ||
           kind == Kind::Dbclob;
}

bool isBinary(Kind kind)
{
    return kind == Kind::Binary || kind == Kind::Varbinary || kind == Kind::Blob;
}

bool isExactInteger(Kind kind)
{
    return kind == Kind::Smallint || kind == Kind::Integer || kind == Kind::Bigint;
}

bool isNumeric(Kind kind)
{
    return isExactInteger(kind) || kind == Kind::Decimal || kind == Kind::Real ||
           kind == Kind::Double || kind == Kind::Decfloat;
}

bool isDatetime(Kind kind)
{
    return kind == Kind::Date || kind == Kind::Time || kind == Kind::Timestamp;
}

int odbcTypeCode(const ColType& type)
{
    switch (type.kind) {
    case Kind::Char:
        return 1;
    case Kind::Varchar:
        return 12;
    case Kind::LongVarchar:
        return -1;
    case Kind::Clob:
        return -99;
    // A Unicode database describes its graphic columns with ODBC's wide types
    // (Db2 11.5, "Unicode CLI applications"); DB2's own codes are -95, -96, -97.
    case Kind::Graphic:
        return -8; // SQL_WCHAR
    case Kind::Vargraphic:
        return -9; // SQL_WVARCHAR
    case Kind::LongVargraphic:
        return -10; // SQL_WLONGVARCHAR
    case Kind::Dbclob:
        return -350;
    case Kind::Binary:
        return -2;
    case Kind::Varbinary:
        return -3;
    case Kind::Blob:
        return -98;
    case Kind::Smallint:
        return 5;
    case Kind::Integer:
        return 4;
    case Kind::Bigint:
        return -5;
    case Kind::Decimal:
        return 3;
    case Kind::Real:
        return 7;
    case Kind::Double:
        return 8;
    case Kind::Decfloat:
        return -360;
    case Kind::Date:
        return 91;
    case Kind::Time:
        return 92;
    case Kind::Timestamp:
        return 93;
    case Kind::Boolean:
        return -7; // SQL_BIT, as IBM's driver describes BOOLEAN to ODBC applications
    case Kind::Xml:
        return -370;
    case Kind::Null:
        return 12;
    }
    return 12;
}

std::string typeName(const ColType& type)
{
    switch (type.kind) {
    case Kind::Char:
        return "CHARACTER";
    case Kind::Varchar:
        return "VARCHAR";
    case Kind::LongVarchar:
        return "LONG VARCHAR";
    case Kind::Clob:
        return "CLOB";
    case Kind::Graphic:
        return "GRAPHIC";
    case Kind::Vargraphic:
        return "VARGRAPHIC";
    case Kind::LongVargraphic:
        return "LONG VARGRAPHIC";
    case Kind::Dbclob:
        return "DBCLOB";
    case Kind::Binary:
        return "BINARY";
    case Kind::Varbinary:
        return "VARBINARY";
    case Kind::Blob:
        return "BLOB";
    case Kind::Smallint:
        return "SMALLINT";
    case Kind::Integer:
        return "INTEGER";
    case Kind::Bigint:
        return "BIGINT";
    case Kind::Decimal:
        return "DECIMAL";
    case Kind::Real:
        return "REAL";
    case Kind::Double:
        return "DOUBLE";
    case Kind::Decfloat:
        return "DECFLOAT";
    case Kind::Date:
        return "DATE";
    case Kind::Time:
        return "TIME";
    case Kind::Timestamp:
        return "TIMESTAMP";
    case Kind::Boolean:
        return "BOOLEAN";
    case Kind::Xml:
        return "XML";
    case Kind::Null:
        return "VARCHAR";
    }
    return "VARCHAR";
}

long long columnSize(const ColType& type)
{
    switch (type.kind) {
    case Kind::Char:
    case Kind::Varchar:
    case Kind::Clob:
    case Kind::Graphic:
    case Kind::Vargraphic:
    case Kind::Dbclob:
    case Kind::Binary:
    case Kind::Varbinary:
    case Kind::Blob:
    case Kind::Decimal:
    case Kind::Decfloat:
        return type.length;
    case Kind::LongVarchar:
        return LongVarcharMax;
    case Kind::LongVargraphic:
        return LongVargraphicMax;
    case Kind::Smallint:
        return 5;
    case Kind::Integer:
        return 10;
    case Kind::Bigint:
        return 19;
    case Kind::Real:
        return 24;
    case Kind::Double:
        return 53;
    case Kind::Date:
        return 10;
    case Kind::Time:
        return 8;
    case Kind::Timestamp:
        return type.scale > 0 ? 20 + type.scale : 19;
    case Kind::Boolean:
        return 1;
    case Kind::Xml:
        return 0;
    case Kind::Null:
        return 0;
    }
    return 0;
}

namespace {

// The descriptor of a LOB kept outside the row grows with the LOB's greatest length.
long long lobDescriptorBytes(long long maxBytes)
{
    static const struct
    {
        long long upTo;
        long long bytes;
    } sizes[] = {{1024, 72},      {8192, 96},       {32768, 120},
                 {262144, 144},   {1048576, 168},   {8388608, 200},
                 {33554432, 224}, {268435456, 256}, {1073741824, 280}};
    for (const auto& size : sizes) {
        if (maxBytes <= size.upTo)
            return size.bytes;
    }
    return 316;
}

} // namespace

long long rowBytes(const ColType& type, bool nullable, bool* varying)
{
    bool isVarying = false;
    long long bytes = 0;
    switch (type.kind) {
    case Kind::Char:
    case Kind::Binary:
        bytes = type.length;
        break;
    case Kind::Graphic:
        bytes = 2 * type.length;
        break;
    case Kind::Varchar:
    case Kind::Varbinary:
        bytes = type.length + 4;
        isVarying = true;
        break;
    case Kind::Vargraphic:
        bytes = 2 * type.length + 4;
        isVarying = true;
        break;
    case Kind::LongVarchar:
    case Kind::LongVargraphic:
        bytes = 24;
        break;
    case Kind::Clob:
    case Kind::Blob:
        bytes = lobDescriptorBytes(type.length);
        break;
    case Kind::Dbclob:
        bytes = lobDescriptorBytes(2 * type.length);
        break;
    case Kind::Xml:
        bytes = 84;
        break;
    case Kind::Smallint:
        bytes = 2;
        break;
    case Kind::Integer:
    case Kind::Real:
    case Kind::Date:
        bytes = 4;
        break;
    case Kind::Bigint:
    case Kind::Double:
        bytes = 8;
        break;
    case Kind::Decimal:
        bytes = type.length / 2 + 1;
        break;
    case Kind::Decfloat:
        bytes = type.length > 16 ? 16 : 8;
        break;
    case Kind::Time:
        bytes = 3;
        break;
    case Kind::Timestamp:
        bytes = 7 + (type.scale + 1) / 2;
        break;
    case Kind::Boolean:
        bytes = 1;
        break;
    case Kind::Null:
        break;
    }
    if (varying)
        *varying = isVarying;
    return bytes + (nullable ? 1 : 0);
}

int decimalDigits(const ColType& type)
{
    switch (type.kind) {
    case Kind::Decimal:
    case Kind::Timestamp:
        return type.scale;
    default:
        return 0;
    }
}

long long octetLength(const ColType& type)
{
    switch (type.kind) {
    case Kind::Graphic:
    case Kind::Vargraphic:
    case Kind::Dbclob:
        return type.length * 2;
    case Kind::LongVargraphic:
        return LongVargraphicMax * 2;
    case Kind::Smallint:
        return 2;
    case Kind::Integer:
        return 4;
    case Kind::Bigint:
        return 8;
    case Kind::Real:
        return 4;
    case Kind::Double:
        return 8;
    case Kind::Decimal:
        return type.length + 2;
    case Kind::Decfloat:
        return type.length == 16 ? 8 : 16;
    case Kind::Date:
        return 6;
    case Kind::Time:
        return 6;
    case Kind::Timestamp:
        return 16;
    case Kind::Boolean:
        return 1;
    default:
        return columnSize(type);
    }
}

long long displaySize(const ColType& type)
{
    switch (type.kind) {
    case Kind::Smallint:
        return 6;
    case Kind::Integer:
        return 11;
    case Kind::Bigint:
        return 20;
    case Kind::Decimal:
        return type.length + 2;
    case Kind::Real:
        return 13;
    case Kind::Double:
        return 22;
    case Kind::Decfloat:
        return type.length == 16 ? 23 : 42;
    case Kind::Binary:
    case Kind::Varbinary:
    case Kind::Blob:
        return type.length * 2;
    default:
        return columnSize(type);
    }
}

std::string sqliteDeclaration(const ColType& type)
{
    if (isString(type.kind))
        return "TEXT COLLATE RTRIM"; // DB2 compares strings as if blank-padded
    if (isBinary(type.kind))
        return "BLOB";
    switch (type.kind) {
    case Kind::Smallint:
    case Kind::Integer:
    case Kind::Bigint:
    case Kind::Boolean:
        return "INTEGER";
    case Kind::Real:
    case Kind::Double:
        return "REAL";
    default:
        return "TEXT"; // DECIMAL, DECFLOAT, datetimes and XML keep their exact text
    }
}

int kindCode(Kind kind)
{
    return static_cast<int>(kind);
}

bool kindFromCode(int code, Kind& kind)
{
    if (code < 0 || code > static_cast<int>(Kind::Null))
        return false;
    kind = static_cast<Kind>(code);
    return true;
}

} // namespace db2s
