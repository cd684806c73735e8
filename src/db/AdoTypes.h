#pragma once

// What a column's ODBC SQL type means to the program, in one table (AdoTypes.cpp):
// the ADO data type code the column reports, how its values are read, and whether
// it holds dates or times. Adding a type is one row there.

// ADO's DataTypeEnum, less 137 and the array flag 8192: code and constant name.
// Datatype::DataTypeName spells the names from this list.
#define DOVETAB_ADO_TYPES(X)                                                                       \
    X(Empty, 0)                                                                                    \
    X(SmallInt, 2)                                                                                 \
    X(Integer, 3)                                                                                  \
    X(Single, 4)                                                                                   \
    X(Double, 5)                                                                                   \
    X(Currency, 6)                                                                                 \
    X(Date, 7)                                                                                     \
    X(BSTR, 8)                                                                                     \
    X(IDispatch, 9)                                                                                \
    X(Error, 10)                                                                                   \
    X(Boolean, 11)                                                                                 \
    X(Variant, 12)                                                                                 \
    X(IUnknown, 13)                                                                                \
    X(Decimal, 14)                                                                                 \
    X(TinyInt, 16)                                                                                 \
    X(UnsignedTinyInt, 17)                                                                         \
    X(UnsignedSmallInt, 18)                                                                        \
    X(UnsignedInt, 19)                                                                             \
    X(BigInt, 20)                                                                                  \
    X(UnsignedBigInt, 21)                                                                          \
    X(FileTime, 64)                                                                                \
    X(GUID, 72)                                                                                    \
    X(Binary, 128)                                                                                 \
    X(Char, 129)                                                                                   \
    X(WChar, 130)                                                                                  \
    X(Numeric, 131)                                                                                \
    X(UserDefined, 132)                                                                            \
    X(DBDate, 133)                                                                                 \
    X(DBTime, 134)                                                                                 \
    X(DBTimeStamp, 135)                                                                            \
    X(Chapter, 136)                                                                                \
    X(PropVariant, 138)                                                                            \
    X(VarNumeric, 139)                                                                             \
    X(VarChar, 200)                                                                                \
    X(LongVarChar, 201)                                                                            \
    X(VarWChar, 202)                                                                               \
    X(LongVarWChar, 203)                                                                           \
    X(VarBinary, 204)                                                                              \
    X(LongVarBinary, 205)

// An ADO data type code by name: AdoType::VarWChar is 202 (adVarWChar).
enum class AdoType : int
{
#define DOVETAB_ADO_ENUM(name, code) name = code,
    DOVETAB_ADO_TYPES(DOVETAB_ADO_ENUM)
#undef DOVETAB_ADO_ENUM
};

// How a column's values are read.
enum class ValueForm
{
    Text,   // wide characters, as the driver gives them
    Number, // wide characters, then '.' as the decimal separator (NumberText.h)
    Binary  // bytes, shown as upper-case hexadecimal text
};

// One ODBC SQL type (DB2's own codes included). A type without a row reports
// adUserDefined, is read as text and is no date or time.
struct ColumnType
{
    AdoType ado;         // the code of a signed column
    AdoType adoUnsigned; // the code of an unsigned one
    ValueForm form;
    bool isDateOrTime;
};

ColumnType columnType(int odbcSqlType);

// ADO data type code for an ODBC SQL type: columnType's code for the sign.
int adoTypeCode(int odbcSqlType, bool isUnsigned = false);
