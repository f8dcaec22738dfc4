#pragma once

#include <QObject>
#include <QPointer>

namespace pusla {

class OnScreenKeyboard;
class TerminalForm;

/// Opens and closes the on-screen keyboard from the main form: the keyboard
/// button `Command6` opens or closes it, "Geri" and the form's closing close
/// it. A closed keyboard is gone, window and all.
class KeyboardSwitch : public QObject
{
    Q_OBJECT
public:
    explicit KeyboardSwitch(TerminalForm &form);
    ~KeyboardSwitch() override;

    /// The open keyboard; null while it is closed.
    OnScreenKeyboard *keyboard() const;

    void open();
    void close();

private:
    void toggle();

    TerminalForm &m_form;
    QPointer<OnScreenKeyboard> m_keyboard;
};

} // namespace pusla
