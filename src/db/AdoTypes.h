#pragma once

// ADO data type code for an ODBC SQL type (the codes of SQLDescribeCol, DB2's
// own codes included). Codes without a row give 132 (adUserDefined).
int adoTypeCode(int odbcSqlType, bool isUnsigned = false);
