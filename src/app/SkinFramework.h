#pragma once

#include <QString>
#include <QStringList>

// The login window's skin engine. It takes the calls that skin a window (load a
// skin file, its option flags, apply it to a window), addressed as the engine's
// automation members 1, 2, 3, 5 and 10, and records them in order. Drawing a
// skin is left out: ApplySkin's recolouring is the whole visible effect.
class SkinFramework
{
public:
    enum Member
    {
        ApplyOptions = 1,
        LoadSkin = 2,
        ApplyWindow = 3,
        Option5 = 5,
        Option10 = 10
    };

    // Member 2. Throws AppError when the file cannot be read.
    void loadSkin(const QString& path, const QString& iniFileName);
    // Property 1, a 32-bit set of flags.
    qint32 applyOptions();
    void setApplyOptions(qint32 options);
    // Boolean properties 5 and 10; throws AppError for any other member.
    void setOption(int member, bool value);
    bool option(int member) const;
    // Member 3: the window to draw with the skin.
    void applyWindow(quintptr windowHandle);

    // The calls in the order they came, e.g. "2(/path/x/o.cjs,)", "1 -> 0", "1 = 1",
    // "5 = true", "10 = true", "3(<handle>)".
    const QStringList& calls() const { return m_calls; }
    const QString& skinPath() const { return m_skinPath; }
    quintptr window() const { return m_window; }

private:
    QStringList m_calls;
    QString m_skinPath;
    qint32 m_options = 0;
    bool m_option5 = false;
    bool m_option10 = false;
    quintptr m_window = 0;
};
