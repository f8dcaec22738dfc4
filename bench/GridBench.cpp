// The capture grid over a working list of a million lines: the grid must
// show its first page and jump anywhere without loading the list. Measured on
// the real main form, headless: the refresh of DataTemp (its record set reads
// the row ids in the list's order), the model reset and the first paint of
// DBGrid1; then jumps of the grid to the middle and the end of the list, and
// the grid following the current line there.

#include "GridFixture.h"

#include "data/DataRoutines.h"
#include "forms/TerminalForm.h"
#include "store/DataControl.h"

#include <QElapsedTimer>
#include <QTableView>
#include <benchmark/benchmark.h>

namespace pusla {
namespace {

using bench::fixture;
using bench::GridFixture;
using bench::kWorkingList;

void paint(QTableView &grid)
{
    benchmark::DoNotOptimize(grid.grab());
}

void BM_GridRefreshFirstPage(benchmark::State &state)
{
    GridFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError(f.errorText.toLocal8Bit().constData());
        return;
    }
    double refreshSeconds = 0;
    double paintSeconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        RefreshData(*f.form->DataTemp);
        refreshSeconds += double(timer.nsecsElapsed()) / 1e9;
        timer.restart();
        paint(f.grid());
        paintSeconds += double(timer.nsecsElapsed()) / 1e9;
    }
    state.counters["refresh_ms"] = benchmark::Counter(refreshSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["paint_ms"] = benchmark::Counter(paintSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["rows"] = f.grid().model()->rowCount();
}
BENCHMARK(BM_GridRefreshFirstPage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

/// The same refresh on Data1, which no grid shows: the difference to the
/// refresh above is what the two grids' resets cost.
void BM_RefreshWithoutGrids(benchmark::State &state)
{
    GridFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError(f.errorText.toLocal8Bit().constData());
        return;
    }
    DataControl &control = *f.form->Data1;
    control.setDatabaseName(f.form->DataTemp->databaseName());
    control.setRecordSource(kWorkingList);
    for (auto _ : state)
        RefreshData(control);
    control.close();
}
BENCHMARK(BM_RefreshWithoutGrids)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

/// Jumps from the top to a place given in percent of the list (scrollTo and
/// paint), and back to the top untimed, so that every jump lands on rows the
/// record set does not hold yet.
void BM_GridScrollTo(benchmark::State &state)
{
    GridFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError(f.errorText.toLocal8Bit().constData());
        return;
    }
    QTableView &grid = f.grid();
    const int rows = grid.model()->rowCount();
    const int target = std::min(rows - 1, int(qint64(rows) * state.range(0) / 100));
    int shift = 0;
    for (auto _ : state) {
        grid.scrollTo(grid.model()->index(std::max(0, target - shift), 0));
        paint(grid);
        state.PauseTiming();
        shift = (shift + 97) % 1000;
        grid.scrollToTop();
        paint(grid);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridScrollTo)
    ->Arg(50)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

/// The current line moved far (a drag or the wheel at the end of a jump):
/// both grids follow it and DBGrid1 paints around it.
void BM_GridFollowCurrentLine(benchmark::State &state)
{
    GridFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError(f.errorText.toLocal8Bit().constData());
        return;
    }
    Recordset &records = f.form->DataTemp->recordset();
    const int rows = records.recordCount();
    int step = 0;
    for (auto _ : state) {
        // Alternate between the two halves so that each move leaves the rows read last.
        const int position = (step % 2 == 0 ? rows / 2 : rows - 1) - (step * 131) % 1000;
        records.setAbsolutePosition(position);
        paint(f.grid());
        ++step;
    }
}
BENCHMARK(BM_GridFollowCurrentLine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
