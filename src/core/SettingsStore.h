#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user settings store: text values addressed by application "Harrowick",
// section "Dovetab" and key, kept in an INI file in the user's config folder.
// Every write reaches the disk at once. The file is readable and writable by its
// owner only, since passwords stand in it as plain text.
class SettingsStore
{
public:
    static const QString Application; // "Harrowick"
    static const QString Section;     // "Dovetab"

    // <per-user config folder>/Harrowick.conf, looked up at each call (tests point
    // XDG_CONFIG_HOME elsewhere).
    static QString defaultFilePath();

    explicit SettingsStore(const QString& filePath = defaultFilePath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or the default when the key is absent (a stored empty text
    // stays empty). Never throws.
    QString read(const QString& key, const QString& defaultText = QString()) const;

    // Stores the text under the key, replacing any earlier one, and flushes the
    // file. A write that cannot reach the disk is not reported (lastWriteFailed()
    // tells); it never throws.
    void write(const QString& key, const QString& text);
    bool lastWriteFailed() const noexcept { return m_lastWriteFailed; }

    const QString& filePath() const noexcept { return m_filePath; }

private:
    void createPrivateFile();

    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
    bool m_lastWriteFailed = false;
};
