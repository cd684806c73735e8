#pragma once

#include <QString>

// The five login values of one database, exactly as typed (nothing is trimmed or checked).
struct ConnectionProfile
{
    QString server;
    QString port;
    QString user;
    QString password;
    QString database;
};

// Formats one attribute value of an ODBC connection string. Plain values are
// returned unchanged; a value that contains ';', '{' or '}' or begins or ends
// with a blank is enclosed in braces with every '}' doubled, so that it cannot
// end early or add attributes of its own.
QString odbcAttributeValue(const QString& value);

// Formats one attribute value of the IBM DB2 connection string. IBM's CLI
// driver has no quoting: it ends every value at the next ';' and takes braces
// and blanks as they stand (it strips the password's outer blanks itself), so
// a value goes in unchanged and a password that logs in with IBM's driver as
// typed logs in here. A ';' can be no part of a value (IBM supports none in
// passwords); a value holding one throws DbError instead of letting its rest
// become attributes of their own.
QString db2AttributeValue(const QString& value);
