#include "ui/Form2.h"

#include "app/CursorFile.h"
#include "app/MainWindows.h"
#include "core/ErrorTrap.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "maintenance/Maintenance.h"
#include "transfer/Transfer.h"
#include "ui/AppIcon.h"
#include "ui/Controls.h"
#include "ui/Form1.h"
#include "ui/ProgressBar.h"
#include "ui/TableListBox.h"
#include "ui/Twips.h"
#include "ui/WindowPointer.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

const QString Form2::ContactAddress = QStringLiteral("https://www.harrowick.example/contact/");

Form2::Form2(Form1& loginWindow)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_login(loginWindow), m_listBox1(new TableListBox), m_listBox2(new TableListBox),
      m_list1(*m_listBox1), m_list2(*m_listBox2)
{
    setObjectName(QStringLiteral("Form2"));
    m_pointer = new WindowPointer(*this);
    buildLayout();
    m_context = std::make_unique<TablesWindowContext>(TablesWindowContext{
        m_list1, m_list2, *m_progress, m_login.dialogs(), [this] { return m_login.db2Profile(); },
        [this] { return m_login.postgresProfile(); }, [this](int state) { setPointer(state); },
        m_login.eventYield().function()});
}

Form2::~Form2() = default;

void Form2::buildLayout()
{
    const Twips tw = Twips::forScreen();
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    setFixedSize(tw.x(8040), tw.y(BackButtonTop + BackButtonHeight + OuterHeightMargin));
    setFont(Controls::arial(9, true));
    {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, white);
        setPalette(palette);
        setAutoFillBackground(true);
    }
    m_pointer->watch(this, WindowPointer::DefaultRule);

    auto frame = [&](const char* name, const char* caption, int l, int t, int w, int h) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), this);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(tw.rect(l, t, w, h));
        QPalette palette = box->palette();
        palette.setColor(QPalette::Window, white);
        palette.setColor(QPalette::WindowText, black);
        box->setPalette(palette);
        box->setAutoFillBackground(true);
        m_pointer->watch(box, WindowPointer::DefaultRule);
        return box;
    };
    auto list = [&](QListWidget* listBox, QWidget* parent, const char* name, int l, int t, int w,
                    int h) {
        listBox->setParent(parent);
        listBox->setObjectName(QLatin1String(name));
        listBox->setGeometry(tw.rect(l, t, w, h));
        listBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
        listBox->setSortingEnabled(true);
        // The window's font, also where a desktop theme gives lists a font of their own.
        listBox->setFont(font());
        // Every entry is one line of the same font: without this the view measures
        // each entry on every relayout, and listing thousands of tables (a relayout
        // per event-loop turn) takes minutes.
        listBox->setUniformItemSizes(true);
        m_pointer->watch(listBox, WindowPointer::DefaultRule);
    };
    auto button = [&](QWidget* parent, const char* name, const char* caption, int l, int t, int w,
                      int h, void (Form2::*handler)()) {
        QPushButton* push =
            Controls::button(parent, name, caption, tw.rect(l, t, w, h), *m_pointer);
        onClick(push, handler);
        return push;
    };

    QGroupBox* frame1 = frame("Frame1", "PostgreSQL Tables", 120, 120, 3840, 4215);
    list(m_listBox1, frame1, "List1", 240, 360, 3330, 1635);
    QPushButton* b10 = button(frame1, "PushButton10", "Select All", 240, 2100, 1600, 405,
                              &Form2::PushButton10_Click);
    QPushButton* b11 = button(frame1, "PushButton11", "Deselect All", 1960, 2100, 1600, 405,
                              &Form2::PushButton11_Click);
    QPushButton* b3 = button(frame1, "PushButton3", "Send Table/s To IBM DB2", 240, 2600, 3330, 405,
                             &Form2::PushButton3_Click);
    QPushButton* b1 = button(frame1, "PushButton1", "Delete Table/s", 240, 3100, 3330, 405,
                             &Form2::PushButton1_Click);
    QPushButton* b6 = button(frame1, "PushButton6", "Rename Table", 240, 3600, 3330, 405,
                             &Form2::PushButton6_Click);

    QGroupBox* frame2 = frame("Frame2", "IBM DB2 Tables", 4080, 120, 3840, 4215);
    list(m_listBox2, frame2, "List2", 240, 360, 3330, 1635);
    QPushButton* b8 = button(frame2, "PushButton8", "Select All", 240, 2100, 1600, 405,
                             &Form2::PushButton8_Click);
    QPushButton* b9 = button(frame2, "PushButton9", "Deselect All", 1960, 2100, 1600, 405,
                             &Form2::PushButton9_Click);
    QPushButton* b4 = button(frame2, "PushButton4", "Send Table/s To PostgreSQL", 240, 2600, 3330,
                             405, &Form2::PushButton4_Click);
    QPushButton* b5 = button(frame2, "PushButton5", "Delete Table/s", 240, 3100, 3330, 405,
                             &Form2::PushButton5_Click);
    QPushButton* b7 = button(frame2, "PushButton7", "Rename Table", 240, 3600, 3330, 405,
                             &Form2::PushButton7_Click);

    m_progress = new ProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setGeometry(tw.rect(120, 4460, 7800, 405));
    {
        const QColor buttonText = QGuiApplication::palette().color(QPalette::ButtonText);
        QPalette palette = m_progress->palette();
        for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            palette.setColor(role, buttonText);
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
            palette.setColor(role, white);
        m_progress->setPalette(palette);
        m_progress->setAutoFillBackground(true);
    }
    m_pointer->watch(m_progress, WindowPointer::Quiet);

    QPushButton* b2 = button(this, "PushButton2", "< Back", 120, BackButtonTop, 3840,
                             BackButtonHeight, &Form2::PushButton2_Click);
    QPushButton* b12 =
        button(this, "PushButton12", "Help", 4080, 4980, 3840, 405, &Form2::PushButton12_Click);

    const QList<QWidget*> tabOrder = {m_listBox1, m_listBox2, b10, b11, b3, b1, b6,
                                      b2,         b8,         b9,  b4,  b5, b7, b12};
    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_listBox1->setFocus();
}

