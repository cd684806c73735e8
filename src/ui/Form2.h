#pragma once

#include "core/TablesWindowContext.h"
#include "ui/ListBoxNameList.h"

#include <QWidget>
#include <functional>
#include <memory>

class Form1;
class ProgressBar;
class QGroupBox;
class QListWidget;
class QPushButton;
class WindowPointer;

// The tables window: the PostgreSQL tables (List1) and the IBM DB2 tables (List2)
// side by side, each with its buttons, the progress bar, "< Back" and "Help".
// Created once by the login window, whose boxes give every operation its login
// values at the moment of the call.
//
// While one of the send, delete and rename operations runs, the window refuses
// its other commands (their clicks are ignored); closing the window still ends
// the program at once, unwinding the operation at its next yield.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    explicit Form2(Form1& loginWindow);
    ~Form2() override;

    // The load sequence; also the public load operation that "Next >" runs.
    void Form_Load();
    // Shows the window, modeless, running the load first when it never ran.
    void showWindow();

    // Handlers. Each runs its numbered steps under the error trap.
    void PushButton1_Click();  // "Delete Table/s", PostgreSQL
    void PushButton2_Click();  // "< Back"
    void PushButton3_Click();  // "Send Table/s To IBM DB2"
    void PushButton4_Click();  // "Send Table/s To PostgreSQL"
    void PushButton5_Click();  // "Delete Table/s", IBM DB2
    void PushButton6_Click();  // "Rename Table", PostgreSQL
    void PushButton7_Click();  // "Rename Table", IBM DB2
    void PushButton8_Click();  // "Select All", IBM DB2
    void PushButton9_Click();  // "Deselect All", IBM DB2
    void PushButton10_Click(); // "Select All", PostgreSQL
    void PushButton11_Click(); // "Deselect All", PostgreSQL
    void PushButton12_Click(); // "Help"

    // What the operations behind the buttons are given of this window.
    TablesWindowContext& context() { return *m_context; }
    ListBoxNameList& list1() { return m_list1; }
    ListBoxNameList& list2() { return m_list2; }
    ProgressBar& progressBar() { return *m_progress; }

    int pointerState() const;
    void setPointer(int state);
    WindowPointer& pointer() { return *m_pointer; }

    // True while a send, delete or rename operation runs.
    bool isBusy() const noexcept { return m_busy; }
    // Runs one such operation with the window's other commands refused meanwhile.
    // Nothing leaves it: HandlerAborted ends it silently, any other failure that
    // escaped the operation's own trap is reported as the handler's step 100.
    void runExclusive(const QString& handlerName, const std::function<void()>& operation);

    static const QString ContactAddress; // https://www.harrowick.example/contact/

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void selectAll(const QString& handlerName, NameList& list, bool selected);
    // Sets the outer height (title bar and borders included) in twips.
    void setOuterHeight(int twips);
    void applyOuterHeight();
    // Connects a button to its handler; clicks are ignored while an operation runs.
    void onClick(QPushButton* button, void (Form2::*handler)());

    Form1& m_login;
    QListWidget* m_listBox1 = nullptr;
    QListWidget* m_listBox2 = nullptr;
    ListBoxNameList m_list1;
    ListBoxNameList m_list2;
    ProgressBar* m_progress = nullptr;
    WindowPointer* m_pointer = nullptr;
    std::unique_ptr<TablesWindowContext> m_context;
    int m_outerHeightTwips = 0;
    int m_lastDecoration = 0; // title bar and borders in pixels, as last known
    bool m_loaded = false;
    bool m_busy = false;
    bool m_centred = false;
};
