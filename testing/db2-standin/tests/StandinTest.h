#pragma once

// What the stand-in's tests share: the connection string IBM's keywords make
// for a profile, and the error an action throws.
#include "db/ConnectionProfile.h"
#include "db/DbError.h"

#include <QTest>

#include <functional>
#include <stdexcept>

namespace StandinTest {

// The IBM keywords for a profile, each value as given: a ';' inside a value
// reaches the driver, which ends the value there.
inline QString connectionString(const ConnectionProfile& profile)
{
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=%1;Hostname=%2;Port=%3;"
                          "Protocol=TCPIP;Uid=%4;Pwd=%5;")
        .arg(profile.database, profile.server, profile.port, profile.user, profile.password);
}

// Runs the action and returns the DbError it throws; fails the test when it throws none.
inline DbError thrownBy(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbError& error) {
        return error;
    }
    QTest::qFail("no DbError was thrown", __FILE__, __LINE__);
    throw std::runtime_error("no DbError was thrown");
}

} // namespace StandinTest