void Form2::onClick(QPushButton* button, void (Form2::*handler)())
{
    connect(button, &QPushButton::clicked, this, [this, handler] {
        if (m_busy)
            return;
        m_login.runHandler([this, handler] { (this->*handler)(); });
    });
}

void Form2::showWindow()
{
    if (!m_loaded)
        Form_Load();
    show();
    activateWindow();
}

void Form2::Form_Load()
{
    m_loaded = true;
    const YieldFn yield = m_login.eventYield().function();
    ErrorTrap trap(m_login.dialogs(), QStringLiteral("Form2.Form_Load"));
    trap.step(100, [&] { Main::SetButtonFaceColors(*this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.condition(106, [&] { return Main::FileExists(Main::HandCursorPath()); }))
        trap.step(108, [&] { m_pointer->setCustomCursor(loadCursorFile(Main::HandCursorPath())); });
    trap.step(110, [&] { setWindowTitle(Main::ProductName); });
    trap.step(112, [&] { m_list1.clear(); });
    trap.step(114, [&] { m_list2.clear(); });
    // Each listing opens its own connection with the login values as they stand now.
    trap.step(116, [&] { PostgreSQL::ListTables(m_list1, m_login.postgresProfile(), yield); });
    trap.step(118, [&] { IBMDB2::ListTables(m_list2, m_login.db2Profile(), yield); });
    trap.step(120, [&] { setOuterHeight(BackButtonTop + BackButtonHeight + OuterHeightMargin); });
}

void Form2::setOuterHeight(int twips)
{
    m_outerHeightTwips = twips;
    applyOuterHeight();
}

void Form2::applyOuterHeight()
{
    if (m_outerHeightTwips <= 0)
        return;
    // The title bar and borders are known once the window manager framed the
    // window, which it may do some time after the window is shown. Until then the
    // login window's frame, from the same window manager, stands in for them; the
    // height is set again whenever the frame may have changed (show, move, resize,
    // activation, repaint).
    int decoration = 0;
    if (const QWindow* window = windowHandle()) {
        const QMargins frame = window->frameMargins();
        decoration = frame.top() + frame.bottom();
    }
    if (decoration <= 0 && m_login.isVisible() && m_login.windowHandle()) {
        const QMargins frame = m_login.windowHandle()->frameMargins();
        decoration = frame.top() + frame.bottom();
    }
    if (decoration <= 0)
        decoration = m_lastDecoration;
    m_lastDecoration = qMax(0, decoration);
    const int outer = Twips::forScreen().y(m_outerHeightTwips);
    const int client = qMax(1, outer - m_lastDecoration);
    if (client != height() || minimumHeight() != maximumHeight())
        setFixedHeight(client);
}

bool Form2::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::Paint: // also after the window manager framed and exposed the window
        if (isVisible())
            applyOuterHeight();
        break;
    default:
        break;
    }
    return handled;
}

