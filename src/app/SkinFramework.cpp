#include "app/SkinFramework.h"

#include "core/AppError.h"

#include <QFile>

void SkinFramework::loadSkin(const QString& path, const QString& iniFileName)
{
    m_calls << QStringLiteral("2(%1,%2)").arg(path, iniFileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Could not load the skin file %1").arg(path));
    m_skinPath = path;
}

qint32 SkinFramework::applyOptions()
{
    m_calls << QStringLiteral("1 -> %1").arg(m_options);
    return m_options;
}

void SkinFramework::setApplyOptions(qint32 options)
{
    m_calls << QStringLiteral("1 = %1").arg(options);
    m_options = options;
}

void SkinFramework::setOption(int member, bool value)
{
    m_calls << QStringLiteral("%1 = %2").arg(member).arg(value ? QStringLiteral("true")
                                                               : QStringLiteral("false"));
    if (member == Option5)
        m_option5 = value;
    else if (member == Option10)
        m_option10 = value;
    else
        throw AppError(QStringLiteral("Member not found"));
}

bool SkinFramework::option(int member) const
{
    if (member == Option5)
        return m_option5;
    if (member == Option10)
        return m_option10;
    throw AppError(QStringLiteral("Member not found"));
}

void SkinFramework::applyWindow(quintptr windowHandle)
{
    m_calls << QStringLiteral("3(%1)").arg(windowHandle);
    m_window = windowHandle;
}
