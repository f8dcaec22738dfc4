// The capture grid over a working list of a million lines: the grid must
// show its first page and jump anywhere without loading the list. Measured on
// the real main form, headless: the refresh of DataTemp (its record set reads
// the row ids in the list's order), the model reset and the first paint of
// DBGrid1; then jumps of the grid to the middle and the end of the list, and
// the grid following the current line there.

#include "app/Terminal.h"
#include "base/Services.h"
#include "forms/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/SchemaDdl.h"
#include "base/Clock.h"
#include "store/DataControl.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "forms/QtProgram.h"
#include "forms/Unattended.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace pusla {
namespace {

constexpr int kLines = 1'000'000;

const QString kWorkingList = QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");

/// Writes the working database with one statement: names in a scrambled
/// order (so that the list's sort has work to do), every fiftieth card
/// hidden. The lookup indexes are left out; the grid does not use them.
bool writeWorkingList(const QString &path, QString *errorText)
{
    schema::ScopedConnection connection(path);
    if (!connection.open(errorText)
        || !schema::createTables(connection.database(), schema::DatabaseKind::LocalStock, errorText))
        return false;
    QSqlQuery query(connection.database());
    const QString insert = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, Fiyat, Fiyat2, KalanB, KalanA, GirenTutar, StokGizle) "
        "SELECT printf('S%07d', i), printf('ÜRÜN %07d', (i * 7919) % 1000003), printf('869%010d', i), "
        "(i % 1000) * 1.25, (i % 1000) * 1.25, (i % 7) * 0.5, 0, (i % 7) * 0.5 * (i % 1000) * 1.25, "
        "CASE WHEN i % 50 = 0 THEN -1 ELSE 0 END FROM n");
    if (!query.exec(insert.arg(kLines))) {
        *errorText = query.lastError().text();
        return false;
    }
    return true;
}

/// The main form with DataTemp on the million-line Temp.Mdb, made once per run.
struct GridFixture
{
    GridFixture()
        : paths(Paths::underRoot(root.path()))
        , mapper(paths)
        , program(paths.programFolder)
        , settings(paths.configFolder)
        , formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , services {dialogs, program, clock, settings, mapper, formats}
    {
        for (const QString &dir : {paths.programFolder, paths.sharesRoot, paths.configFolder})
            QDir().mkpath(dir);
        if (!writeWorkingList(paths.programFolder + QStringLiteral("/Temp.Mdb"), &errorText))
            return;
        form = &(new Terminal(services))->form();
        form->show();
        QApplication::processEvents();
        form->DataTemp->setDatabaseName(paths.programFolder + QStringLiteral("\\Temp.Mdb"));
        form->DataTemp->setRecordSource(kWorkingList);
        RefreshData(*form->DataTemp);
        ready = form->DBGrid1->model()->rowCount() > kLines / 2;
        if (!ready)
            errorText = QStringLiteral("the working list came out empty");
    }

    QTableView &grid() const { return *form->DBGrid1; }

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
    TerminalForm *form = nullptr;
    QString errorText;
    bool ready = false;
};

GridFixture &fixture()
{
    static GridFixture instance;
    return instance;
}

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
