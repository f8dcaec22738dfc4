#include "forms/Controls.h"

#include <QSignalBlocker>

namespace pusla {

CommandButton::CommandButton(const QString &caption, QWidget *parent, int index)
    : QPushButton(caption, parent)
    , m_index(index)
{
    connect(this, &QPushButton::clicked, this, [this] { emit clickEvent(m_index); });
}

void CommandButton::setValue(bool value)
{
    if (value)
        emit clickEvent(m_index);
}

CheckBox::CheckBox(const QString &caption, QWidget *parent, int index)
    : QCheckBox(caption, parent)
    , m_index(index)
{
    // toggled fires for the operator's click and for a change made from code alike.
    connect(this, &QCheckBox::toggled, this, [this] { emit clickEvent(m_index); });
}

void CheckBox::setValue(int value)
{
    setChecked(value != 0);
}

OptionButton::OptionButton(const QString &caption, QWidget *parent, int index)
    : QPushButton(caption, parent)
    , m_index(index)
{
    setCheckable(true);
    setAutoExclusive(true);
    connect(this, &QPushButton::clicked, this, [this] { emit clickEvent(m_index); });
}

void OptionButton::setValue(bool value)
{
    {
        const QSignalBlocker blocker(this);
        setChecked(value);
    }
    if (value)
        emit clickEvent(m_index);
}

ComboBox::ComboBox(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this] { emit clickEvent(); });
}

void ComboBox::setText(const QString &text)
{
    if (isEditable())
        setEditText(text);
}

void ComboBox::setListIndex(int index)
{
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    if (index >= 0)
        emit clickEvent();
}

void ComboBox::addEntry(const QString &text)
{
    // QComboBox selects the first entry added to an empty list by itself; a
    // list filled by the program selects nothing until told to.
    const QSignalBlocker blocker(this);
    const int before = currentIndex();
    const QString shownText = currentText();
    addItem(text);
    if (before < 0) {
        setCurrentIndex(-1);
        setText(shownText);
    }
}

void ComboBox::clearEntries()
{
    const QSignalBlocker blocker(this);
    clear();
}

TextBox::TextBox(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { emit change(); });
}

} // namespace pusla
