#include "ScriptedDialogs.h"

#include <QTest>

int ScriptedDialogs::messageBox(const QString& text, Buttons buttons, Icon icon,
                                const QString& caption)
{
    Shown s{Shown::Message, text, caption, buttons, icon, QString()};
    m_shown.append(s);
    if (onShow)
        onShow(s);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (buttons == Buttons::YesNo) {
        qWarning("ScriptedDialogs: unexpected Yes/No question: %s", qPrintable(text));
        QTest::qFail("a Yes/No question was shown with no answer queued", __FILE__, __LINE__);
        return No;
    }
    return Ok;
}

QString ScriptedDialogs::inputBox(const QString& prompt, const QString& caption,
                                  const QString& defaultText)
{
    Shown s{Shown::Input, prompt, caption, Buttons::Ok, Icon::None, defaultText};
    m_shown.append(s);
    if (onShow)
        onShow(s);
    if (!m_inputs.isEmpty())
        return m_inputs.dequeue();
    qWarning("ScriptedDialogs: unexpected input box: %s", qPrintable(prompt));
    QTest::qFail("an input box was shown with no answer queued", __FILE__, __LINE__);
    return QString();
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const Shown& s : m_shown)
        if (s.kind == Shown::Message)
            texts << s.text;
    return texts;
}

QStringList ScriptedDialogs::errorReports() const
{
    QStringList texts;
    for (const Shown& s : m_shown)
        if (s.kind == Shown::Message && s.caption == QLatin1String("Application Error"))
            texts << s.text;
    return texts;
}

void ScriptedDialogs::clear()
{
    m_shown.clear();
    m_answers.clear();
    m_inputs.clear();
}
