#include "ui/Form1.h"

#include "app/CursorFile.h"
#include "app/HomePage.h"
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
#include "ui/WindowPointer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
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
    const Twips tw = Twips::forScreen();
    const QColor white(Qt::white);
    setFixedSize(tw.x(8040), tw.y(6585));
    setFont(Controls::arial(9, false));
    setBackground(this, white);
    m_pointer->watch(this, WindowPointer::DefaultRule);

    auto frame = [&](const char* name, const char* caption, int l, int t, int w, int h) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), this);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(tw.rect(l, t, w, h));
        box->setFont(Controls::arial(9, true));
        setBackground(box, white);
        m_pointer->watch(box, WindowPointer::DefaultRule);
        return box;
    };
    auto label = [&](QWidget* parent, const char* name, const char* caption, int l, int t, int w,
                     int h) {
        auto* text = new QLabel(QString::fromLatin1(caption), parent);
        text->setObjectName(QLatin1String(name));
        text->setGeometry(tw.rect(l, t, w, h));
        text->setFont(Controls::arial(9, true));
        setBackground(text, white);
        text->setAutoFillBackground(false); // see SetButtonFaceColors
        m_pointer->watch(text, WindowPointer::Quiet);
        return text;
    };
    // A screen reader names each box by the label in front of it.
    auto textBox = [&](QLabel* caption, int number, int l, int t, int w, int h) {
        auto* edit = new QLineEdit(caption->parentWidget());
        edit->setAccessibleName(caption->text());
        caption->setBuddy(edit);
        edit->setObjectName(QStringLiteral("Text%1").arg(number));
        edit->setGeometry(tw.rect(l, t, w, h));
        edit->setFont(Controls::arial(9, true));
        edit->installEventFilter(this);
        m_pointer->watch(edit, WindowPointer::DefaultRule);
        m_text[number] = edit;
        return edit;
    };
    QGroupBox* frame1 = frame("Frame1", "IBM DB2 Login", 120, 120, 7800, 2865);
    QLabel* label2 = label(frame1, "Label2", "Server:", 240, 405, 975, 255);
    textBox(label2, 1, 1320, 360, 4575, 330);
    QLabel* label6 = label(frame1, "Label6", "Port:", 6000, 405, 495, 255);
    textBox(label6, 2, 6465, 360, 1095, 330);
    QLabel* label1 = label(frame1, "Label1", "Username:", 240, 885, 1095, 255);
    textBox(label1, 3, 1320, 840, 6255, 330);
    QLabel* label4 = label(frame1, "Label4", "Password:", 240, 1365, 1095, 255);
    textBox(label4, 4, 1320, 1320, 6255, 330);
    QLabel* label3 = label(frame1, "Label3", "Database:", 240, 1845, 1095, 255);
    textBox(label3, 5, 1320, 1800, 6255, 330);
    QPushButton* test2 = Controls::button(frame1, "PushButton3", "Test Connection",
                                          tw.rect(240, 2280, 3600, 405), *m_pointer);
    QPushButton* help2 =
        Controls::button(frame1, "PushButton5", "Help", tw.rect(3960, 2280, 3600, 405), *m_pointer);

    QGroupBox* frame2 = frame("Frame2", "PostgreSQL Login", 120, 3060, 7800, 2865);
    QLabel* label8 = label(frame2, "Label8", "Server:", 240, 405, 1095, 255);
    textBox(label8, 6, 1320, 360, 4575, 330);
    QLabel* label10 = label(frame2, "Label10", "Port:", 6000, 405, 495, 255);
    textBox(label10, 7, 6465, 360, 1095, 330);
    QLabel* label9 = label(frame2, "Label9", "Username:", 240, 885, 1095, 255);
    textBox(label9, 8, 1320, 840, 6255, 330);
    QLabel* label7 = label(frame2, "Label7", "Password:", 240, 1365, 1095, 255);
    textBox(label7, 9, 1320, 1320, 6255, 330);
    QLabel* label5 = label(frame2, "Label5", "Database:", 240, 1845, 975, 255);
    textBox(label5, 10, 1320, 1800, 6255, 330);
    QPushButton* testPg = Controls::button(frame2, "PushButton1", "Test Connection",
                                           tw.rect(240, 2280, 3600, 405), *m_pointer);
    QPushButton* helpPg =
        Controls::button(frame2, "PushButton4", "Help", tw.rect(3960, 2280, 3600, 405), *m_pointer);

    QPushButton* next =
        Controls::button(this, "PushButton2", "Next >", tw.rect(120, 6060, 7800, 405), *m_pointer);

    auto* stars = new PasswordStarStyle;
    stars->setParent(this);
    m_text[4]->setStyle(stars);
    m_text[9]->setStyle(stars);
    m_text[4]->setEchoMode(QLineEdit::Password);
    m_text[9]->setEchoMode(QLineEdit::Password);

    // Rising tab index: the PostgreSQL port box comes after the other PostgreSQL boxes.
    const QList<QWidget*> tabOrder = {m_text[1], m_text[2], m_text[3], m_text[4],  m_text[5],
                                      m_text[6], m_text[8], m_text[9], m_text[10], m_text[7],
                                      test2,     help2,     testPg,    helpPg,     next};
    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_text[1]->setFocus();

    // Text1_Change to Text10_Change: the whole text goes to the box's key at once.
    for (const LoginKey& key : LoginKeys)
        m_boxes.append({m_text[key.box], QString::fromLatin1(key.key)});
    for (const LoginBox& box : std::as_const(m_boxes)) {
        const QString key = box.key;
        connect(box.edit, &QLineEdit::textChanged, this,
                [this, key](const QString& text) { m_settings->write(key, text); });
    }

    connect(testPg, &QPushButton::clicked, this,
            [this] { runCommand([this] { PushButton1_Click(); }); });
    connect(next, &QPushButton::clicked, this,
            [this] { runCommand([this] { PushButton2_Click(); }); });
    connect(test2, &QPushButton::clicked, this,
            [this] { runCommand([this] { PushButton3_Click(); }); });
    connect(helpPg, &QPushButton::clicked, this,
            [this] { runCommand([this] { PushButton4_Click(); }); });
    connect(help2, &QPushButton::clicked, this,
            [this] { runCommand([this] { PushButton5_Click(); }); });
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
    trap.step(100, [&] { setPointer(WindowPointer::Hourglass); });
    if (trap.condition(102, [&] { return IBMDB2::CanConnect(db2Profile()); }) &&
        trap.condition(104, [&] { return PostgreSQL::CanConnect(postgresProfile()); })) {
        // The lists are read again with the current login values on every pass.
        trap.step(106, [&] { tablesWindow().Form_Load(); });
        trap.step(108, [&] { tablesWindow().showWindow(); });
        trap.step(110, [&] { hide(); });
    }
    trap.step(112, [&] { setPointer(WindowPointer::Default); });
}

void Form1::testConnection(const QString& handlerName,
                           const std::function<QString()>& connectionString)
{
    ErrorTrap trap(m_dialogs, handlerName);
    std::unique_ptr<Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<Connection>(); });
    // From here on a failure is not reported: it goes to the failure message.
    try {
        setPointer(WindowPointer::Hourglass); // 102
        if (!connection)                      // 104
            throw AppError(QStringLiteral("Object variable not set"));
        connection->open(connectionString());
        // 106: the box is shown while the hourglass still stands.
        m_dialogs.messageBox(QStringLiteral("Connection successful."), Dialogs::Buttons::Ok,
                             Dialogs::Icon::None, Main::AppTitle());
        setPointer(WindowPointer::Default); // 108
    } catch (const HandlerAborted&) {
        throw;
    } catch (...) {
        // 110 to 116: the message carries no detail from the driver.
        m_dialogs.messageBox(
            QStringLiteral("Could not connect. Please check with your administrator."),
            Dialogs::Buttons::Ok, Dialogs::Icon::None, Main::AppTitle());
        setPointer(WindowPointer::Default);
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
