#pragma once

// What the stand-in's tests share: the connection string IBM's keywords make
// for a profile (thrownBy comes from the program's test support).
#include "ErrorReports.h"
#include "db/ConnectionProfile.h"

#include <QTest>

namespace StandinTest {

// The IBM keywords for a profile, each value as given: a ';' inside a value
// reaches the driver, which ends the value there.
inline QString connectionString(const ConnectionProfile& profile)
{
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=%1;Hostname=%2;Port=%3;"
                          "Protocol=TCPIP;Uid=%4;Pwd=%5;")
        .arg(profile.database, profile.server, profile.port, profile.user, profile.password);
}

} // namespace StandinTest
