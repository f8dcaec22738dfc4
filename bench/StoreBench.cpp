// The scan box looks an item up in the working list and the stock cards with
// FindFirst by barcode, second and third barcode, stock code, exact name and
// name prefix. Each must be an index seek: at 100,000 and 1,000,000 cards the
// median should stay below 100 µs and within five times a raw prepared SQLite
// lookup of the same row (RawLookup, same run). RefreshData on the 100,000-row
// working list (refresh, MoveLast, MoveFirst) should stay below 50 ms.
// Scan is one whole press of Enter: refresh of the working list, then a find.
//
// The stock files are generated once into $PUSLA_BENCH_DIR (default: the
// system's temporary folder) and reused by later runs.

#include "StockGenerator.h"

#include "store/DataControl.h"
#include "store/Database.h"
#include "store/jet/JetSql.h"
#include "base/PathMapper.h"
#include "base/TextFold.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <sqlite3.h>

namespace pusla {
namespace {

using bench::StockGenerator;

constexpr int kTargets = 1024;
const QString kWorkingList = QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");

enum class Lookup { Barkod, Barkod2, Barkod3, StokKod, StokAdi, NamePrefix };
constexpr Lookup kLookups[]
    = {Lookup::Barkod, Lookup::Barkod2, Lookup::Barkod3, Lookup::StokKod, Lookup::StokAdi, Lookup::NamePrefix};

const char *lookupName(Lookup lookup)
{
    constexpr const char *names[] = {"Barkod", "Barkod2", "Barkod3", "StokKod", "StokAdi", "NamePrefix"};
    return names[int(lookup)];
}

// What the operator types for the card: the text of the looked-up field;
// for a prefix, the name up to its size ("Ülker Bisküvi Kakaolu 500 gr ").
QString typedText(Lookup lookup, int card)
{
    switch (lookup) {
    case Lookup::Barkod:
        return StockGenerator::barcode(card, 1);
    case Lookup::Barkod2:
        return StockGenerator::barcode(card, 2);
    case Lookup::Barkod3:
        return StockGenerator::barcode(card, 3);
    case Lookup::StokKod:
        return StockGenerator::code(card);
    case Lookup::StokAdi:
        return StockGenerator::name(card);
    case Lookup::NamePrefix:
        return StockGenerator::name(card).chopped(7);
    }
    return {};
}

QString criteria(Lookup lookup, int card)
{
    if (lookup == Lookup::NamePrefix)
        return QStringLiteral("StokAdi like ") + jetQuoted(typedText(lookup, card) + u'*');
    const char *field = lookup == Lookup::StokAdi ? "StokAdi" : lookupName(lookup);
    return QString::fromLatin1(field) + u'=' + jetQuoted(typedText(lookup, card));
}

// Visible cards spread over the file that have the looked-up field.
std::vector<int> targets(Lookup lookup, int count)
{
    const int step = lookup == Lookup::Barkod2 ? 3 : lookup == Lookup::Barkod3 ? 7 : 1;
    std::vector<int> cards;
    for (qint64 k = 0; int(cards.size()) < kTargets; ++k) {
        const int card = int((k * 7919 * step) % count) / step * step;
        if (!StockGenerator::hidden(card))
            cards.push_back(card);
    }
    return cards;
}

/// A temporary machine whose program folder holds the generated stock file.
struct StockFile
{
    explicit StockFile(int count)
        : root(qEnvironmentVariable("PUSLA_BENCH_DIR", QDir::tempPath() + QStringLiteral("/pusla-store-bench")))
        , mapper(Paths::underRoot(root))
        , name(QStringLiteral("Stok%1.mdb").arg(count))
    {
        QDir().mkpath(mapper.paths().programFolder);
        const QString local = mapper.paths().programFolder + u'/' + name;
        const bool ready
            = hasCards(local, count) ? StockGenerator::addIndexes(local) : StockGenerator::write(local, count);
        if (!ready)
            qFatal("cannot write %s", qPrintable(local));
    }

