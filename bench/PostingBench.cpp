// Posting a document of 1,000 lines through the main form, as the operator
// confirms it, over a centre and one branch of 100,000 stock cards each.
//
// - BM_PostInvoice: "Fatura" then "Tamam" in Cari mode: counter, serials, one
//   invoice line, stock movement and card update per line, header, account
//   movements and balances, reset of the working list, in one transaction.
//   Target: under 300 ms. /0 posts into the set's files, /1 into the same
//   books on the PostgreSQL server of benchServer() over its unix socket
//   (target: within 1.5x of /0), counting its round trips; /2 the same
//   through a relay that holds back each direction by 1 ms, as a tablet's
//   Wi-Fi does (target: under 1 s).
// - BM_RawInvoiceTransaction: the same records written by hand-made SQL in
//   one SQLite transaction over the same files: the floor the posting is
//   measured against (target: the posting within 5x of it).
// - BM_PostDepoTransfer: "Güncelle" then "Tamam" in Depo mode: both sides,
//   the branch's and the centre's. Target: under 600 ms.

#include "DemoDataSet.h"
#include "LatencyRelay.h"
#include "app/RoleChoice.h"
#include "app/Terminal.h"
#include "base/Clock.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "base/TextFold.h"
#include "data/ServerLoad.h"
#include "data/SettingKeys.h"
#include "demo/DemoData.h"
#include "forms/ChoiceIndexes.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "forms/Unattended.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "store/pg/PgStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <unistd.h>

namespace pusla {
namespace {

constexpr int kCards = 100000;
constexpr int kLines = 1000;

/// A centre and one branch.
DemoDataSet &dataSet()
{
    static DemoDataSet instance(kCards, {QStringLiteral("02")});
    return instance;
}

/// Runs SQL on a file with its own connection (for laying down lines).
void runSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

/// The operator's lines: 1,000 visible items with a quantity, a price and VAT.
void layDownLines(const Paths &paths)
{
    runSql(paths.programFolder + QStringLiteral("/Temp.Mdb"),
        "UPDATE StokKartlar SET KalanB = 1 + rowid % 5, Fiyat = 2.5, GirenTutar = 2.5 * (1 + rowid % 5), "
        "Kar = 0.45 * (1 + rowid % 5) WHERE rowid IN (SELECT rowid FROM StokKartlar WHERE StokGizle = 0 "
        "ORDER BY rowid LIMIT 1000)");
}

/// The set's centre loaded into a database of its own on the benchmarks'
/// server, once; empty without a server.
QString serverBooks(QString *error)
{
    static QString conninfo;
    static QString problem;
    if (conninfo.isEmpty() && problem.isEmpty()) {
        if (benchServer().isEmpty()) {
            problem = QStringLiteral("no server: set PUSLA_BENCH_PG");
        } else {
            try {
                const QString made = makeBenchDatabase(QStringLiteral("pusla_bench_posting_%1").arg(::getpid()));
                PgConnection db(made);
                const serverload::LoadResult loaded = serverload::loadCompany(db, dataSet().file(QStringLiteral("01")),
                    dataSet().file(QStringLiteral("FatNo.txt")), QStringLiteral("01"), false);
                if (loaded.ok)
                    conninfo = made;
                else
                    problem = loaded.errorText;
            } catch (const DbError &e) {
                problem = e.text();
            }
        }
    }
    *error = problem;
    return conninfo;
}

/// One terminal in the user role with a working mode on; its books on the
/// server `conninfo` names, or in the set's files.
struct Station
{
    Station(const Paths &paths, const char *kind, int mode, const QString &conninfo = {})
        : program(paths.programFolder)
        , settings(paths.configFolder)
        , mapper(paths)
        , formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , services {dialogs, program, clock, settings, mapper, formats}
    {
        settings.saveSetting(
            program.exeName(), settingkeys::Section, settingkeys::OperationKind, QString::fromLatin1(kind));
        settings.saveSetting(program.exeName(), settingkeys::StoreSection, settingkeys::StoreKind,
            conninfo.isEmpty() ? QStringLiteral("sqlite") : QStringLiteral("postgresql"));
        settings.saveSetting(program.exeName(), settingkeys::StoreSection, settingkeys::StoreConninfo, conninfo);
        composition = std::make_unique<Terminal>(services);
        form = &composition->form();
        form->show();
        form->Option1[kUserRole]->setValue(true);
        form->Check1[mode]->setValue(1);
        form->Command7->setValue(true);
    }

