#include "app/Terminal.h"
#include "base/Clock.h"
#include "base/LogFormat.h"
#include "base/PathMapper.h"
#include "base/Paths.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "forms/QtDialogs.h"
#include "forms/QtProgram.h"
#include "forms/TerminalForm.h"

#include <QApplication>
#include <QCommandLineParser>

#include <algorithm>
#include <cstring>

namespace {

void nameProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("pusla"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PUSLA_VERSION));
}

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Pusla El Terminali: the hand-terminal front end of the accounting suite.\n"
        "\n"
        "Environment:\n"
        "  PUSLA_HOME        program folder (default $XDG_DATA_HOME/pusla)\n"
        "  PUSLA_SHARES      where \\\\HOST\\SHARE\\... lives (default $XDG_DATA_HOME/pusla/shares)\n"
        "  PUSLA_DRIVE_C     where C:\\... lives (default $HOME); PUSLA_DRIVE_D etc. likewise\n"
        "  PUSLA_STORE       sqlite or postgresql, over [Store] kind in pusla.conf\n"
        "  PUSLA_STORE_CONNINFO  the server's libpq connection string, over [Store] conninfo\n"
        "  XDG_CONFIG_HOME   settings in $XDG_CONFIG_HOME/pusla (default ~/.config/pusla)\n"
        "\n"
        "The log goes to standard error. See pusla(1)."));
    parser.addHelpOption();
    parser.addVersionOption();
}

// Help and version need no display: they are answered before the GUI exists.
bool onlyAsksForInformation(int argc, char *argv[])
{
    return std::any_of(argv + 1, argv + argc, [](const char *arg) {
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(arg, option) == 0)
                return true;
        return false;
    });
}

} // namespace

int main(int argc, char *argv[])
{
    pusla::installLogFormat(QStringLiteral("pusla"));
    QCommandLineParser parser;
    describe(parser);
    if (onlyAsksForInformation(argc, argv)) {
        const QCoreApplication core(argc, argv);
        nameProgram();
        parser.process(core); // prints and exits, or names the wrong option and exits
        return 0;
    }

    QApplication app(argc, argv);
    nameProgram();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pusla.Pusla"));
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        qCritical("unexpected argument %s; see pusla --help", qUtf8Printable(parser.positionalArguments().first()));
        return 2;
    }

    const pusla::Paths paths = pusla::Paths::fromEnvironment();
    qInfo("pusla %s started; program folder %s, settings in %s", PUSLA_VERSION, qUtf8Printable(paths.programFolder),
        qUtf8Printable(paths.configFolder));
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
