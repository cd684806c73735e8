#pragma once

// Shared by the window tests: one run of the program with a folder of its own.

#include "ErrorReports.h"
#include "ScriptedDialogs.h"
#include "TestEnv.h"
#include "app/HomePage.h"
#include "core/LoginKeys.h"
#include "core/Main.h"
#include "core/SettingsStore.h"
#include "core/Side.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The home page opener of the tests: a fixed draw, and no browser ever.
class NoBrowser : public HomePage
{
public:
    int draw() override { return number; }
    void open(const QUrl& address) override { opened << address; }
    int number = 1;
    QList<QUrl> opened;
};

// One program: a program folder (for HAND-M.CUR and x/o.cjs) and a settings
// folder of its own, the scripted dialogs, and a login window started on them.
class ProgramRun
{
public:
    ProgramRun()
    {
        QDir(m_root.path()).mkpath(QStringLiteral("program"));
        QDir(m_root.path()).mkpath(QStringLiteral("config"));
    }
    ~ProgramRun() { Main::setProgramFolderForTesting(QString()); }

    QString programFolder() const { return m_root.filePath(QStringLiteral("program")); }
    QString configFolder() const { return m_root.filePath(QStringLiteral("config")); }
    QString settingsFile() const { return configFolder() + QStringLiteral("/Harrowick.conf"); }
    void setConfigFolder(const QString& folder) { m_config = folder; }

    // Stores values as an earlier run of the program would have.
    void store(const QString& key, const QString& value)
    {
        SettingsStore(settingsFile()).write(key, value);
    }
    // A side's five login values (boxes Text1 to Text5 for DB2, Text6 to Text10
    // for PostgreSQL).
    void storeProfile(Side side, const ConnectionProfile& p)
    {
        const int first = side == Side::IbmDb2 ? 1 : 6;
        const QStringList values = {p.server, p.port, p.user, p.password, p.database};
        for (int i = 0; i < values.size(); ++i)
            store(loginKey(first + i), values[i]);
    }

    // What the settings file holds now, read afresh from the disk.
    QMap<QString, QString> stored() const
    {
        QSettings file(settingsFile(), QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Dovetab"));
        QMap<QString, QString> values;
        for (const QString& key : file.childKeys())
            values.insert(key, file.value(key).toString());
        return values;
    }

    void putFile(const QString& relativePath, const QByteArray& bytes)
    {
        const QString path = programFolder() + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    // The hand cursor the build placed beside the program.
    void putHandCursor()
    {
        QFile built(qEnvironmentVariable("DOVETAB_BUILD_DIR") + QStringLiteral("/HAND-M.CUR"));
        QVERIFY2(built.open(QIODevice::ReadOnly), "HAND-M.CUR is missing beside dovetab");
        putFile(QStringLiteral("HAND-M.CUR"), built.readAll());
    }

    // Creates the login window and runs the start-up (Form_Load, then display).
    Form1& start()
    {
        form1.reset();
        qputenv("XDG_CONFIG_HOME", (m_config.isEmpty() ? configFolder() : m_config).toLocal8Bit());
        Main::setProgramFolderForTesting(programFolder());
        form1 = std::make_unique<Form1>(dialogs, homePage);
        form1->setQuitActionForTesting([this] { ++quits; });
        form1->start();
        return *form1;
    }

    template <class T = QWidget> T* find(QWidget* window, const char* name) const
    {
        T* child = window->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no control %s in %s", name, qPrintable(window->objectName()));
        return child;
    }
    template <class T = QWidget> T* login(const char* name) const
    {
        return find<T>(form1.get(), name);
    }
    template <class T = QWidget> T* tables(const char* name) const
    {
        return find<T>(&form1->tablesWindow(), name);
    }

    ScriptedDialogs dialogs;
    NoBrowser homePage;
    std::unique_ptr<Form1> form1;
    int quits = 0;

private:
    QTemporaryDir m_root;
    QString m_config;
};

// A login window whose boxes hold the profiles of two fresh databases
// (lowercase on PostgreSQL, uppercase on DB2), and its tables window.
class TablesWindowRun
{
public:
    TablesWindowRun()
    {
        homePage.number = 50;
        login = std::make_unique<Form1>(dialogs, homePage);
        login->setQuitActionForTesting([] {});
    }

    // Fresh databases named after baseName; fill them, then open().
    void createDatabases(const QString& baseName)
    {
        pgDatabase = baseName.toLower();
        db2Database = baseName.toUpper();
        m_pg = TestEnv::createPgDatabase(pgDatabase);
        m_db2 = TestEnv::createDb2Database(db2Database);
    }

    // Types both profiles into the login boxes, then loads and shows the tables
    // window; the load shows no message.
    void open()
    {
        const QStringList values = {m_db2.server,   m_db2.port,   m_db2.user, m_db2.password,
                                    m_db2.database, m_pg.server,  m_pg.port,  m_pg.user,
                                    m_pg.password,  m_pg.database};
        for (int i = 0; i < values.size(); ++i) {
            auto* box = login->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i + 1));
            QVERIFY(box);
            box->setText(values[i]);
        }
        window = &login->tablesWindow();
        window->Form_Load();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY2(dialogs.shown().isEmpty(), qPrintable(dialogs.messageTexts().join("\n")));
    }

    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QListWidget* list(const char* name) const { return control<QListWidget>(name); }

    ScriptedDialogs dialogs;
    NoBrowser homePage;
    std::unique_ptr<Form1> login;
    Form2* window = nullptr;
    QString pgDatabase;
    QString db2Database;

private:
    template <class T> T* control(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s in the tables window", name);
        return found;
    }

    ConnectionProfile m_pg;
    ConnectionProfile m_db2;
};

// The texts of a list box's entries, in order.
inline QStringList entriesOf(const QListWidget* listBox)
{
    QStringList names;
    for (int i = 0; i < listBox->count(); ++i)
        names << listBox->item(i)->text();
    return names;
}

// Presses Tab from the focused control and gives the names of the controls the
// focus goes through.
inline QStringList tabWalk(QWidget* window, int presses)
{
    QStringList names;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                              : QStringLiteral("<none>"));
    }
    Q_UNUSED(window);
    return names;
}

inline QColor backgroundOf(const QWidget* widget)
{
    return widget->palette().color(widget->backgroundRole());
}

inline QPoint centreOf(const QWidget* widget)
{
    return widget->rect().center();
}
