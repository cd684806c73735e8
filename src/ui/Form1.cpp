#include "ui/Form1.h"

#include "app/CursorFile.h"
#include "app/HomePage.h"
#include "app/MainWindows.h"
#include "core/AppError.h"
#include "core/Dialogs.h"
#include "core/ErrorTrap.h"
#include "core/LoginKeys.h"
#include "core/Main.h"
#include "db/Connection.h"
#include "db/IBMDB2.h"
#include "db/PostgreSQL.h"
#include "ui/AppIcon.h"
#include "ui/Controls.h"
#include "ui/Form2.h"
#include "ui/Twips.h"
#include "ui/WindowLayouts.h"
#include "ui/WindowPointer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>

const QString Form1::PgAdminDownloadAddress = QStringLiteral("https://www.pgadmin.org/download/");
const QString Form1::IbmDomain = QStringLiteral("www.ibm.com");
const QString Form1::Db2DownloadAddress =
    QStringLiteral("https://www.ibm.com/software/data/db2/9/download.html");
const QString Form1::Db2FirewallAddress =
    QStringLiteral("https://www.ibm.com/support/pages/connecting-db2-through-firewall");

namespace {

// The password boxes show every character as "*", whatever the style's own mask.
class PasswordStarStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

Form1::Form1(Dialogs& dialogs, HomePage& homePage, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_dialogs(dialogs), m_homePage(homePage), m_settings(std::make_unique<SettingsStore>())
{
    setObjectName(QStringLiteral("Form1"));
    m_pointer = new WindowPointer(*this);
    buildLayout();
}

Form1::~Form1() = default;

void Form1::buildLayout()
{
    const WindowLayouts::Window& layout = WindowLayouts::Form1;
    const Twips tw = Twips::forScreen();
    const QColor white(Qt::white);
    setFixedSize(tw.x(layout.width), tw.y(layout.height));
    setFont(Controls::font(layout.font));
    setBackground(this, white);
    m_pointer->watch(this, WindowPointer::DefaultRule);

    QHash<QString, QWidget*> built;
    QList<std::pair<int, QWidget*>> focusable;
    QLabel* lastLabel = nullptr;
    for (const WindowLayouts::Control& row : layout) {
        QWidget* parent = row.container ? built.value(QLatin1String(row.container)) : this;
        const QString caption = QString::fromLatin1(row.caption);
        QWidget* control = nullptr;
        switch (row.kind) {
        case WindowLayouts::Kind::Frame: {
            auto* box = new QGroupBox(caption, parent);
            setBackground(box, white);
            m_pointer->watch(box, WindowPointer::DefaultRule);
            control = box;
            break;
        }
        case WindowLayouts::Kind::Label: {
            auto* text = new QLabel(caption, parent);
            setBackground(text, white);
            text->setAutoFillBackground(false); // see SetButtonFaceColors
            m_pointer->watch(text, WindowPointer::Quiet);
            control = lastLabel = text;
            break;
        }
        case WindowLayouts::Kind::TextBox: {
            auto* edit = new QLineEdit(parent);
            // A screen reader names each box by the label in front of it.
            if (lastLabel) {
                edit->setAccessibleName(lastLabel->text());
                lastLabel->setBuddy(edit);
            }
            edit->installEventFilter(this);
            m_pointer->watch(edit, WindowPointer::DefaultRule);
            m_text[QByteArray(row.name).mid(4).toInt()] = edit; // "TextN"
            focusable.append({row.tabIndex, edit});
            control = edit;
            break;
        }
        case WindowLayouts::Kind::PushButton:
            control = Controls::button(parent, row, *m_pointer);
            focusable.append({row.tabIndex, control});
            break;
        default:
            qFatal("Form1: no control of kind %d", static_cast<int>(row.kind));
        }
        Controls::place(control, row, tw);
        built.insert(control->objectName(), control);
    }

    auto* stars = new PasswordStarStyle;
    stars->setParent(this);
    m_text[4]->setStyle(stars);
    m_text[9]->setStyle(stars);
    m_text[4]->setEchoMode(QLineEdit::Password);
    m_text[9]->setEchoMode(QLineEdit::Password);

    Controls::setTabOrder(focusable);

    // Text1_Change to Text10_Change: the whole text goes to the box's key at once.
    for (const LoginKey& key : LoginKeys)
        m_boxes.append({m_text[key.box], QString::fromLatin1(key.key)});
    for (const LoginBox& box : std::as_const(m_boxes)) {
        const QString key = box.key;
        connect(box.edit, &QLineEdit::textChanged, this,
                [this, key](const QString& text) { m_settings->write(key, text); });
    }

    const std::pair<const char*, void (Form1::*)()> handlers[] = {
        {"PushButton1", &Form1::PushButton1_Click},
        {"PushButton2", &Form1::PushButton2_Click},
        {"PushButton3", &Form1::PushButton3_Click},
        {"PushButton4", &Form1::PushButton4_Click},
        {"PushButton5", &Form1::PushButton5_Click}};
    for (const auto& [name, handler] : handlers) {
        connect(static_cast<QPushButton*>(built.value(QLatin1String(name))), &QPushButton::clicked,
                this,
                [this, handler = handler] { runCommand([this, handler] { (this->*handler)(); }); });
    }
}

void Form1::runCommand(const std::function<void()>& handler)
{
    // A handler that yields (the listings) or shows a box lets events through; a
    // click on this window meanwhile would run a handler inside the first one.
    if (m_commandRunning)
        return;
    m_commandRunning = true;
    runHandler(handler);
    m_commandRunning = false;
}

void Form1::start()
{
    runCommand([this] { Form_Load(); });
    if (m_ended)
        return;
    // The load passed on when it showed the tables window; otherwise the login
    // window is displayed, also when showing the tables window failed.
    if (!(m_form2 && m_form2->isVisible()))
        show();
}

void Form1::loadBox(ErrorTrap& trap, int step, int box)
{
    // A box whose text changes writes it back at once (its change handler).
    trap.step(step,
              [&] { m_text[box]->setText(m_settings->read(loginKey(box), loginDefault(box))); });
}

void Form1::Form_Load()
{
    ErrorTrap trap(m_dialogs, QStringLiteral("Form1.Form_Load"));
    trap.step(100, [&] { Main::ApplySkin(*this, m_skin); });
    trap.step(104, [&] {
        setWindowTitle(Main::ProductName);
        setWindowIcon(applicationIcon());
        Main::SetAppTitle();
    });
    trap.step(106, [&] { Main::MaybeOpenHomePage(m_homePage); });
    if (trap.condition(124, [&] { return Main::FileExists(Main::HandCursorPath()); }))
        trap.step(126, [&] { m_pointer->setCustomCursor(loadCursorFile(Main::HandCursorPath())); });
    loadBox(trap, 128, 1);
    loadBox(trap, 130, 2);
    loadBox(trap, 132, 3);
    loadBox(trap, 134, 4);
    loadBox(trap, 136, 5);
    loadBox(trap, 138, 6);
    loadBox(trap, 140, 7);
    loadBox(trap, 142, 8);
    loadBox(trap, 144, 9);
    loadBox(trap, 146, 10);
    // IBM DB2 first: when it fails, PostgreSQL is not contacted.
    if (!trap.condition(148, [&] { return IBMDB2::CanConnect(db2Profile()); }))
        return;
    if (!trap.condition(150, [&] { return PostgreSQL::CanConnect(postgresProfile()); }))
        return;
    trap.step(152, [&] { tablesWindow().showWindow(); });
    trap.step(154, [&] { hide(); });
}

void Form1::PushButton2_Click()
{
    ErrorTrap trap(m_dialogs, QStringLiteral("Form1.PushButton2_Click"));
    trap.step(100, [&] { setPointer(PointerState::Hourglass); });
    if (trap.condition(102, [&] { return IBMDB2::CanConnect(db2Profile()); }) &&
        trap.condition(104, [&] { return PostgreSQL::CanConnect(postgresProfile()); })) {
        // The lists are read again with the current login values on every pass.
        trap.step(106, [&] { tablesWindow().Form_Load(); });
        trap.step(108, [&] { tablesWindow().showWindow(); });
        trap.step(110, [&] { hide(); });
    }
    trap.step(112, [&] { setPointer(PointerState::Default); });
}

void Form1::testConnection(const QString& handlerName,
                           const std::function<QString()>& connectionString)
{
    ErrorTrap trap(m_dialogs, handlerName);
    std::unique_ptr<Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<Connection>(); });
    // From here on a failure is not reported: it goes to the failure message.
    try {
        setPointer(PointerState::Hourglass);                // 102
        createdObject(connection).open(connectionString()); // 104
        // 106: the box is shown while the hourglass still stands.
        m_dialogs.messageBox(QStringLiteral("Connection successful."), Dialogs::Buttons::Ok,
                             Dialogs::Icon::None, Main::AppTitle());
        setPointer(PointerState::Default); // 108
    } catch (const HandlerAborted&) {
        throw;
    } catch (...) {
        // 110 to 116: the message carries no detail from the driver.
        m_dialogs.messageBox(
            QStringLiteral("Could not connect. Please check with your administrator."),
            Dialogs::Buttons::Ok, Dialogs::Icon::None, Main::AppTitle());
        setPointer(PointerState::Default);
    }
    // The connection is released here, which closes it.
}

