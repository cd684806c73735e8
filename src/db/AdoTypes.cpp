#include "db/AdoTypes.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {

// DB2's own type codes, beyond the ODBC standard ones.
namespace Db2Type {
constexpr int Clob = -99;
constexpr int Blob = -98;
constexpr int DbClob = -350;
constexpr int Graphic = -95;
constexpr int VarGraphic = -96;
constexpr int LongVarGraphic = -97;
constexpr int Xml = -370;
constexpr int DecFloat = -360;
constexpr int Boolean = 16;
constexpr int TimestampWithTimeZone = 95;
} // namespace Db2Type

struct TypeRow
{
    int odbcSqlType;
    ColumnType type;
};

using A = AdoType;
using F = ValueForm;

constexpr TypeRow TypeRows[] = {
    {SQL_CHAR, {A::Char, A::Char, F::Text, false}},
    {SQL_VARCHAR, {A::VarChar, A::VarChar, F::Text, false}},
    {SQL_LONGVARCHAR, {A::LongVarChar, A::LongVarChar, F::Text, false}},
    {Db2Type::Clob, {A::LongVarChar, A::LongVarChar, F::Text, false}},
    {SQL_WCHAR, {A::WChar, A::WChar, F::Text, false}},
    {Db2Type::Graphic, {A::WChar, A::WChar, F::Text, false}},
    {SQL_WVARCHAR, {A::VarWChar, A::VarWChar, F::Text, false}},
    {Db2Type::VarGraphic, {A::VarWChar, A::VarWChar, F::Text, false}},
    {SQL_WLONGVARCHAR, {A::LongVarWChar, A::LongVarWChar, F::Text, false}},
    {Db2Type::DbClob, {A::LongVarWChar, A::LongVarWChar, F::Text, false}},
    {Db2Type::LongVarGraphic, {A::LongVarWChar, A::LongVarWChar, F::Text, false}},
    {Db2Type::Xml, {A::LongVarWChar, A::LongVarWChar, F::Text, false}},
    {SQL_DECIMAL, {A::Numeric, A::Numeric, F::Number, false}},
    {SQL_NUMERIC, {A::Numeric, A::Numeric, F::Number, false}},
    {Db2Type::DecFloat, {A::Numeric, A::Numeric, F::Number, false}},
    {SQL_SMALLINT, {A::SmallInt, A::UnsignedSmallInt, F::Text, false}},
    {SQL_INTEGER, {A::Integer, A::UnsignedInt, F::Text, false}},
    {SQL_BIGINT, {A::BigInt, A::UnsignedBigInt, F::Text, false}},
    {SQL_TINYINT, {A::TinyInt, A::UnsignedTinyInt, F::Text, false}},
    {SQL_REAL, {A::Single, A::Single, F::Number, false}},
    {SQL_FLOAT, {A::Double, A::Double, F::Number, false}},
    {SQL_DOUBLE, {A::Double, A::Double, F::Number, false}},
    {SQL_BIT, {A::Boolean, A::Boolean, F::Text, false}},
    {Db2Type::Boolean, {A::Boolean, A::Boolean, F::Text, false}},
    {SQL_BINARY, {A::Binary, A::Binary, F::Binary, false}},
    {SQL_VARBINARY, {A::VarBinary, A::VarBinary, F::Binary, false}},
    {SQL_LONGVARBINARY, {A::LongVarBinary, A::LongVarBinary, F::Binary, false}},
    {Db2Type::Blob, {A::LongVarBinary, A::LongVarBinary, F::Binary, false}},
    {SQL_TYPE_DATE, {A::DBDate, A::DBDate, F::Text, true}},
    {SQL_TYPE_TIME, {A::DBTime, A::DBTime, F::Text, true}},
    {SQL_TYPE_TIMESTAMP, {A::DBTimeStamp, A::DBTimeStamp, F::Text, true}},
    {Db2Type::TimestampWithTimeZone, {A::DBTimeStamp, A::DBTimeStamp, F::Text, false}},
    // ODBC 2's date and time codes: no ADO type of their own, read as dates and times.
    {SQL_DATE, {A::UserDefined, A::UserDefined, F::Text, true}},
    {SQL_TIME, {A::UserDefined, A::UserDefined, F::Text, true}},
    {SQL_TIMESTAMP, {A::UserDefined, A::UserDefined, F::Text, true}},
    {SQL_GUID, {A::GUID, A::GUID, F::Text, false}},
};

constexpr ColumnType OtherType{A::UserDefined, A::UserDefined, F::Text, false};

} // namespace

ColumnType columnType(int odbcSqlType)
{
    for (const TypeRow& row : TypeRows) {
        if (row.odbcSqlType == odbcSqlType)
            return row.type;
    }
    return OtherType;
}

int adoTypeCode(int odbcSqlType, bool isUnsigned)
{
    const ColumnType type = columnType(odbcSqlType);
    return static_cast<int>(isUnsigned ? type.adoUnsigned : type.ado);
}
