#include "app/Terminal.h"
#include "base/Clock.h"
#include "base/PathMapper.h"
#include "base/Paths.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "forms/QtDialogs.h"
#include "forms/QtProgram.h"
#include "forms/TerminalForm.h"

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
