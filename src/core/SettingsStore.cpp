#include "core/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

const QString SettingsStore::Application = QStringLiteral("Harrowick");
const QString SettingsStore::Section = QStringLiteral("Dovetab");

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString sectionKey(const QString& key)
{
    return SettingsStore::Section + QLatin1Char('/') + key;
}

} // namespace

QString SettingsStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + Application + QStringLiteral(".conf");
}

SettingsStore::SettingsStore(const QString& filePath)
    : m_filePath(filePath), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key, const QString& defaultText) const
{
    const QVariant value = m_settings->value(sectionKey(key));
    if (!value.isValid())
        return defaultText;
    // A hand-edited value with commas in it comes back as a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::createPrivateFile()
{
    // Made before QSettings writes it, so that the passwords are never readable by
    // others, not even for a moment; QSettings keeps the mode of an existing file.
    if (QFileInfo::exists(m_filePath))
        return;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QFile file(m_filePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly))
        file.close();
}

void SettingsStore::write(const QString& key, const QString& text)
{
    createPrivateFile();
    m_settings->setValue(sectionKey(key), text);
    m_settings->sync();
    m_lastWriteFailed = m_settings->status() != QSettings::NoError;
    if (!m_lastWriteFailed)
        QFile::setPermissions(m_filePath, OwnerOnly);
}
