// The capture grid's layout file, saved as at the end of the operator's
// column drag and loaded as a mode switch loads it, on the real main form,
// headless. Target: a save below 5 ms, the file written through its save
// copy and renamed into place each time.

#include "app/Terminal.h"
#include "base/Clock.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "capture/GridLayout.h"
#include "forms/QtProgram.h"
#include "forms/TerminalForm.h"
#include "forms/Unattended.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace pusla {
namespace {

/// The main form on an empty program folder, made once per run.
struct LayoutFixture
{
    LayoutFixture()
        : paths(Paths::underRoot(root.path()))
        , mapper(paths)
        , program(paths.programFolder)
        , settings(paths.configFolder)
        , formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , services {dialogs, program, clock, settings, mapper, formats}
    {
        for (const QString &dir : {paths.programFolder, paths.configFolder})
            QDir().mkpath(dir);
        terminal = new Terminal(services);
        terminal->form().show();
        QApplication::processEvents();
    }

    QTemporaryDir root;
    Paths paths;
    PathMapper mapper;
    RecordingDialogs dialogs;
    QtProgram program;
    SystemClock clock;
    SettingsStore settings;
    RegionalFormat formats;
    Services services;
    // Never deleted: the application object is gone by the time a static
    // fixture goes, and a widget must not be destroyed after it.
    Terminal *terminal = nullptr;
};

LayoutFixture &fixture()
{
    static LayoutFixture instance;
    return instance;
}

void BM_SaveGridLayout(benchmark::State &state)
{
    LayoutFixture &f = fixture();
    QHeaderView &header = *f.terminal->form().DBGrid1->horizontalHeader();
    int step = 0;
    for (auto _ : state) {
        // A new width each time, so that the captions are padded afresh.
        state.PauseTiming();
        header.resizeSection(0, 90 + step++ % 40);
        state.ResumeTiming();
        f.terminal->gridLayout().SaveGridLayout();
    }
}
BENCHMARK(BM_SaveGridLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

void BM_LoadGridLayout(benchmark::State &state)
{
    LayoutFixture &f = fixture();
    GridLayout &layout = f.terminal->gridLayout();
    layout.SaveGridLayout();
    for (auto _ : state)
        layout.LoadGridLayout(QStringLiteral("2"));
}
BENCHMARK(BM_LoadGridLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
