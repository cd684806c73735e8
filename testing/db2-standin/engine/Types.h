#pragma once

#include <string>

namespace db2s {

// The DB2 column types the stand-in keeps. Null is the type of an untyped NULL
// in an expression, never of a column.
enum class Kind
{
    Char,
    Varchar,
    LongVarchar,
    Clob,
    Graphic,
    Vargraphic,
    LongVargraphic,
    Dbclob,
    Binary,
    Varbinary,
    Blob,
    Smallint,
    Integer,
    Bigint,
    Decimal,
    Real,
    Double,
    Decfloat,
    Date,
    Time,
    Timestamp,
    Boolean,
    Xml,
    Null
};

struct ColType
{
    Kind kind = Kind::Varchar;
    // Characters (CHAR, VARCHAR, CLOB: bytes; GRAPHIC family: UTF-16 units),
    // bytes for binary types, precision for DECIMAL and DECFLOAT.
    long long length = 0;
    // Scale of DECIMAL, fraction digits of TIMESTAMP.
    int scale = 0;
};

constexpr long long LongVarcharMax = 32700;
constexpr long long LongVargraphicMax = 16350;

bool isCharacter(Kind kind); // CHAR, VARCHAR, LONG VARCHAR, CLOB
bool isGraphic(Kind kind);   // GRAPHIC, VARGRAPHIC, LONG VARGRAPHIC, DBCLOB
inline bool isString(Kind kind)
{
    return isCharacter(kind) || isGraphic(kind);
}
bool isBinary(Kind kind); // BINARY, VARBINARY, BLOB
bool isExactInteger(Kind kind);
bool isNumeric(Kind kind);
bool isDatetime(Kind kind);

// DB2's ODBC type code (SQL_VARCHAR 12, SQL_CLOB -99, SQL_XML -370, ...).
int odbcTypeCode(const ColType& type);
// The name DB2 gives the type in its catalog (SYSCAT.COLUMNS.TYPENAME).
std::string typeName(const ColType& type);
// ODBC column size, decimal digits, octet length and display size.
long long columnSize(const ColType& type);
int decimalDigits(const ColType& type);
long long octetLength(const ColType& type);
long long displaySize(const ColType& type);

// Bytes a column of the type takes in a row of a table as DB2 counts them when
// it checks a new table against its page size: the value itself for the fixed
// types, the value and a 4-byte offset and length for VARCHAR, VARGRAPHIC and
// VARBINARY, the descriptor of the value kept outside the row for LONG VARCHAR,
// LONG VARGRAPHIC, LOBs and XML; one byte more for a nullable column.
// `varying` tells whether the column is one that DB2's extended row size may
// move out of the row (VARCHAR, VARGRAPHIC, VARBINARY).
long long rowBytes(const ColType& type, bool nullable, bool* varying = nullptr);

// How a value of the type is kept in SQLite: its column declaration.
std::string sqliteDeclaration(const ColType& type);

// Catalog form of a type: kind number, length, scale (and back).
int kindCode(Kind kind);
bool kindFromCode(int code, Kind& kind);

} // namespace db2s
