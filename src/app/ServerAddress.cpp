#include "app/ServerAddress.h"

#include "forms/TerminalForm.h"
#include "data/SettingKeys.h"
#include "base/Dialogs.h"
#include "base/Program.h"
#include "base/SettingsStore.h"
#include "forms/TerminalState.h"

namespace pusla {

void editServerAddress(TerminalForm &form)
{
    const Services &services = form.services();
    TerminalState &state = form.state();
    if (state.dataPath().isEmpty())
        state.setDataPath(settingkeys::DefaultServerAddress);

    const QString prompt = QStringLiteral("Ip Numarası Giriniz..\n\n( \\\\127.0.0.1\\MuhasebeData\\01 ) Gibi");
    const QString answer = services.dialogs.inputBox(prompt, QStringLiteral("Ana Makina İp Numarası"), state.dataPath());
    // An empty answer (or a cancelled box) keeps the prefix in use and stores
    // nothing: later names are not built from an empty prefix.
    const QString address = answer.trimmed();
    if (address.isEmpty())
        return;
    state.setDataPath(address);
    services.settings.saveSetting(services.program.exeName(), settingkeys::Section, settingkeys::ServerAddress,
                                  address);
}

} // namespace pusla
