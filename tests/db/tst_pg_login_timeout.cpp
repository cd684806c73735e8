// A server that accepts the connection and never answers: the open gives up by
// itself (the login time-out) with the driver's message instead of hanging.
#include "Connection.h"
#include "PostgreSQL.h"
#include "TestEnv.h"

#include <QProcess>
#include <QtTest>

class TestPgLoginTimeout : public QObject
{
    Q_OBJECT

private slots:
    void silentServerTimesOut();
};

void TestPgLoginTimeout::silentServerTimesOut()
{
    // A listening socket that is never accepted: the handshake completes in the
    // kernel's backlog and the driver then waits for an answer that never comes.
    QProcess listener;
    listener.start(QStringLiteral("python3"),
                   {QStringLiteral("-c"), QStringLiteral("import socket, sys, time\n"
                                                         "s = socket.socket()\n"
                                                         "s.bind(('127.0.0.1', 0))\n"
                                                         "s.listen(8)\n"
                                                         "print(s.getsockname()[1], flush=True)\n"
                                                         "sys.stdin.read()\n")});
    QVERIFY2(listener.waitForStarted(), "python3 is needed for this test");
    QVERIFY(listener.waitForReadyRead(30000));
    const QString port = QString::fromLatin1(listener.readLine()).trimmed();
    QVERIFY(!port.isEmpty());

    ConnectionProfile profile = TestEnv::createPgDatabase(QStringLiteral("tst_pg_login_timeout"));
    profile.port = port;
    Connection connection;
    try {
        connection.open(PostgreSQL::ConnectionString(profile));
        QFAIL("the open succeeded against a silent server");
    } catch (const DbError& error) {
        QVERIFY2(error.description().contains(QLatin1String("timeout"), Qt::CaseInsensitive),
                 qPrintable(error.description()));
    }
    QCOMPARE(connection.state(), 0);
    listener.closeWriteChannel();
    QVERIFY(listener.waitForFinished(30000));
}

QTEST_GUILESS_MAIN(TestPgLoginTimeout)
#include "tst_pg_login_timeout.moc"
