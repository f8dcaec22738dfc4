// The count report as closing the program leaves it: the working list read
// afresh and appended as one block, and the desktop entry written, on the
// real main form, headless. Target: below 1 s for 100,000 lines.

#include "GridFixture.h"

#include "app/ClosingReport.h"
#include "forms/Controls.h"

#include <QFile>
#include <QGroupBox>
#include <QSignalBlocker>
#include <benchmark/benchmark.h>

namespace pusla {
namespace {

void BM_ClosingReport(benchmark::State &state)
{
    bench::GridFixture *f = bench::readyFixture(state, int(state.range(0)));
    if (!f)
        return;
    TerminalForm &form = *f->form;
    const bool rolePanelShown = form.Frame4->isVisible();
    form.Frame4->hide(); // a role was chosen
    {
        const QSignalBlocker blocker(form.Combo1);
        form.Combo1->clearEntries();
        form.Combo1->addEntry(QStringLiteral("Merkez"));
        form.Combo1->setListIndex(0);
    }
    const QString report = f->paths.driveRoots.value(u'C') + QStringLiteral("/MuhasebeData/Merkez.txt");
    for (auto _ : state) {
        leaveCountReport(form);
        state.PauseTiming();
        state.counters["bytes"] = double(QFile(report).size());
        QFile::remove(report);
        state.ResumeTiming();
    }
    form.Frame4->setVisible(rolePanelShown);
}
BENCHMARK(BM_ClosingReport)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
