#include "app/RoleChoice.h"

#include "app/SettingKeys.h"
#include "app/TerminalForm.h"
#include "platform/Program.h"
#include "platform/SettingsStore.h"
#include "platform/forms/Controls.h"

#include <QLabel>

namespace pusla {

namespace {
constexpr int kExit = 0;
} // namespace

RoleChoice::RoleChoice(TerminalForm &form)
    : m_form(form)
{
}

void RoleChoice::choose(int index)
{
    m_form.Label6->setText(m_form.Option1[index]->text());
    readServerAddress();
    if (index == kExit) {
        m_form.unloadForm();
        return;
    }
}

void RoleChoice::readServerAddress()
{
    // Ctrl held at the choice means the local server, whatever is stored; the
    // stored address stays as it is.
    const Services &services = m_form.services();
    if (services.program.isCtrlDown()) {
        m_form.DataPath = settingkeys::DefaultServerAddress;
        return;
    }
    m_form.DataPath = services.settings.getSetting(services.program.exeName(), settingkeys::Section,
                                                   settingkeys::ServerAddress, settingkeys::DefaultServerAddress);
}

} // namespace pusla
