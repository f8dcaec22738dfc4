// The selection and the count build on a large data set, driven through the
// main form as the operator drives it: the centre and ten branches of
// 100,000 stock cards each, made once per run.
//
// - BM_SelectionServerRole: picking a branch in the server role copies its
//   stock database over Temp.Mdb, resets the working list and rebinds the
//   data controls. Target: under 2 s.
// - BM_CountBuild: the first SAYIM tick of a run reads the ten branch files
//   into SayTmp.Mdb. The clock skips each prescribed 2 s pause, so the time
//   is the build's own work. Target: under 15 s.
// - BM_BranchCodeMarking: the branch code written into a branch file card by
//   card with a commit per card (way 0), card by card in one transaction
//   (way 1), or in one statement (way 2, as the count build does).

#include "DemoDataSet.h"
#include "app/Terminal.h"
#include "app/RoleChoice.h"
#include "base/Services.h"
#include "forms/TerminalForm.h"
#include "demo/DemoData.h"
#include "data/Schema.h"
#include "data/WorkingPlace.h"
#include "forms/ChoiceIndexes.h"
#include "modes/WorkingModes.h"
#include "base/Clock.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "base/Dialogs.h"
#include "base/PathMapper.h"
#include "base/Program.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "store/Transaction.h"
#include "forms/Controls.h"
#include "forms/Unattended.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace pusla {
namespace {

using namespace schema;

constexpr int kCards = 100000;
constexpr int kBranches = 10;

/// A real monotonic clock that can be told to jump ahead.
class SkippingClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    double seconds() const override { return m_real.seconds() + skipped; }

    double skipped = 0;

private:
    SystemClock m_real;
};

/// Letting events run jumps over the rest of a pause.
class SkippingProgram final : public UnattendedProgram
{
public:
    SkippingProgram(QString folder, SkippingClock &clock)
        : UnattendedProgram(std::move(folder))
        , m_clock(clock)
    { }

    void doEvents() override
    {
        UnattendedProgram::doEvents();
        m_clock.skipped += 2.0;
        ++pauses;
    }

    int pauses = 0;

private:
    SkippingClock &m_clock;
};

QStringList branchCodes()
{
    QStringList codes;
    for (int i = 0; i < kBranches; ++i)
        codes.append(QStringLiteral("%1").arg(i + 2, 2, 10, QLatin1Char('0')));
    return codes;
}

DemoDataSet &dataSet()
{
    static DemoDataSet instance(kCards, branchCodes());
    return instance;
}

/// One terminal: the main form with its services over the data set.
struct Station
{
    explicit Station(const Paths &paths)
        : program(paths.programFolder, clock)
        , settings(paths.configFolder)
        , mapper(paths)
        , formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , services {dialogs, program, clock, settings, mapper, formats}
        , composition(services)
        , form(composition.form())
    {
        form.show();
        form.Option1[kServerRole]->setValue(true);
    }

    RecordingDialogs dialogs {MessageAnswer::Yes};
    SkippingClock clock;
    SkippingProgram program;
    SettingsStore settings;
    PathMapper mapper;
    RegionalFormat formats;
    Services services;
    Terminal composition;
    TerminalForm &form;
};

void BM_SelectionServerRole(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    Station terminal(dataSet().paths);
    TerminalForm &f = terminal.form;
    int pick = 1;
    for (auto _ : state) {
        f.Combo1->setListIndex(pick);
        pick = pick == 1 ? 2 : 1;
    }
    if (!terminal.dialogs.messages.isEmpty() || !f.DataTemp->recordset().isOpen())
        state.SkipWithError("the selection did not complete");
    state.counters["cards"] = f.DataTemp->recordset().recordCount();
}
BENCHMARK(BM_SelectionServerRole)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CountBuild(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        auto terminal = std::make_unique<Station>(dataSet().paths);
        if (!terminal->dialogs.messages.isEmpty()) {
            const QString why = QStringLiteral("the role choice did not complete: ") + terminal->dialogs.messages.join(u' ');
            state.SkipWithError(why.toStdString().c_str());
            break;
        }
        state.ResumeTiming();

        terminal->form.Check1[kCount]->setValue(1);

        state.PauseTiming();
        if (!terminal->composition.modes().countBaseBuilt() || !terminal->dialogs.messages.isEmpty()) {
            state.SkipWithError("the count database was not built");
            break;
        }
        state.counters["skippedPauses"] = terminal->program.pauses;
        terminal.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CountBuild)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);

// The role choice's check of the program folder and of its working list, a
// copy of the centre's cards: every user waits for it once per run.
void BM_WorkingPlaceCheck(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    const PathMapper mapper(dataSet().paths);
    QString problem;
    for (auto _ : state)
        problem = workingPlaceProblem(mapper, dataSet().paths.programFolder);
    if (!problem.isEmpty())
        state.SkipWithError(problem.toStdString().c_str());
    state.counters["MiB"] = double(QFileInfo(QDir(dataSet().paths.programFolder).filePath(QString(files::Temp))).size())
        / (1024 * 1024);
}
BENCHMARK(BM_WorkingPlaceCheck)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

enum MarkingWay { CommitPerCard, OneTransaction, OneStatement };

void BM_BranchCodeMarking(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    const auto way = static_cast<MarkingWay>(state.range(0));
    const QString file = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02Stok.mdb");
    const QString visible = QStringLiteral("%1=False").arg(StokKartlar::StokGizle);
    const PathMapper mapper(dataSet().paths);
    DataControl branch(mapper);
    branch.setDatabaseName(file);
    branch.setRecordSource(QStringLiteral("Select * From %1 Where %2 Order By %3 Asc")
                               .arg(StokKartlar::Table, visible, StokKartlar::StokAdi));
    // A commit per card takes an fsync each: a sample of the file is enough.
    const int limit = way == CommitPerCard ? 2000 : kCards;
    int written = 0;
    for (auto _ : state) {
        branch.refresh();
        if (way == OneStatement) {
            Database database = Database::open(mapper, file);
            written += database.execute(
                QStringLiteral("UPDATE %1 Set %2='02' Where %3").arg(StokKartlar::Table, StokKartlar::Sube, visible));
            continue;
        }
        Recordset &records = branch.recordset();
        Transaction transaction(mapper);
        if (way == OneTransaction)
            transaction.begin();
        for (int i = 0; i < limit && !records.eof(); ++i, ++written) {
            records.edit();
            records.setField(QString(StokKartlar::Sube), QStringLiteral("02"));
            records.update();
            records.moveNext();
        }
        if (way == OneTransaction)
            transaction.commit();
    }
    state.SetItemsProcessed(written);
}
BENCHMARK(BM_BranchCodeMarking)
    ->ArgName("way")
    ->Arg(CommitPerCard)
    ->Arg(OneTransaction)
    ->Arg(OneStatement)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
