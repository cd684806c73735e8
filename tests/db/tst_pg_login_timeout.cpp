// A server that stops answering. One that accepts the connection and never
// answers: the open gives up by itself (the login time-out, shortened here) with
// the driver's message instead of hanging; the program's own connections give the
// driver 30 seconds. One whose network goes while the connection is
// open: the keep-alive and user time-out settings end the waiting statement.
#include "TestEnv.h"
#include "core/DriverWaitLoop.h"
#include "db/BlockingCall.h"
#include "db/Connection.h"
#include "db/PostgreSQL.h"
#include "db/Recordset.h"

#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>

namespace {

// The TCP sockets of this process whose peer port is the one given.
std::set<int> socketsTo(int port)
{
    std::set<int> found;
    for (int fd = 0; fd < 4096; ++fd) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
            peer.ss_family != AF_INET)
            continue;
        if (ntohs(reinterpret_cast<const sockaddr_in*>(&peer)->sin_port) == port)
            found.insert(fd);
    }
    return found;
}

int tcpOption(int fd, int option)
{
    int value = -1;
    socklen_t length = sizeof value;
    if (::getsockopt(fd, IPPROTO_TCP, option, &value, &length) != 0)
        return -1;
    return value;
}

// A network of its own that can be cut like a cable: an address of its own on
// the loopback interface, with a relay from there to the PostgreSQL server.
// Cutting takes the address away and sends its packets into a black hole, so
// that neither side hears anything again (no reset, no error), as when a VPN
// drops. Nothing else uses the address, so other tests are not touched.
class CuttableNetwork
{
public:
    CuttableNetwork()
        : m_address(QStringLiteral("198.18.%1.%2/32")
                        .arg((::getpid() >> 8) & 0xff)
                        .arg(::getpid() & 0xff))
    {
    }
    ~CuttableNetwork()
    {
        if (m_relay.state() != QProcess::NotRunning) {
            m_relay.kill();
            m_relay.waitForFinished(10000);
        }
        heal();
        if (m_added)
            ip({QStringLiteral("addr"), QStringLiteral("del"), m_address, QStringLiteral("dev"),
                QStringLiteral("lo")});
    }

    // Needs CAP_NET_ADMIN (scripts/test runs as root).
    bool start(const QString& targetPort)
    {
        m_added = ip({QStringLiteral("addr"), QStringLiteral("add"), m_address,
                      QStringLiteral("dev"), QStringLiteral("lo")});
        if (!m_added)
            return false;
        m_relay.start(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import selectors, socket, sys\n"
                            "listener = socket.create_server((sys.argv[1], 0))\n"
                            "print(listener.getsockname()[1], flush=True)\n"
                            "client, _ = listener.accept()\n"
                            "server = socket.create_connection(('127.0.0.1', int(sys.argv[2])))\n"
                            "peer = {client: server, server: client}\n"
                            "sel = selectors.DefaultSelector()\n"
                            "for s in peer: sel.register(s, selectors.EVENT_READ)\n"
                            "while True:\n"
                            "    for key, _ in sel.select():\n"
                            "        data = key.fileobj.recv(65536)\n"
                            "        if not data: sys.exit(0)\n"
                            "        peer[key.fileobj].sendall(data)\n"),
             address(), targetPort});
        if (!m_relay.waitForStarted() || !m_relay.waitForReadyRead(30000))
            return false;
        m_port = QString::fromLatin1(m_relay.readLine()).trimmed();
        return !m_port.isEmpty();
    }

    void cut()
    {
        ip({QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("blackhole"),
            m_address});
        ip({QStringLiteral("addr"), QStringLiteral("del"), m_address, QStringLiteral("dev"),
            QStringLiteral("lo")});
        m_cut = true;
    }

    void heal()
    {
        if (!m_cut)
            return;
        m_cut = false;
        ip({QStringLiteral("route"), QStringLiteral("del"), QStringLiteral("blackhole"),
            m_address});
        ip({QStringLiteral("addr"), QStringLiteral("add"), m_address, QStringLiteral("dev"),
            QStringLiteral("lo")});
    }

    QString address() const { return m_address.section(QLatin1Char('/'), 0, 0); }
    const QString& port() const { return m_port; }

private:
    static bool ip(const QStringList& arguments)
    {
        return QProcess::execute(QStringLiteral("ip"), arguments) == 0;
    }

    QString m_address;
    QString m_port;
    QProcess m_relay;
    bool m_added = false;
    bool m_cut = false;
};

// Installs a waiter for one test and takes it away again.
struct InstalledWaiter
{
    explicit InstalledWaiter(DriverWaiter& waiter) { BlockingCall::setWaiter(&waiter); }
    ~InstalledWaiter() { BlockingCall::setWaiter(nullptr); }
};

} // namespace

class TestPgLoginTimeout : public QObject
{
    Q_OBJECT

private slots:
    void loginTimeoutReachesTheDriver_data();
    void loginTimeoutReachesTheDriver();
    void silentServerTimesOut();
    void keepAliveSettingsReachTheSocket();
    void deadConnectionFailsItsStatement_data();
    void deadConnectionFailsItsStatement();
};

