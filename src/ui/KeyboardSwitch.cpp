#include "ui/KeyboardSwitch.h"

#include "base/Program.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "ui/OnScreenKeyboard.h"

namespace pusla {

KeyboardSwitch::KeyboardSwitch(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    connect(form.Command6, &CommandButton::clickEvent, this, &KeyboardSwitch::toggle);
    connect(form.Command1[0], &CommandButton::clickEvent, this, &KeyboardSwitch::close);
    connect(&form, &TerminalForm::unloaded, this, &KeyboardSwitch::close);
}

KeyboardSwitch::~KeyboardSwitch()
{
    close();
}

OnScreenKeyboard *KeyboardSwitch::keyboard() const
{
    return m_keyboard;
}

void KeyboardSwitch::toggle()
{
    if (m_keyboard)
        close();
    else
        open();
    m_form.Text1->setFocus();
}

void KeyboardSwitch::open()
{
    if (m_keyboard)
        return;
    m_keyboard = new OnScreenKeyboard(m_form);
    // Over the main form from the height of the keyboard button's distance
    // to the form's bottom, its keys centred on the screen; the window then
    // stretches to the screen's width and the keys keep their places.
    const QRect frame = m_form.frameGeometry();
    const int screenWidth = m_form.services().program.screenSize().width();
    m_keyboard->move((screenWidth - m_keyboard->width()) / 2, frame.top() + frame.height() - m_form.Command6->y());
    m_keyboard->show();
    m_keyboard->resize(screenWidth, m_keyboard->height());
}

void KeyboardSwitch::close()
{
    delete m_keyboard;
}

} // namespace pusla
