#include "app/QtDialogs.h"

#include "core/ErrorTrap.h"
#include "core/UserInput.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

namespace {

const QString ShortenedNote = QStringLiteral("(Shortened here; Ctrl+C copies the whole message.)");

// Ctrl+C on a message box, wherever its focus is, copies the box's whole text
// rather than the part shown or selected.
class CopyWholeText : public QObject
{
public:
    CopyWholeText(QObject* parent, const QString& text) : QObject(parent), m_text(text) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::Copy))
            return false;
        if (event->type() == QEvent::KeyPress)
            QGuiApplication::clipboard()->setText(m_text);
        event->accept();
        return true;
    }

private:
    QString m_text;
};

// The widest line in pixels and the most lines that fit the owner's screen with
// room to spare. Lines stay within the width at which the box would start to wrap
// its text on its own, so the box's size follows from the text alone.
QPair<int, int> textRoom(const QWidget& box, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QFontMetrics metrics(box.font());
    const int width = qMax(200, qMin(area.width() / 2, 500) - 20);
    const int lines = qBound(6, int(area.height() * 0.4 / qMax(1, metrics.lineSpacing())), 40);
    return {width, lines};
}

// Keeps a dialog's inner area centred over its owner's, on the owner's screen,
// each time it is shown or changes size: the toolkit places it by an earlier size
// and a window manager may place it on its own.
class CentreOver : public QObject
{
public:
    CentreOver(QDialog& dialog, const QWidget& owner)
        : QObject(&dialog), m_dialog(dialog), m_owner(&owner)
    {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
            QTimer::singleShot(0, this, [this] { centre(); });
        return false;
    }

private:
    void centre()
    {
        if (!m_owner || !m_dialog.isVisible())
            return;
        QRect area = m_dialog.geometry();
        area.moveCenter(m_owner->geometry().center());
        if (const QScreen* screen = m_owner->screen()) {
            const QRect room = screen->availableGeometry();
            area.moveLeft(qMax(room.left(), qMin(area.left(), room.right() - area.width())));
            area.moveTop(qMax(room.top(), qMin(area.top(), room.bottom() - area.height())));
        }
        if (area != m_dialog.geometry())
            m_dialog.setGeometry(area);
    }

    QDialog& m_dialog;
    QPointer<const QWidget> m_owner;
};

void centreOverOwner(QDialog& dialog, const QWidget* owner)
{
    if (owner)
        new CentreOver(dialog, *owner);
}

// The modality of a box open now. The toolkit's own modality would also hold
// back the window manager's close of the windows behind the box, and closing
// either window must end the program also while a box waits for its answer (a
// server gone in the middle of a table gives one report per remaining row).
// So the box is modeless to the toolkit, and this filter keeps the mouse and the
// keyboard away from everything that is not the box (or a popup of it): the
// windows behind take no input, and when one of them is activated the box takes
// the focus back, so Esc and Return still answer it. A close still gets through.
class BoxModality : public QObject
{
public:
    explicit BoxModality(QDialog& box) : m_box(box) { qApp->installEventFilter(this); }
    ~BoxModality() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || ofTheBox(widget))
            return false;
        if (isUserInput(event->type()))
            return true;
        if (event->type() == QEvent::WindowActivate && widget->isWindow())
            QTimer::singleShot(0, &m_box, [this] {
                if (m_box.isVisible()) {
                    m_box.raise();
                    m_box.activateWindow();
                }
            });
        return false;
    }

private:
    bool ofTheBox(const QWidget* widget) const
    {
        for (; widget; widget = widget->parentWidget()) {
            if (widget == &m_box)
                return true;
        }
        return false;
    }

    QDialog& m_box;
};

} // namespace

int QtDialogs::runBox(QDialog& box)
{
    BoxModality modality(box);
    bool answered = false;
    QObject::connect(&box, &QDialog::finished, &box, [&answered] { answered = true; });
    box.setWindowModality(Qt::NonModal);
    box.show();
    box.raise();
    box.activateWindow();
    // As a driver wait does: the events go on until the box is answered or a
    // window was closed, which ends the program.
    while (!answered && !m_ending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!answered) {
        box.hide();
        throw HandlerAborted{};
    }
    return box.result();
}

QString QtDialogs::displayText(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QString shown = text;
    shown.replace(lineBreak, QStringLiteral("\n"));
    return shown;
}

QString QtDialogs::fittedText(const QString& text, int maxColumns, int maxLines)
{
    return fittedText(
        text, [](const QString& line) { return int(line.size()); }, qMax(10, maxColumns), maxLines);
}

QString QtDialogs::fittedText(const QString& text, const std::function<int(const QString&)>& width,
                              int maxWidth, int maxLines)
{
    maxLines = qMax(2, maxLines);
    // The longest start of the text that fits the width, at least one character.
    auto fitting = [&](const QString& rest) {
        int low = 1, high = int(rest.size());
        while (low < high) {
            const int middle = (low + high + 1) / 2;
            if (width(rest.left(middle)) <= maxWidth)
                low = middle;
            else
                high = middle - 1;
        }
        return low;
    };
    QStringList lines;
    for (const QString& line : displayText(text).split(QLatin1Char('\n'))) {
        QString rest = line;
        // A line past the last one shown need not be wrapped.
        while (lines.size() <= maxLines && width(rest) > maxWidth) {
            const int fits = fitting(rest);
            // Wrap at the last blank of the line's second half, or else anywhere.
            const int blank = rest.lastIndexOf(QLatin1Char(' '), fits - 1);
            const int cut = blank >= fits / 2 && blank > 0 ? blank + 1 : fits;
            lines << rest.left(cut);
            rest = rest.mid(cut);
        }
        lines << rest;
    }
    if (lines.size() <= maxLines)
        return lines.join(QLatin1Char('\n'));
    lines = lines.mid(0, maxLines - 1);
    QString& last = lines.last();
    const QString ellipsis = QStringLiteral("...");
    while (!last.isEmpty() && width(last + ellipsis) > maxWidth)
        last.chop(1);
    last += ellipsis;
    lines << ShortenedNote;
    return lines.join(QLatin1Char('\n'));
}

QWidget* QtDialogs::ownerWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowType() == Qt::Window)
            return window;
    }
    return nullptr;
}

int QtDialogs::messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    QWidget* owner = ownerWindow();
    if (m_ending())
        throw HandlerAborted{};
    QMessageBox box(owner);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    const auto [width, lines] = textRoom(box, owner);
    const QFontMetrics metrics(box.font());
    box.setText(fittedText(
        text, [&metrics](const QString& line) { return metrics.horizontalAdvance(line); }, width,
        lines));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.setIcon(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    auto* copy = new CopyWholeText(&box, displayText(text));
    box.installEventFilter(copy);
    for (QWidget* child : box.findChildren<QWidget*>())
        child->installEventFilter(copy);
    centreOverOwner(box, owner);
    runBox(box);
    if (buttons == Buttons::YesNo)
        return box.standardButton(box.clickedButton()) == QMessageBox::Yes ? Yes : No;
    return Ok;
}

QString QtDialogs::inputBox(const QString& prompt, const QString& caption,
                            const QString& defaultText)
{
    QWidget* owner = ownerWindow();
    if (m_ending())
        throw HandlerAborted{};
    QInputDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(displayText(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(defaultText);
    centreOverOwner(dialog, owner);
    if (runBox(dialog) != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}
