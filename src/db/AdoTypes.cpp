#include "db/AdoTypes.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {

// DB2's own type codes, beyond the ODBC standard ones.
constexpr int Db2Clob = -99;
constexpr int Db2Blob = -98;
constexpr int Db2DbClob = -350;
constexpr int Db2Graphic = -95;
constexpr int Db2VarGraphic = -96;
constexpr int Db2LongVarGraphic = -97;
constexpr int Db2Xml = -370;
constexpr int Db2DecFloat = -360;
constexpr int Db2Boolean = 16;
constexpr int Db2TimestampWithTimeZone = 95;

constexpr int AdUserDefined = 132;

} // namespace

int adoTypeCode(int odbcSqlType, bool isUnsigned)
{
    switch (odbcSqlType) {
    case SQL_CHAR:
        return 129; // adChar
    case SQL_VARCHAR:
        return 200; // adVarChar
    case SQL_LONGVARCHAR:
    case Db2Clob:
        return 201; // adLongVarChar
    case SQL_WCHAR:
    case Db2Graphic:
        return 130; // adWChar
    case SQL_WVARCHAR:
    case Db2VarGraphic:
        return 202; // adVarWChar
    case SQL_WLONGVARCHAR:
    case Db2DbClob:
    case Db2LongVarGraphic:
    case Db2Xml:
        return 203; // adLongVarWChar
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case Db2DecFloat:
        return 131; // adNumeric
    case SQL_SMALLINT:
        return isUnsigned ? 18 : 2;
    case SQL_INTEGER:
        return isUnsigned ? 19 : 3;
    case SQL_BIGINT:
        return isUnsigned ? 21 : 20;
    case SQL_TINYINT:
        return isUnsigned ? 17 : 16;
    case SQL_REAL:
        return 4; // adSingle
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 5; // adDouble
    case SQL_BIT:
    case Db2Boolean:
        return 11; // adBoolean
    case SQL_BINARY:
        return 128; // adBinary
    case SQL_VARBINARY:
        return 204; // adVarBinary
    case SQL_LONGVARBINARY:
    case Db2Blob:
        return 205; // adLongVarBinary
    case SQL_TYPE_DATE:
        return 133; // adDBDate
    case SQL_TYPE_TIME:
        return 134; // adDBTime
    case SQL_TYPE_TIMESTAMP:
    case Db2TimestampWithTimeZone:
        return 135; // adDBTimeStamp
    case SQL_GUID:
        return 72; // adGUID
    default:
        return AdUserDefined;
    }
}
