#include "app/ServerAddress.h"

#include "data/SettingKeys.h"
#include "app/TerminalForm.h"
#include "platform/Dialogs.h"
#include "platform/Program.h"
#include "platform/SettingsStore.h"

namespace pusla {

void editServerAddress(TerminalForm &form)
{
    const Services &services = form.services();
    if (form.DataPath.isEmpty())
        form.DataPath = settingkeys::DefaultServerAddress;

    const QString prompt = QStringLiteral("Ip Numarası Giriniz..\n\n( \\\\127.0.0.1\\MuhasebeData\\01 ) Gibi");
    const QString answer = services.dialogs.inputBox(prompt, QStringLiteral("Ana Makina İp Numarası"), form.DataPath);
    // An empty answer (or a cancelled box) keeps the prefix in use and stores
    // nothing: later names are not built from an empty prefix.
    const QString address = answer.trimmed();
    if (address.isEmpty())
        return;
    form.DataPath = address;
    services.settings.saveSetting(services.program.exeName(), settingkeys::Section, settingkeys::ServerAddress,
                                  address);
}

} // namespace pusla