void Form2::PushButton2_Click()
{
    ErrorTrap trap(m_login.dialogs(), QStringLiteral("Form2.PushButton2_Click"));
    // On a desktop the login window takes the keyboard back, where the user left it.
    trap.step(100, [&] {
        m_login.show();
        m_login.raise();
        m_login.activateWindow();
    });
    trap.step(102, [&] { hide(); });
}

void Form2::selectAll(const QString& handlerName, NameList& list, bool selected)
{
    ErrorTrap trap(m_login.dialogs(), handlerName);
    // Entry by entry; a failure on one entry goes on with the next.
    int last = -1;
    trap.assign(100, last, [&] { return list.count() - 1; });
    for (int i = 0; i <= last; ++i)
        trap.step(102, [&] { list.setSelected(i, selected); });
    // 104: next i
}

void Form2::PushButton8_Click()
{
    selectAll(QStringLiteral("Form2.PushButton8_Click"), m_list2, true);
}

void Form2::PushButton9_Click()
{
    selectAll(QStringLiteral("Form2.PushButton9_Click"), m_list2, false);
}

void Form2::PushButton10_Click()
{
    selectAll(QStringLiteral("Form2.PushButton10_Click"), m_list1, true);
}

void Form2::PushButton11_Click()
{
    selectAll(QStringLiteral("Form2.PushButton11_Click"), m_list1, false);
}

void Form2::PushButton12_Click()
{
    ErrorTrap trap(m_login.dialogs(), QStringLiteral("Form2.PushButton12_Click"));
    trap.step(100, [&] {
        m_login.dialogs().messageBox(
            QStringLiteral("Questions? Please contact Team Harrowick at ") + ContactAddress,
            Dialogs::Buttons::Ok, Dialogs::Icon::None, Main::AppTitle());
    });
}

void Form2::PushButton3_Click()
{
    runExclusive(HandlerName::sendTo(Side::IbmDb2), [this] { Transfer::SendToIbmDb2(*m_context); });
}

void Form2::PushButton4_Click()
{
    runExclusive(HandlerName::sendTo(Side::PostgreSQL),
                 [this] { Transfer::SendToPostgreSQL(*m_context); });
}

void Form2::PushButton1_Click()
{
    runExclusive(HandlerName::deleteTables(Side::PostgreSQL),
                 [this] { Maintenance::DeleteTables(*m_context, Side::PostgreSQL); });
}

void Form2::PushButton5_Click()
{
    runExclusive(HandlerName::deleteTables(Side::IbmDb2),
                 [this] { Maintenance::DeleteTables(*m_context, Side::IbmDb2); });
}

void Form2::PushButton6_Click()
{
    runExclusive(HandlerName::renameTable(Side::PostgreSQL),
                 [this] { Maintenance::RenameTable(*m_context, Side::PostgreSQL); });
}

void Form2::PushButton7_Click()
{
    runExclusive(HandlerName::renameTable(Side::IbmDb2),
                 [this] { Maintenance::RenameTable(*m_context, Side::IbmDb2); });
}

void Form2::runExclusive(const QString& handlerName, const std::function<void()>& operation)
{
    if (m_busy)
        return;
    m_busy = true;
    try {
        ErrorTrap trap(m_login.dialogs(), handlerName);
        // The operation traps its own steps; this catches only what escaped them.
        if (!trap.step(100, operation) && pointerState() == PointerState::Hourglass)
            setPointer(PointerState::Default);
    } catch (const HandlerAborted&) {
        // The window is being closed: the operation was unwound on purpose.
    } catch (...) {
        // Nothing may cross the slot boundary.
    }
    m_busy = false;
}

int Form2::pointerState() const
{
    return m_pointer->state();
}

void Form2::setPointer(int state)
{
    m_pointer->set(state);
}

void Form2::closeEvent(QCloseEvent* event)
{
    // Form_Unload: ends the whole program, also while the login window is hidden.
    event->accept();
    m_login.endProgram();
}

void Form2::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QWidget::showEvent(event);
    // The frame of the window may be known only now.
    QTimer::singleShot(0, this, [this] { applyOuterHeight(); });
}
