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
