// The capture grid's layout file as the program finds it in its folder: the
// main form is built once, then each input is laid down as PuslaCari2.Dat (or
// the file of the situation the form is in) and
// loaded. Whatever was loaded, a load of what a save wrote shows and hides
// the same columns. (Widths are not compared: a caption's blanks from the
// save can widen a column just wider than its caption by one blank.)
#include "FuzzSupport.h"

#include "app/Terminal.h"
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/PathMapper.h"
#include "base/Program.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "capture/GridLayout.h"
#include "forms/TerminalForm.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <memory>

using namespace pusla;

namespace {

// The operator never answers: every question is a "no", every menu dismissed.
class SilentDialogs final : public Dialogs
{
public:
    MessageAnswer messageBox(const QString &, MessageButtons buttons) override
    {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    QString inputBox(const QString &, const QString &, const QString &) override { return {}; }
    void popupMenu(QMenu &) override { }
    void beep() override { }
    void setBusy(bool) override { }
};

class FolderProgram final : public Program
{
public:
    explicit FolderProgram(QString folder)
        : m_folder(std::move(folder))
    { }
    QString folder() const override { return m_folder; }
    QString exeName() const override { return QStringLiteral("pusla"); }
    QSize screenSize() const override { return {1024, 768}; }
    void endAtOnce() override { }
    bool hasEnded() const override { return false; }
    void doEvents() override { QCoreApplication::processEvents(); }
    bool isCtrlDown() const override { return false; }

private:
    QString m_folder;
};

struct Machine
{
    QTemporaryDir root;
    Paths paths = Paths::underRoot(root.path());
    SilentDialogs dialogs;
    FolderProgram program {paths.programFolder};
    SystemClock clock;
    SettingsStore settings {paths.configFolder};
    PathMapper mapper {paths};
    RegionalFormat formats {QLocale(QLocale::Turkish, QLocale::Turkey)};
    Services services {dialogs, program, clock, settings, mapper, formats};
    std::unique_ptr<Terminal> terminal;
};

Machine *g_machine = nullptr;

QString suffix()
{
    return layoutSuffix(g_machine->terminal->form());
}

// The file of the situation the form is in (Label5 names it "Cari").
QString layoutFile()
{
    return g_machine->paths.programFolder + QStringLiteral("/PuslaCari") + suffix() + QStringLiteral(".Dat");
}

QByteArray saved()
{
    g_machine->terminal->gridLayout().SaveGridLayout();
    QFile file(layoutFile());
    if (!file.open(QIODevice::ReadOnly))
        fuzz::fault("the grid layout was not saved");
    return file.readAll();
}

// The flag of each saved line, "#TRUE#" or "#FALSE#".
QList<QByteArray> shownColumns(const QByteArray &layout)
{
    QList<QByteArray> flags;
    for (const QByteArray &line : layout.split('\n'))
        flags.append(line.mid(line.indexOf(',') + 1).trimmed());
    return flags;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    fuzz::quietQt();
    new QApplication(*argc, *argv);
    g_machine = new Machine;
    QDir().mkpath(g_machine->paths.programFolder);
    QDir().mkpath(g_machine->paths.configFolder);
    g_machine->terminal = std::make_unique<Terminal>(g_machine->services);
    TerminalForm &form = g_machine->terminal->form();
    form.Label5->setText(QStringLiteral("Cari"));
    form.show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    {
        QFile file(layoutFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            fuzz::fault("the grid layout file cannot be written");
    }
    GridLayout &layout = g_machine->terminal->gridLayout();
    layout.LoadGridLayout(suffix());
    const QByteArray first = saved();
    layout.LoadGridLayout(suffix());
    const QByteArray second = saved();
    if (shownColumns(first) != shownColumns(second))
        fuzz::fault("a saved layout loads with other columns shown",
            QString::fromLatin1(first.toPercentEncoding(" ,#")) + u"\n-> "
                + QString::fromLatin1(second.toPercentEncoding(" ,#")));
    return 0;
}
