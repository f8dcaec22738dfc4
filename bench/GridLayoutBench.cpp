// The capture grid's layout file, saved as at the end of the operator's
// column drag and loaded as a mode switch loads it, on the real main form,
// headless. Target: a save below 5 ms, the file written through its save
// copy and renamed into place each time.

#include "GridFixture.h"

#include "capture/GridLayout.h"

#include <QHeaderView>
#include <benchmark/benchmark.h>

namespace pusla {
namespace {

using bench::GridFixture;

// A short working list: the layout does not depend on the lines.
constexpr int kLines = 100;

void BM_SaveGridLayout(benchmark::State &state)
{
    GridFixture *f = bench::readyFixture(state, kLines);
    if (!f)
        return;
    QHeaderView &header = *f->terminal->form().DBGrid1->horizontalHeader();
    int step = 0;
    for (auto _ : state) {
        // A new width each time, so that the captions are padded afresh.
        state.PauseTiming();
        header.resizeSection(0, 90 + step++ % 40);
        state.ResumeTiming();
        f->terminal->gridLayout().SaveGridLayout();
    }
}
BENCHMARK(BM_SaveGridLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

void BM_LoadGridLayout(benchmark::State &state)
{
    GridFixture *f = bench::readyFixture(state, kLines);
    if (!f)
        return;
    GridLayout &layout = f->terminal->gridLayout();
    layout.SaveGridLayout();
    for (auto _ : state)
        layout.LoadGridLayout(QStringLiteral("2"));
}
BENCHMARK(BM_LoadGridLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
