#include "TestEnv.h"

#include <QTest>
#include <stdexcept>

namespace TestEnv {

QString requireEnv(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) {
        const QString message =
            QStringLiteral("environment variable %1 is not set: run the tests through scripts/test")
                .arg(QLatin1String(name));
        QTest::qFail(qPrintable(message), __FILE__, __LINE__);
        throw std::runtime_error(message.toStdString());
    }
    return value;
}

} // namespace TestEnv
