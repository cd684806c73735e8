#include "QtDialogs.h"

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

// Lines and columns of the box's font that fit the screen with room to spare.
QPair<int, int> textRoom(const QWidget& box, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QFontMetrics metrics(box.font());
    const int columns =
        qBound(40, int(area.width() * 0.55 / qMax(1, metrics.averageCharWidth())), 160);
    const int lines = qBound(6, int(area.height() * 0.4 / qMax(1, metrics.lineSpacing())), 40);
    return {columns, lines};
}

// Centres the dialog's inner area over the owner's once the dialog is shown with
// its final size: the toolkit places it by an earlier, larger size, and a window
// manager may place it on its own. Kept on the owner's screen.
void centreWhenShown(QDialog& dialog, const QWidget* owner)
{
    if (!owner)
        return;
    QTimer::singleShot(0, &dialog, [&dialog, owner = QPointer<const QWidget>(owner)] {
        if (!owner)
            return;
        QRect area = dialog.geometry();
        area.moveCenter(owner->geometry().center());
        if (const QScreen* screen = owner->screen()) {
            const QRect room = screen->availableGeometry();
            area.moveLeft(qMax(room.left(), qMin(area.left(), room.right() - area.width())));
            area.moveTop(qMax(room.top(), qMin(area.top(), room.bottom() - area.height())));
        }
        dialog.setGeometry(area);
    });
}

} // namespace

QString QtDialogs::displayText(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QString shown = text;
    shown.replace(lineBreak, QStringLiteral("\n"));
    return shown;
}

QString QtDialogs::fittedText(const QString& text, int maxColumns, int maxLines)
{
    maxColumns = qMax(10, maxColumns);
    maxLines = qMax(2, maxLines);
    QStringList lines;
    for (const QString& line : displayText(text).split(QLatin1Char('\n'))) {
        QString rest = line;
        while (rest.size() > maxColumns) {
            // Wrap at the last blank of the line's second half, or else anywhere.
            int cut = rest.lastIndexOf(QLatin1Char(' '), maxColumns);
            cut = cut > maxColumns / 2 ? cut + 1 : maxColumns;
            lines << rest.left(cut);
            rest = rest.mid(cut);
        }
        lines << rest;
    }
    if (lines.size() <= maxLines)
        return lines.join(QLatin1Char('\n'));
    lines = lines.mid(0, maxLines - 1);
    QString& last = lines.last();
    if (last.size() > maxColumns - 3)
        last.truncate(maxColumns - 3);
    last += QStringLiteral("...");
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
    QMessageBox box(owner);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    const auto [columns, lines] = textRoom(box, owner);
    box.setText(fittedText(text, columns, lines));
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
    centreWhenShown(box, owner);
    const int pressed = box.exec();
    if (buttons == Buttons::YesNo)
        return pressed == QMessageBox::Yes ? Yes : No;
    return Ok;
}

QString QtDialogs::inputBox(const QString& prompt, const QString& caption,
                            const QString& defaultText)
{
    QWidget* owner = ownerWindow();
    QInputDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(displayText(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(defaultText);
    centreWhenShown(dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}
