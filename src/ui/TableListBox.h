#pragma once

#include <QListWidget>

// The list box of a tables window. The toolkit makes the first entry current as
// soon as an empty-handed list gets the focus (window activation, Tab); here an
// entry becomes current only by a click, by moving with the keyboard or by the
// program, so "nothing chosen" stays visible to the commands until the user chooses.
class TableListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TableListBox(QWidget* parent = nullptr) : QListWidget(parent) {}

protected:
    void focusInEvent(QFocusEvent* event) override;
};