void Form1::PushButton1_Click()
{
    testConnection(QStringLiteral("Form1.PushButton1_Click"),
                   [this] { return PostgreSQL::ConnectionString(postgresProfile()); });
}

void Form1::PushButton3_Click()
{
    testConnection(QStringLiteral("Form1.PushButton3_Click"),
                   [this] { return IBMDB2::ConnectionString(db2Profile()); });
}

void Form1::PushButton4_Click()
{
    ErrorTrap trap(m_dialogs, QStringLiteral("Form1.PushButton4_Click"));
    QString message;
    trap.assign(100, message, [] {
        return QStringLiteral("If you can not connect, please try downloading pgAdmin III. ");
    });
    trap.assign(102, message, [&] {
        return message + QStringLiteral("If you can not connect with that software, you know the "
                                        "login information you are providing here is incorrect.");
    });
    trap.assign(104, message,
                [&] { return message + QStringLiteral("\r\n\r\n") + PgAdminDownloadAddress; });
    trap.step(106, [&] {
        m_dialogs.messageBox(message, Dialogs::Buttons::Ok, Dialogs::Icon::None, Main::AppTitle());
    });
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(m_dialogs, QStringLiteral("Form1.PushButton5_Click"));
    QString separator;
    QString message;
    trap.assign(100, separator, [] { return QStringLiteral("\r"); });
    trap.assign(102, separator, [&] { return separator + QStringLiteral("\r"); });
    auto line = [&](int step, const QString& text) {
        trap.assign(step, message, [&] { return message + text + separator; });
    };
    line(104, QStringLiteral("Here is how I connected to my IBM DB2 database."));
    line(106, QStringLiteral("I went to ") + IbmDomain);
    line(108, QStringLiteral("specifically"));
    line(110, Db2DownloadAddress);
    line(112, QStringLiteral("Downloaded and installed the DB2 Client (not DB2 Runtime Client)"));
    line(114, QStringLiteral("I personally got the"));
    line(116, QStringLiteral("DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)"));
    line(118, QStringLiteral("If you are using Windows XP, there may be a firewall preventing you "
                             "from connecting. You may need to add the DB2 port."));
    line(120, QStringLiteral("Please visit:"));
    line(122, Db2FirewallAddress);
    trap.step(124, [&] {
        m_dialogs.messageBox(message, Dialogs::Buttons::Ok, Dialogs::Icon::None, Main::AppTitle());
    });
}

