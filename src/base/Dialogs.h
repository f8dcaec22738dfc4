#pragma once

#include <QString>

class QMenu;

namespace pusla {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

/// Everything the system says to the operator or asks of them. The program
/// uses Qt's dialogs; tests answer by script so that nothing ever blocks.
/// Every message box carries the product title.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    /// A message box: one OK button, or Yes and No with a question icon.
    virtual MessageAnswer messageBox(const QString &text, MessageButtons buttons = MessageButtons::Ok) = 0;

    /// A one-line input box; a cancelled box answers with empty text.
    virtual QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) = 0;

    /// Shows a pop-up menu at the pointer; the chosen item (if any) is triggered.
    virtual void popupMenu(QMenu &menu) = 0;

    virtual void beep() = 0;

    /// The busy (hourglass) pointer while a long operation runs.
    virtual void setBusy(bool busy) = 0;
};

/// The busy pointer for the length of one operation, whatever way it ends.
class BusyPointer
{
public:
    explicit BusyPointer(Dialogs &dialogs)
        : m_dialogs(dialogs)
    {
        m_dialogs.setBusy(true);
    }
    ~BusyPointer() { m_dialogs.setBusy(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    Dialogs &m_dialogs;
};

/// The product title: caption of the role panel and title of every message box.
inline QString productTitle()
{
    return QStringLiteral("Pusla El Terminali");
}

} // namespace pusla
