#include "TestEnv.h"

#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <thread>

#ifdef __linux__
namespace {

// A test process ends only once it is its only thread (waiting at most two
// seconds). QtTest's watchdog thread releases its thread data on its own way out,
// after QThread::wait() has already returned to the test; a process that exits
// meanwhile leaves that release half done, and the leak checker of the sanitizer
// stage reports 152 bytes allocated inside Qt Core now and then.
std::ptrdiff_t threadCount()
{
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/self/task", error);
    return error ? 1 : std::distance(tasks, std::filesystem::directory_iterator());
}

void waitForOtherThreads()
{
    for (int i = 0; i < 200 && threadCount() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

const bool waitsForThreadsAtExit = (std::atexit(waitForOtherThreads), true);

} // namespace
#endif

namespace TestEnv {

void fail(const QString& message)
{
    if (!QTest::currentTestFunction()) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::exit(1);
    }
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
    throw std::runtime_error(message.toStdString());
}

QString requireEnv(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        fail(QStringLiteral("environment variable %1 is not set: run the tests through "
                            "scripts/test (the benchmarks through bench/run)")
                 .arg(QLatin1String(name)));
    return value;
}

} // namespace TestEnv