    RecordingDialogs dialogs;
    SystemClock clock;
    UnattendedProgram program;
    SettingsStore settings;
    PathMapper mapper;
    RegionalFormat formats;
    Services services;
    std::unique_ptr<Terminal> composition;
    TerminalForm *form = nullptr;
};

void BM_PostInvoice(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    QString conninfo;
    if (state.range(0) >= 1) {
        QString problem;
        conninfo = serverBooks(&problem);
        if (!conninfo.isEmpty() && state.range(0) == 2) {
            static LatencyRelay wifi(conninfo, std::chrono::milliseconds(1));
            conninfo = wifi.connectionInfo();
            problem = wifi.error();
        }
        if (conninfo.isEmpty()) {
            state.SkipWithError(problem.toStdString().c_str());
            return;
        }
    }
    Station terminal(dataSet().paths, "1", 0, conninfo);
    TerminalForm &f = *terminal.form;
    const std::shared_ptr<PgStore> server = PgStore::openOnThisThread();
    qint64 roundTrips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (f.Check1[kSale]->value() == 0) {
            f.Check1[kSale]->setValue(1);
            f.Command7->setValue(true);
        }
        layDownLines(dataSet().paths);
        const qint64 before = server ? server->session().roundTrips() : 0;
        state.ResumeTiming();

        f.FatCmd->setValue(true);
        f.Command8[1]->setValue(true);

        state.PauseTiming();
        roundTrips += server ? server->session().roundTrips() - before : 0;
        state.ResumeTiming();
    }
    if (!terminal.dialogs.messages.isEmpty())
        state.SkipWithError(terminal.dialogs.messages.join(u'\n').toStdString().c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
    if (server)
        state.counters["round_trips"] = double(roundTrips) / double(state.iterations());
}
BENCHMARK(BM_PostInvoice)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

/// Steps one prepared statement to its end, then resets it.
bool runStatement(sqlite3_stmt *statement)
{
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

void BM_RawInvoiceTransaction(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    const DemoDataSet &data = dataSet();
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_busy_timeout(db, 10000);
    const QString attach = QStringLiteral("ATTACH '%1' AS fatura; ATTACH '%2' AS stok; ATTACH '%3' AS cari; "
                                          "ATTACH '%4' AS idx; ATTACH '%5' AS temp_list;")
                               .arg(data.file(QStringLiteral("01Fatura.mdb")), data.file(QStringLiteral("01Stok.mdb")),
                                   data.file(QStringLiteral("01Cari.mdb")), data.file(QStringLiteral("01Index.mdb")),
                                   data.paths.programFolder + QStringLiteral("/Temp.Mdb"));
    sqlite3_exec(db, attach.toUtf8().constData(), nullptr, nullptr, nullptr);
    for (const char *schema : {"fatura", "stok", "cari", "idx", "temp_list"}) {
        sqlite3_exec(db, QByteArray("PRAGMA ").append(schema).append(".journal_mode=DELETE").constData(), nullptr,
            nullptr, nullptr);
        sqlite3_exec(db, QByteArray("PRAGMA ").append(schema).append(".synchronous=FULL").constData(), nullptr, nullptr,
            nullptr);
    }

    auto prepare = [db](const char *sql) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        return statement;
    };
    sqlite3_stmt *lines = prepare("SELECT StokKod, StokAdi, KalanB, Fiyat, GirenTutar, Kdv, Birim, Barkod, Kar "
                                  "FROM temp_list.StokKartlar WHERE StokGizle = 0 AND KalanB <> 0 ORDER BY StokAdi");
    sqlite3_stmt *invoiceLine = prepare(
        "INSERT INTO fatura.FatHareket (FatHarNo, FatGirisCikis, FatCari, FatStok, Stok, FatAciklama, FatMiktar, "
        "FatFiyat, FatTutar, DigerId, Nerde, FatTotal, FatKdv, Birim, SeriNoDiger, Barkod, Tarih, KdvSi, Yeni) "
        "VALUES ('S1', 0, 'C001', ?1, ?2, ?2, ?3, ?4, ?5, '261', 'F', 1, ?6, ?7, ?8, ?9, '06.12.2026 10:00', ?10, 1)");
    sqlite3_stmt *movement = prepare(
        "INSERT INTO stok.StokHareket (StokHarKod, Tarih, Aciklama, Fiyat, Miktar, Tutar, GirisCikis, Carisi, "
        "DigerId, Nerde, StokAd, SeriNoDiger, Unvan, KdvTut, Birim, Yeni, Sube, Server) VALUES (?1, "
        "'2026-12-06 10:00:00', '1 Nolu Satış Faturası ile', ?2, ?3, ?4, 'Satış', 'C001', '261', 'F', ?5, ?6, 'U', "
        "?7, ?8, 1, '', 0)");
    // The card is found through the same folded-code index the program uses.
    const QByteArray cardSql
        = QStringLiteral("UPDATE stok.StokKartlar SET CikanMik = CikanMik + ?2, CikanTutar = CikanTutar + ?3, "
                         "KalanA = max(CikanMik + ?2 - GirenMik, 0), KalanB = max(GirenMik - CikanMik - ?2, 0) "
                         "WHERE %1 = %2")
              .arg(foldSqlExpression(QStringLiteral("StokKod")), foldSqlExpression(QStringLiteral("?1")))
              .toUtf8();
    sqlite3_stmt *card = prepare(cardSql.constData());
    sqlite3_stmt *serial = prepare("UPDATE idx.Mdbindex SET Serino = Serino + 1 WHERE Tarih = '2026'");
    sqlite3_stmt *header = prepare(
        "INSERT INTO fatura.Faturalar (FaturaNo, FatTarih, FatCari, Nakit, DigerId, Unvan, FatTop, FatKdvTut, "
        "Toplam, Gurup, KdvHarDahil) VALUES ('S1', '2026-12-06', 'C001', 1, '261', 'U', 1, 1, 1, 'Müşteri', 0)");
    sqlite3_stmt *accountMovement = prepare(
        "INSERT INTO cari.CariHareket (CariHarKod, Tarih, Aciklama, Borc, Carisi, DigerId, Nerde, Unvan, Yeni, "
        "Server) VALUES (?1, '2026-12-06 10:00:00', 'S1 Nolu Satış Faturası ile ', 1, ?1, '261', 'F', 'U', 1, 0)");
    sqlite3_stmt *account = prepare("UPDATE cari.CariKartlar SET Borc = Borc + 1, Bakiye = abs(Borc + 1 - Alacak), "
                                    "Hesap = 'Borç' WHERE CariKod = ?1");
    sqlite3_stmt *reset = prepare("UPDATE temp_list.StokKartlar SET KalanB = 0, GirenTutar = 0");
    sqlite3_exec(db,
        "INSERT INTO idx.Mdbindex (Tarih, Serino, Indexi) SELECT '2026', '261', '261' WHERE NOT EXISTS "
        "(SELECT 1 FROM idx.Mdbindex WHERE Tarih = '2026')",
        nullptr, nullptr, nullptr);

    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        layDownLines(data.paths);
        state.ResumeTiming();

        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        while (sqlite3_step(lines) == SQLITE_ROW) {
            for (int i = 1; i <= 10; ++i)
                sqlite3_bind_value(invoiceLine, i, sqlite3_column_value(lines, (i - 1) % 9));
            ok = runStatement(serial) && runStatement(invoiceLine) && ok;
            sqlite3_bind_value(movement, 1, sqlite3_column_value(lines, 0));
            sqlite3_bind_value(movement, 2, sqlite3_column_value(lines, 3));
            sqlite3_bind_value(movement, 3, sqlite3_column_value(lines, 2));
            sqlite3_bind_value(movement, 4, sqlite3_column_value(lines, 4));
            sqlite3_bind_value(movement, 5, sqlite3_column_value(lines, 1));
            sqlite3_bind_value(movement, 6, sqlite3_column_value(lines, 0));
            sqlite3_bind_value(movement, 7, sqlite3_column_value(lines, 8));
            sqlite3_bind_value(movement, 8, sqlite3_column_value(lines, 6));
            ok = runStatement(movement) && ok;
            sqlite3_bind_value(card, 1, sqlite3_column_value(lines, 0));
            sqlite3_bind_value(card, 2, sqlite3_column_value(lines, 2));
            sqlite3_bind_value(card, 3, sqlite3_column_value(lines, 4));
            ok = runStatement(card) && ok;
        }
        sqlite3_reset(lines);
        ok = runStatement(header) && ok;
        for (const char *code : {"C001", "=110"}) {
            sqlite3_bind_text(accountMovement, 1, code, -1, SQLITE_STATIC);
            sqlite3_bind_text(account, 1, code, -1, SQLITE_STATIC);
            ok = runStatement(accountMovement) && runStatement(account) && ok;
        }
        ok = runStatement(reset) && ok;
        ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    }
    for (sqlite3_stmt *statement :
        {lines, invoiceLine, movement, card, serial, header, accountMovement, account, reset})
        sqlite3_finalize(statement);
    sqlite3_close(db);
    if (!ok)
        state.SkipWithError("a raw statement failed");
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_RawInvoiceTransaction)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_PostDepoTransfer(benchmark::State &state)
{
    if (!dataSet().readyFor(state))
        return;
    Station terminal(dataSet().paths, "0", 0);
    TerminalForm &f = *terminal.form;
    for (auto _ : state) {
        state.PauseTiming();
        // A posting leaves the controls on the centre's set: pick the branch again.
        if (f.Check1[kSale]->value() == 0)
            f.Check1[kSale]->setValue(1);
        layDownLines(dataSet().paths);
        state.ResumeTiming();

        f.Command4->setValue(true);
        f.Command8[1]->setValue(true);
    }
    if (!terminal.dialogs.messages.isEmpty())
        state.SkipWithError(terminal.dialogs.messages.join(u'\n').toStdString().c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_PostDepoTransfer)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace pusla
