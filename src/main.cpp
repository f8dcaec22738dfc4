#include "app/Terminal.h"
#include "platform/Clock.h"
#include "platform/PathMapper.h"
#include "platform/Paths.h"
#include "platform/RegionalFormat.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "platform/forms/QtDialogs.h"
#include "platform/forms/QtProgram.h"
#include "platform/forms/TerminalForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pusla"));

    const pusla::Paths paths = pusla::Paths::fromEnvironment();
    pusla::QtDialogs dialogs;
    pusla::QtProgram program(paths.programFolder);
    pusla::SystemClock clock;
    pusla::SettingsStore settings(paths.configFolder);
    const pusla::PathMapper mapper(paths);
    const pusla::RegionalFormat formats;
    const pusla::Services services{dialogs, program, clock, settings, mapper, formats};

    const pusla::Terminal terminal(services);
    pusla::TerminalForm &form = terminal.form();
    dialogs.setParentWidget(&form);
    form.show();
    return QApplication::exec();
}
