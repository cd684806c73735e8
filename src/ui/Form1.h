#pragma once

#include "app/SkinFramework.h"
#include "core/EventYield.h"
#include "core/SettingsStore.h"
#include "db/ConnectionProfile.h"

#include <QWidget>
#include <functional>
#include <memory>

class Dialogs;
class ErrorTrap;
class HomePage;
class Form2;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WindowPointer;

// The login window and the start-up window of the program. Its ten boxes hold the
// login values of both databases (Text1 to Text5 IBM DB2, Text6 to Text10
// PostgreSQL) and are the only working copy of them: every change is written to
// the settings store at once, and every connection is built from them.
//
// It owns the tables window (created on first use) and the end of the program:
// closing either window ends it.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    // The dialogs and the home page opener must outlive the window.
    Form1(Dialogs& dialogs, HomePage& homePage, QWidget* parent = nullptr);
    ~Form1() override;

    // Starts the program: Form_Load, then the login window is displayed unless the
    // load passed on to the tables window.
    void start();

    // Handlers. Each runs its numbered steps under the error trap.
    void Form_Load();
    void PushButton1_Click(); // "Test Connection", PostgreSQL
    void PushButton2_Click(); // "Next >"
    void PushButton3_Click(); // "Test Connection", IBM DB2
    void PushButton4_Click(); // "Help", PostgreSQL
    void PushButton5_Click(); // "Help", IBM DB2

    // The login values as the boxes hold them now.
    ConnectionProfile db2Profile() const;
    ConnectionProfile postgresProfile() const;

    // The tables window, created (not loaded) on first use.
    Form2& tablesWindow();
    bool hasTablesWindow() const noexcept { return m_form2 != nullptr; }

    // The pointer state of the window: 0, 11 or 99.
    int pointerState() const;
    void setPointer(int state);
    WindowPointer& pointer() { return *m_pointer; }

    Dialogs& dialogs() { return m_dialogs; }
    SettingsStore& settings() { return *m_settings; }
    SkinFramework& skinFramework() { return m_skin; }
    // The yield shared by both windows; it aborts once the program ends.
    EventYield& eventYield() { return m_yield; }

    // Ends the program at once: the running handler is unwound at its next yield,
    // both windows are hidden and the event loop is left.
    void endProgram();
    bool programEnded() const noexcept { return m_ended; }
    // Test-only: what leaving the event loop does (QCoreApplication::exit(0) by default).
    void setQuitActionForTesting(std::function<void()> quit) { m_quit = std::move(quit); }

    // Runs a handler at a slot boundary: nothing runs once the program ended, and
    // no exception leaves (HandlerAborted ends a handler silently).
    void runHandler(const std::function<void()>& handler);

    // The help texts and the addresses they give.
    static const QString PgAdminDownloadAddress;
    static const QString IbmDomain;
    static const QString Db2DownloadAddress;
    static const QString Db2FirewallAddress;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct LoginBox
    {
        QLineEdit* edit;
        QString key;
    };

    void buildLayout();
    // Runs start-up or a handler of this window through runHandler, unless one
    // runs already: the window's commands are refused meanwhile.
    void runCommand(const std::function<void()>& handler);
    void testConnection(const QString& handlerName,
                        const std::function<QString()>& connectionString);
    // Step `step`: login box 1 to 10 gets its stored text, or its default.
    void loadBox(ErrorTrap& trap, int step, int box);

    Dialogs& m_dialogs;
    HomePage& m_homePage;
    std::unique_ptr<SettingsStore> m_settings;
    SkinFramework m_skin; // SkinFramework1
    EventYield m_yield;
    WindowPointer* m_pointer = nullptr;
    std::unique_ptr<Form2> m_form2;
    std::function<void()> m_quit;
    bool m_ended = false;
    bool m_commandRunning = false;
    bool m_centred = false;
    QLineEdit* m_mouseFocused = nullptr;

    QLineEdit* m_text[11] = {}; // Text1 to Text10 at their numbers
    QList<LoginBox> m_boxes;
};
