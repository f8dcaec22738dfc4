// What a finger costs on the grids over long working lists, on the real main
// form, headless: a header tap's sort (the re-query in the new order and the
// first page painted; the review grid's header, which has no one-second
// caption flash), a drag of twenty rows, a wheel step and a row tap.

#include "GridFixture.h"

#include "capture/ItemGrids.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "store/DataControl.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>
#include <benchmark/benchmark.h>

namespace pusla {
namespace {

using bench::GridFixture;
using bench::readyFixture;

/// Taps on a header of the review grid: every tap re-sorts, the direction
/// changing each time. Column 0 is the name, 2 the quantity (KalanB).
void BM_HeaderSort(benchmark::State &state)
{
    GridFixture *f = readyFixture(state, int(state.range(0)));
    if (!f)
        return;
    QHeaderView &header = *f->form->DBGrid2->horizontalHeader();
    const int column = int(state.range(1));
    for (auto _ : state) {
        emit header.sectionClicked(column);
        benchmark::DoNotOptimize(f->form->DBGrid1->grab());
    }
    state.counters["rows"] = f->form->DBGrid1->model()->rowCount();
    f->form->DataTemp->setRecordSource(bench::kWorkingList);
    RefreshData(*f->form->DataTemp);
}
BENCHMARK(BM_HeaderSort)
    ->ArgNames({"lines", "column"})
    ->Args({100'000, ItemGrids::ReviewStokAdi})
    ->Args({100'000, ItemGrids::ReviewMiktar})
    ->Args({1'000'000, ItemGrids::ReviewStokAdi})
    ->Args({1'000'000, ItemGrids::ReviewMiktar})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

QPoint rowCentre(const QTableView &grid, int row)
{
    return grid.visualRect(grid.model()->index(row, ItemGrids::CaptureStokAdi)).center();
}

/// A finger pressed on a line in the middle of the million and drawn up by
/// twenty rows: the line twenty further down becomes current.
void BM_DragTwentyRows(benchmark::State &state)
{
    GridFixture *f = readyFixture(state, bench::kLines);
    if (!f)
        return;
    QTableView &grid = *f->form->DBGrid1;
    Recordset &lines = f->form->DataTemp->recordset();
    const QPoint twentyRows(0, 20 * f->form->Label7->height());
    int shift = 0;
    for (auto _ : state) {
        state.PauseTiming();
        lines.setAbsolutePosition(lines.recordCount() / 2 + (shift += 37) % 1000);
        const QPoint from = rowCentre(grid, grid.currentIndex().row());
        state.ResumeTiming();
        QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, from);
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, from - twentyRows);
    }
}
BENCHMARK(BM_DragTwentyRows)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly(true);

/// One notch of the wheel over the capture grid: one line down.
void BM_WheelStep(benchmark::State &state)
{
    GridFixture *f = readyFixture(state, bench::kLines);
    if (!f)
        return;
    // The wheel list as the role choice fills it.
    ComboBox &wheel = *f->form->cmbMouseWheel;
    if (wheel.listCount() == 0) {
        for (const QString &direction : {QStringLiteral("Up"), QStringLiteral("Idle"), QStringLiteral("Down")})
            wheel.addEntry(direction);
    }
    QWidget *viewport = f->form->DBGrid1->viewport();
    Recordset &lines = f->form->DataTemp->recordset();
    lines.setAbsolutePosition(lines.recordCount() / 2);
    const QPointF at = viewport->rect().center();
    for (auto _ : state) {
        QWheelEvent event(at, viewport->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(viewport, &event);
    }
    if (lines.absolutePosition() <= lines.recordCount() / 2)
        state.SkipWithError("the wheel did not move the line");
}
BENCHMARK(BM_WheelStep)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly(true);

/// A tap on a line of the capture grid, alternating between two lines.
void BM_RowTap(benchmark::State &state)
{
    GridFixture *f = readyFixture(state, bench::kLines);
    if (!f)
        return;
    QTableView &grid = *f->form->DBGrid1;
    Recordset &lines = f->form->DataTemp->recordset();
    lines.setAbsolutePosition(lines.recordCount() / 2);
    const int top = grid.rowAt(0);
    int tap = 0;
    for (auto _ : state)
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, rowCentre(grid, top + 1 + (tap++ % 2)));
}
BENCHMARK(BM_RowTap)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