    static bool hasCards(const QString &path, int count)
    {
        if (!QFile::exists(path))
            return false;
        sqlite3 *db = nullptr;
        sqlite3_stmt *statement = nullptr;
        bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
            && sqlite3_prepare_v2(db, "SELECT count(*) FROM StokKartlar", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_int(statement, 0) == count;
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return ok;
    }

    QString windowsPath() const { return mapper.paths().programFolder + u'\\' + name; }
    QString localPath() const { return mapper.paths().programFolder + u'/' + name; }

    static StockFile &get(int count)
    {
        static std::map<int, std::unique_ptr<StockFile>> files;
        auto &file = files[count];
        if (!file)
            file = std::make_unique<StockFile>(count);
        return *file;
    }

    QString root;
    PathMapper mapper;
    QString name;
};

void findFirst(benchmark::State &state, int count, bool workingList, Lookup lookup)
{
    StockFile &file = StockFile::get(count);
    DataControl data(file.mapper);
    data.setDatabaseName(file.windowsPath());
    data.setRecordSource(workingList ? kWorkingList : QStringLiteral("StokKartlar"));
    data.refresh();
    Recordset &rs = data.recordset();
    std::vector<QString> texts;
    for (int card : targets(lookup, count))
        texts.push_back(criteria(lookup, card));
    rs.findFirst(texts.front()); // builds the way back from row to position once
    size_t next = 0;
    int misses = 0;
    for (auto _ : state) {
        rs.findFirst(texts[next]);
        misses += rs.noMatch() ? 1 : 0;
        next = (next + 1) % texts.size();
    }
    if (misses > 0)
        state.SkipWithError("a card was not found");
}

void rawLookup(benchmark::State &state, int count, Lookup lookup)
{
    StockFile &file = StockFile::get(count);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file.localPath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(db, "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr);
    const QString field = QString::fromLatin1(lookup == Lookup::NamePrefix ? "StokAdi" : lookupName(lookup));
    const QString folded = foldSqlExpression(field);
    const QString sql = lookup == Lookup::NamePrefix
        ? QStringLiteral("SELECT rowid FROM StokKartlar WHERE %1 >= ?1 AND %1 < ?2 ORDER BY %1, rowid LIMIT 1")
              .arg(folded)
        : QStringLiteral("SELECT rowid FROM StokKartlar WHERE %1 = ?1").arg(folded);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare16_v2(db, sql.utf16(), -1, &statement, nullptr);
    std::vector<std::pair<QString, QString>> keys;
    for (int card : targets(lookup, count)) {
        const QString key = foldText(typedText(lookup, card));
        QString upper = key;
        upper.back() = QChar(upper.back().unicode() + 1);
        keys.emplace_back(key, upper);
    }
    size_t next = 0;
    for (auto _ : state) {
        const auto &[key, upper] = keys[next];
        sqlite3_bind_text16(statement, 1, key.utf16(), int(key.size() * 2), SQLITE_STATIC);
        if (lookup == Lookup::NamePrefix)
            sqlite3_bind_text16(statement, 2, upper.utf16(), int(upper.size() * 2), SQLITE_STATIC);
        if (sqlite3_step(statement) != SQLITE_ROW)
            state.SkipWithError("a card was not found");
        benchmark::DoNotOptimize(sqlite3_column_int64(statement, 0));
        sqlite3_reset(statement);
        next = (next + 1) % keys.size();
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// RefreshData: re-run the record source, move to the last and the first line.
// Between two refreshes a line's quantity changes, as after an entry, so
// that every refresh reads the file again; `unchanged` measures the refresh
// of a file nobody wrote to since.
void refreshData(benchmark::State &state, int count, bool unchanged)
{
    StockFile &file = StockFile::get(count);
    DataControl data(file.mapper);
    data.setDatabaseName(file.windowsPath());
    data.setRecordSource(kWorkingList);
    Database direct = Database::open(file.mapper, file.windowsPath());
    data.refresh(); // a program refreshes the same control again and again
    for (auto _ : state) {
        if (!unchanged) {
            state.PauseTiming();
            direct.execute(QStringLiteral("UPDATE StokKartlar Set KalanA=KalanA+1 WHERE StokKod='STK0000001'"));
            state.ResumeTiming();
        }
        data.refresh();
        Recordset &rs = data.recordset();
        if (!rs.bof())
            rs.moveLast();
        if (!rs.eof())
            rs.moveFirst();
        benchmark::DoNotOptimize(rs.recordCount());
    }
}

// One press of Enter in the scan box after an entry: re-query the working
// list, then find the scanned barcode.
void scan(benchmark::State &state, int count)
{
    StockFile &file = StockFile::get(count);
    DataControl data(file.mapper);
    data.setDatabaseName(file.windowsPath());
    data.setRecordSource(kWorkingList);
    Database direct = Database::open(file.mapper, file.windowsPath());
    const std::vector<int> cards = targets(Lookup::Barkod, count);
    data.refresh();
    size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        direct.execute(QStringLiteral("UPDATE StokKartlar Set KalanA=KalanA+1 WHERE StokKod='STK0000001'"));
        state.ResumeTiming();
        data.refresh();
        data.recordset().findFirst(criteria(Lookup::Barkod, cards[next]));
        next = (next + 1) % cards.size();
    }
}

bool registerAll()
{
    for (int count : {100000, 1000000}) {
        for (Lookup lookup : kLookups) {
            const std::string suffix = std::string("/") + lookupName(lookup) + "/" + std::to_string(count);
            for (bool workingList : {false, true}) {
                benchmark::RegisterBenchmark(
                    ((workingList ? "FindFirst/WorkingList" : "FindFirst/StockCards") + suffix).c_str(),
                    [=](benchmark::State &state) { findFirst(state, count, workingList, lookup); })
                    ->Unit(benchmark::kMicrosecond)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true);
            }
            benchmark::RegisterBenchmark(
                ("RawLookup" + suffix).c_str(), [=](benchmark::State &state) { rawLookup(state, count, lookup); })
                ->Unit(benchmark::kMicrosecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        }
        for (bool unchanged : {false, true}) {
            benchmark::RegisterBenchmark(
                ((unchanged ? "RefreshData/Unchanged/" : "RefreshData/WorkingList/") + std::to_string(count)).c_str(),
                [=](benchmark::State &state) { refreshData(state, count, unchanged); })
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        }
        benchmark::RegisterBenchmark(
            ("Scan/WorkingList/" + std::to_string(count)).c_str(), [=](benchmark::State &state) { scan(state, count); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    return true;
}

const bool registered = registerAll();

} // namespace
} // namespace pusla
