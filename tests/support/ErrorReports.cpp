#include "ErrorReports.h"

#include <QRegularExpression>

namespace {

QRegularExpressionMatch locationOf(const QString& report)
{
    static const QRegularExpression line(
        QStringLiteral("\r\nin Velmora2021/08/31\\.(\\S+) at line (\\d+)\r\r"));
    return line.match(report);
}

} // namespace

QString reportHandler(const QString& report)
{
    const QRegularExpressionMatch match = locationOf(report);
    return match.hasMatch() ? match.captured(1) : QString();
}

int reportStep(const QString& report, const QString& handler)
{
    const QRegularExpressionMatch match = locationOf(report);
    if (!match.hasMatch() || (!handler.isNull() && match.captured(1) != handler))
        return -1;
    return match.captured(2).toInt();
}

QVector<int> reportSteps(const ScriptedDialogs& dialogs, const QString& handler)
{
    QVector<int> steps;
    for (const QString& report : dialogs.errorReports())
        steps << reportStep(report, handler);
    return steps;
}

QString reportSql(const QString& report)
{
    const QString marker = QStringLiteral("\r\rsql: ");
    const qsizetype at = report.lastIndexOf(marker);
    return at < 0 ? QString() : report.mid(at + marker.size());
}
