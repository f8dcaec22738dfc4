#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace pusla {

// Thin adapters that give Qt's controls the event rules the forms rely on:
// setting a Value or ListIndex from code runs the Click handling once, as the
// operator's own action would, and filling a list selects nothing. Each
// control carries its control-array Index (-1 when it is not in an array).
// A button answers a press anywhere in its rectangle, as a touch terminal's
// operator expects, not only on its indicator, caption or bevel.

class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CommandButton(const QString &caption, QWidget *parent = nullptr, int index = -1);
    int index() const { return m_index; }
    /// `Value = True`: runs the Click handling, even for a hidden or disabled button.
    void setValue(bool value);

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

signals:
    void clickEvent(int index);

private:
    int m_index;
};

class CheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit CheckBox(const QString &caption, QWidget *parent = nullptr, int index = -1);
    int index() const { return m_index; }
    int value() const { return isChecked() ? 1 : 0; }
    /// Runs the Click handling once when the value changes.
    void setValue(int value);

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

signals:
    void clickEvent(int index);

private:
    int m_index;
};

/// A large touch button of the role panel; one of a group is chosen at a time.
class OptionButton : public QPushButton
{
    Q_OBJECT
public:
    explicit OptionButton(const QString &caption, QWidget *parent = nullptr, int index = -1);
    int index() const { return m_index; }
    bool value() const { return isChecked(); }
    /// `Value = True` chooses the button and runs its Click handling.
    void setValue(bool value);

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

signals:
    void clickEvent(int index);

private:
    int m_index;
};

class ComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboBox(QWidget *parent = nullptr);

    int listIndex() const { return currentIndex(); }
    int listCount() const { return count(); }
    QString list(int index) const { return itemText(index); }
    QString text() const { return isEditable() ? currentText() : (currentIndex() >= 0 ? currentText() : QString()); }
    void setText(const QString &text);

    /// `ListIndex = i`: selects the entry and runs the Click handling once.
    void setListIndex(int index);
    /// Adds an entry without selecting anything.
    void addEntry(const QString &text);
    /// Empties the list without running the Click handling.
    void clearEntries();

signals:
    void clickEvent();
};

/// Text box: setting the text from code raises Change, as typing does.
class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

signals:
    void change();
};

} // namespace pusla
