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
#include "ui/WindowLayouts.h"
#include "ui/WindowPointer.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHash>
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
    const WindowLayouts::Window& layout = WindowLayouts::Form2;
    const Twips tw = Twips::forScreen();
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    setFixedSize(tw.x(layout.width), tw.y(layout.height));
    setFont(Controls::font(layout.font));
    {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, white);
        setPalette(palette);
        setAutoFillBackground(true);
    }
    m_pointer->watch(this, WindowPointer::DefaultRule);

    QHash<QString, QWidget*> built;
    QList<std::pair<int, QWidget*>> focusable;
    for (const WindowLayouts::Control& row : layout) {
        QWidget* parent = row.container ? built.value(QLatin1String(row.container)) : this;
        QWidget* control = nullptr;
        switch (row.kind) {
        case WindowLayouts::Kind::Frame: {
            auto* box = new QGroupBox(QString::fromLatin1(row.caption), parent);
            QPalette palette = box->palette();
            palette.setColor(QPalette::Window, white);
            palette.setColor(QPalette::WindowText, black);
            box->setPalette(palette);
            box->setAutoFillBackground(true);
            m_pointer->watch(box, WindowPointer::DefaultRule);
            control = box;
            break;
        }
        case WindowLayouts::Kind::ListBox: {
            QListWidget* listBox = qstrcmp(row.name, "List1") == 0 ? m_listBox1 : m_listBox2;
            listBox->setParent(parent);
            listBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
            listBox->setSortingEnabled(true);
            // The window's font, also where a desktop theme gives lists a font of their own.
            listBox->setFont(font());
            // Every entry is one line of the same font: without this the view measures
            // each entry on every relayout, and listing thousands of tables (a relayout
            // per event-loop turn) takes minutes.
            listBox->setUniformItemSizes(true);
            m_pointer->watch(listBox, WindowPointer::DefaultRule);
            focusable.append({row.tabIndex, listBox});
            control = listBox;
            break;
        }
        case WindowLayouts::Kind::PushButton:
            control = Controls::button(parent, row, *m_pointer);
            focusable.append({row.tabIndex, control});
            break;
        case WindowLayouts::Kind::ProgressBar: {
            m_progress = new ProgressBar(parent); // its text is the row's caption
            const QColor buttonText = QGuiApplication::palette().color(QPalette::ButtonText);
            QPalette palette = m_progress->palette();
            for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                palette.setColor(role, buttonText);
            for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
                palette.setColor(role, white);
            m_progress->setPalette(palette);
            m_progress->setAutoFillBackground(true);
            m_pointer->watch(m_progress, WindowPointer::Quiet);
            // It takes no focus, so the Tab key passes it by.
            control = m_progress;
            break;
        }
        default:
            qFatal("Form2: no control of kind %d", static_cast<int>(row.kind));
        }
        Controls::place(control, row, tw);
        built.insert(control->objectName(), control);
    }

    const std::pair<const char*, void (Form2::*)()> handlers[] = {
        {"PushButton1", &Form2::PushButton1_Click},   {"PushButton2", &Form2::PushButton2_Click},
        {"PushButton3", &Form2::PushButton3_Click},   {"PushButton4", &Form2::PushButton4_Click},
        {"PushButton5", &Form2::PushButton5_Click},   {"PushButton6", &Form2::PushButton6_Click},
        {"PushButton7", &Form2::PushButton7_Click},   {"PushButton8", &Form2::PushButton8_Click},
        {"PushButton9", &Form2::PushButton9_Click},   {"PushButton10", &Form2::PushButton10_Click},
        {"PushButton11", &Form2::PushButton11_Click}, {"PushButton12", &Form2::PushButton12_Click}};
    for (const auto& [name, handler] : handlers)
        onClick(static_cast<QPushButton*>(built.value(QLatin1String(name))), handler);

    Controls::setTabOrder(focusable);
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
    trap.step(120, [&] { setOuterHeight(WindowLayouts::Form2OuterHeight); });
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