void TestPgLoginTimeout::loginTimeoutReachesTheDriver_data()
{
    QTest::addColumn<int>("shortened");
    QTest::addColumn<int>("expected");
    // What every connection of the program gets: nothing in it sets another value.
    QTest::newRow("the program's") << -1 << 30;
    QTest::newRow("shortened") << 2 << 2;
    QTest::newRow("for ever") << 0 << 0;
}

// Read back from the driver after the open, so that the value is the one the
// driver used and not only the one the connection meant to set.
void TestPgLoginTimeout::loginTimeoutReachesTheDriver()
{
    QFETCH(int, shortened);
    QFETCH(int, expected);
    const ConnectionProfile profile =
        TestEnv::createPgDatabase(QStringLiteral("tst_pg_login_timeout"));
    Connection connection;
    if (shortened >= 0)
        connection.setLoginTimeout(shortened);
    connection.open(PostgreSQL::ConnectionString(profile));
    QCOMPARE(connection.loginTimeout(), expected);
    QCOMPARE(Connection::LoginTimeoutSeconds, 30);
    connection.close();
}

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
    connection.setLoginTimeout(2);
    try {
        connection.open(PostgreSQL::ConnectionString(profile));
        QFAIL("the open succeeded against a silent server");
    } catch (const DbError& error) {
        QVERIFY2(error.description().contains(QLatin1String("timeout"), Qt::CaseInsensitive),
                 qPrintable(error.description()));
    }
    QCOMPARE(connection.state(), ObjectState::Closed);
    listener.closeWriteChannel();
    QVERIFY(listener.waitForFinished(30000));
}

// The connections that run statements carry libpq's keep-alive settings down to
// their socket; the connection tests keep the plain string.
void TestPgLoginTimeout::keepAliveSettingsReachTheSocket()
{
    const ConnectionProfile profile =
        TestEnv::createPgDatabase(QStringLiteral("tst_pg_login_timeout"));
    const int port = profile.port.toInt();
    const std::set<int> before = socketsTo(port);
    Connection connection;
    connection.open(PostgreSQL::SessionConnectionString(profile));
    std::set<int> opened;
    for (int fd : socketsTo(port)) {
        if (!before.count(fd))
            opened.insert(fd);
    }
    QCOMPARE(int(opened.size()), 1);
    const int fd = *opened.begin();
    int keepAlive = 0;
    socklen_t length = sizeof keepAlive;
    QCOMPARE(::getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &keepAlive, &length), 0);
    QCOMPARE(keepAlive, 1);
    QCOMPARE(tcpOption(fd, TCP_KEEPIDLE), 30);
    QCOMPARE(tcpOption(fd, TCP_KEEPINTVL), 10);
    QCOMPARE(tcpOption(fd, TCP_KEEPCNT), 9);
    QCOMPARE(tcpOption(fd, TCP_USER_TIMEOUT), 120000);
    connection.close();
}

void TestPgLoginTimeout::deadConnectionFailsItsStatement_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("cutWhileWaiting");
    // The statement goes out after the cut: its data is never acknowledged.
    QTest::newRow("statement after the cut") << QStringLiteral("SELECT 1") << false;
    // The server works on it when the cut comes: the connection is idle, and
    // only the keep-alive probes find out.
    QTest::newRow("cut while the statement runs") << QStringLiteral("SELECT pg_sleep(40)") << true;
}

// With shortened settings (the program's own give up after about two minutes),
// through the windows' wait loop: the statement fails with the driver's message
// instead of waiting for ever, and the window thread runs its events meanwhile.
void TestPgLoginTimeout::deadConnectionFailsItsStatement()
{
    QFETCH(QString, sql);
    QFETCH(bool, cutWhileWaiting);
    ConnectionProfile profile = TestEnv::createPgDatabase(QStringLiteral("tst_pg_login_timeout"));
    CuttableNetwork network;
    QVERIFY2(network.start(profile.port),
             "could not set up a network to cut (needs CAP_NET_ADMIN; scripts/test runs as root)");
    profile.server = network.address();
    profile.port = network.port();
    const QString shortened = QStringLiteral(
        ";pqopt={keepalives=1 keepalives_idle=1 keepalives_interval=1 keepalives_count=2 "
        "tcp_user_timeout=3000}");
    Connection connection;
    connection.open(PostgreSQL::ConnectionString(profile) + shortened);
    QVERIFY(connection.execute(QStringLiteral("SELECT 1")));

    DriverWaitLoop loop([] { return false; });
    InstalledWaiter installed(loop);
    if (cutWhileWaiting)
        QTimer::singleShot(500, [&] { network.cut(); });
    else
        network.cut();
    // Only a guard against waiting for ever: the network comes back long after
    // the settings should have given the connection up.
    bool healed = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        healed = true;
        network.heal();
    });
    guard.start(90000);
    try {
        connection.execute(sql);
        QFAIL("the statement succeeded over a dead connection");
    } catch (const DbError& error) {
        QVERIFY2(!healed, "the statement waited until the network came back");
        QVERIFY(!error.description().isEmpty());
        qInfo("driver's message: %s", qPrintable(error.description()));
    }
    QCOMPARE(loop.loopedCalls(), 1);
}

QTEST_GUILESS_MAIN(TestPgLoginTimeout)
#include "tst_pg_login_timeout.moc"
