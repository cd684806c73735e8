#include "core/Main.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

namespace Main {

namespace {

QString& appTitle()
{
    static QString title;
    return title;
}

QString& programFolderOverride()
{
    static QString folder;
    return folder;
}

constexpr int MaxTitleLength = 40;

} // namespace

QString appTitleFor(const QString& productName)
{
    QString title = productName;
    // The last word goes at least once, then more while the title is too long.
    do {
        const int blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break;
        title.truncate(blank);
    } while (title.size() > MaxTitleLength);
    if (title.size() > MaxTitleLength)
        title.truncate(MaxTitleLength);
    return title;
}

void SetAppTitle()
{
    appTitle() = appTitleFor(ProductName);
}

QString AppTitle()
{
    return appTitle();
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString ProgramFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolderForTesting(const QString& folder)
{
    programFolderOverride() = folder;
}

QString HandCursorPath()
{
    return ProgramFolder() + QStringLiteral("/HAND-M.CUR");
}

QString SkinPath()
{
    return ProgramFolder() + QStringLiteral("/x/o.cjs");
}

} // namespace Main
