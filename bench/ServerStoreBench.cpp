// The books on a PostgreSQL server, over its unix socket: the lookups the
// scan box makes (a barcode, a selective name prefix; one row per round
// trip) on 100,000 and 1,000,000 cards, and the name-ordered keyset of a
// working list. Targets: a median below 0.1 ms and 0.2 ms per lookup, below
// 30 ms for a keyset of 100,000.
// The server is the one PUSLA_BENCH_PG (or PUSLA_TEST_PG) names; without
// one the benchmarks are skipped.

#include "DemoDataSet.h"
#include "data/ServerLoad.h"
#include "posting/WorkingListViews.h"
#include "store/DbError.h"
#include "store/KeysetQuery.h"
#include "store/jet/JetSql.h"
#include "store/jet/RecordSourcePlan.h"
#include "store/pg/PgConnection.h"

#include <QProcessEnvironment>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <unistd.h>

namespace pusla {
namespace {

/// The demo centre's books with `cards` cards, loaded into a database of
/// their own, and a session on it.
struct ServerBooks
{
    explicit ServerBooks(int cards)
        : files(cards, {})
    {
        if (!files.ready || benchServer().isEmpty()) {
            error = benchServer().isEmpty() ? QStringLiteral("no server: set PUSLA_BENCH_PG") : files.error;
            return;
        }
        try {
            db = std::make_unique<PgConnection>(
                makeBenchDatabase(QStringLiteral("pusla_bench_%1_%2").arg(::getpid()).arg(cards)));
            const serverload::LoadResult loaded = serverload::loadCompany(*db, files.file(QStringLiteral("01")),
                files.file(QStringLiteral("FatNo.txt")), QStringLiteral("01"), false);
            if (!loaded.ok) {
                error = loaded.errorText;
                db.reset();
                return;
            }
            table = db->tableInfo(QStringLiteral("01"), QStringLiteral("StokKartlar"));
            for (const QVariantList &row :
                db->exec(QStringLiteral(
                             R"(SELECT "Barkod", "StokAdi" FROM "01"."StokKartlar" ORDER BY random() LIMIT 256)"))
                    .rows)
                samples.emplace_back(row[0].toString(), row[1].toString());
        } catch (const DbError &e) {
            error = e.text();
            db.reset();
        }
    }

    /// The first card that a criterion finds, in the order given.
    qint64 first(const QString &criteria, const QString &order, int sortColumn = -1)
    {
        const SqlText where = translateCriteria(criteria, table, sortColumn, SqlDialect::Postgres);
        return db
            ->exec(QStringLiteral(R"(SELECT id FROM "01"."StokKartlar" WHERE %1 ORDER BY %2 LIMIT 1)")
                       .arg(numberedParameters(where.sql), order),
                where.params)
            .value()
            .toLongLong();
    }

    DemoDataSet files;
    std::unique_ptr<PgConnection> db;
    TableInfo table;
    std::vector<std::pair<QString, QString>> samples;
    QString error;
};

ServerBooks *books(benchmark::State &state)
{
    static std::map<int, std::unique_ptr<ServerBooks>> made;
    std::unique_ptr<ServerBooks> &slot = made[int(state.range(0))];
    if (!slot)
        slot = std::make_unique<ServerBooks>(int(state.range(0)));
    if (!slot->db) {
        state.SkipWithError(slot->error.toStdString().c_str());
        return nullptr;
    }
    return slot.get();
}

void BM_ServerBarcodeLookup(benchmark::State &state)
{
    ServerBooks *b = books(state);
    if (!b)
        return;
    size_t i = 0;
    for (auto _ : state) {
        const QString criteria = QStringLiteral("Barkod=") + jetQuoted(b->samples[i++ % b->samples.size()].first);
        benchmark::DoNotOptimize(b->first(criteria, QStringLiteral("id")));
    }
}
BENCHMARK(BM_ServerBarcodeLookup)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The first two words of a name, as the operator types the start of one.
void BM_ServerNamePrefix(benchmark::State &state)
{
    ServerBooks *b = books(state);
    if (!b)
        return;
    const int name = b->table.indexOf(u"StokAdi");
    size_t i = 0;
    for (auto _ : state) {
        const QString prefix = b->samples[i++ % b->samples.size()].second.section(u' ', 0, 1);
        const QString criteria = QStringLiteral("StokAdi like ") + jetQuoted(prefix + u'*');
        benchmark::DoNotOptimize(b->first(criteria, QStringLiteral(R"("StokAdi_sort" ASC NULLS FIRST, id)"), name));
    }
}
BENCHMARK(BM_ServerNamePrefix)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond)->Repetitions(3)->ReportAggregatesOnly(true);

// The row ids of the visible cards in name order: what the working list holds,
// asked for as the program asks.
void BM_ServerNameKeyset(benchmark::State &state)
{
    ServerBooks *b = books(state);
    if (!b)
        return;
    const RecordSourcePlan list = planRecordSource(workingListView(WorkingListView::AllByName),
        QStringLiteral("01"), [b](const QString &) { return b->table; }, SqlDialect::Postgres);
    const SqlText keys = keysetStatement(QStringLiteral("id"), QStringLiteral(R"("01"."StokKartlar")"), list);
    const QString sql = numberedParameters(keys.sql);
    for (auto _ : state) {
        const std::vector<qint64> ids = b->db->execKeys(sql, keys.params);
        state.counters["rows"] = double(ids.size());
    }
}
BENCHMARK(BM_ServerNameKeyset)->Arg(100'000)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