ConnectionProfile Form1::db2Profile() const
{
    return {m_text[1]->text(), m_text[2]->text(), m_text[3]->text(), m_text[4]->text(),
            m_text[5]->text()};
}

ConnectionProfile Form1::postgresProfile() const
{
    return {m_text[6]->text(), m_text[7]->text(), m_text[8]->text(), m_text[9]->text(),
            m_text[10]->text()};
}

Form2& Form1::tablesWindow()
{
    if (!m_form2)
        m_form2 = std::make_unique<Form2>(*this);
    return *m_form2;
}

int Form1::pointerState() const
{
    return m_pointer->state();
}

void Form1::setPointer(int state)
{
    m_pointer->set(state);
}

void Form1::runHandler(const std::function<void()>& handler)
{
    if (m_ended)
        return;
    try {
        handler();
    } catch (const HandlerAborted&) {
        // The program is ending: the handler was unwound on purpose.
    } catch (const std::exception& e) {
        // Handlers trap their own steps; this only keeps exceptions out of Qt.
        qWarning("Dovetab: a handler ended with an untrapped failure: %s", e.what());
    } catch (...) {
        qWarning("Dovetab: a handler ended with an untrapped failure");
    }
}

void Form1::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    // A handler still running (in a yield) is unwound by HandlerAborted.
    m_yield.abort();
    hide();
    if (m_form2)
        m_form2->hide();
    if (m_quit)
        m_quit();
    else
        QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Form_Unload: the program ends at once, nothing is asked or saved.
    event->accept();
    endProgram();
}

void Form1::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QWidget::showEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        // Text1_GotFocus to Text10_GotFocus: typing replaces the whole value.
        edit->selectAll();
        m_mouseFocused =
            static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason ? edit : nullptr;
        break;
    case QEvent::MouseButtonPress:
        // The click that gave the focus would put the caret where it landed and so
        // undo the selection.
        if (edit == m_mouseFocused) {
            m_mouseFocused = nullptr;
            return true;
        }
        break;
    case QEvent::FocusOut:
        if (edit == m_mouseFocused)
            m_mouseFocused = nullptr;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
