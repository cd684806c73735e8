#include "core/ErrorTrap.h"

#include "core/AppError.h"
#include "db/DbError.h"

#include <exception>

const QString ErrorTrap::SupportAddress = QStringLiteral("support@harrowick.example");
const QString ErrorTrap::Caption = QStringLiteral("Application Error");

ErrorTrap::ErrorTrap(Dialogs& dialogs, const QString& handlerName)
    : m_dialogs(dialogs), m_handler(handlerName)
{
}

QString ErrorTrap::reportText(const QString& description, const QString& handlerName, int number,
                              const QString* sqlText)
{
    QString text = description + QStringLiteral("\r\n") + QStringLiteral("in Velmora2021/08/31.") +
                   handlerName + QLatin1Char(' ') + QStringLiteral("at line ") +
                   QString::number(number) + QStringLiteral("\r\r") +
                   QStringLiteral("Please email screenshot of this message to ") + SupportAddress;
    if (sqlText)
        text += QStringLiteral("\r\r") + QStringLiteral("sql: ") + *sqlText;
    return text;
}

void ErrorTrap::report(int number, const QString& description)
{
    ++m_reports;
    m_dialogs.messageBox(reportText(description, m_handler, number, m_sql), Dialogs::Buttons::Ok,
                         Dialogs::Icon::Warning, Caption);
}

void ErrorTrap::reportCurrent(int number)
{
    try {
        throw;
    } catch (const DbError& e) {
        report(number, e.description());
    } catch (const AppError& e) {
        report(number, e.description());
    } catch (const std::exception& e) {
        report(number, QString::fromLocal8Bit(e.what()));
    }
}
