// Short runs of pusla-harness: terminals crashed at every row write and at
// file operations of a document's posting, killed at random while posting, and posting side by side, with
// the set recovered by another terminal and the books verified after each; and the verifier itself shown to
// catch a damaged set.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "support/TwoStores.h"

#include <gtest/gtest.h>

namespace {

struct HarnessRun
{
    int exitCode = -1;
    QString output;

    /// A figure of the RESULT line, -1 when it is missing.
    int figure(const char *name) const
    {
        const QRegularExpression pattern(QStringLiteral("RESULT .*\\b%1=(\\d+)").arg(QLatin1String(name)));
        const QRegularExpressionMatch match = pattern.match(output);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }
    int writesPerDocument() const
    {
        const QRegularExpressionMatch match
            = QRegularExpression(QStringLiteral("writes per document: (\\d+)")).match(output);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }
};

HarnessRun runHarness(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Terminals are cut short on purpose; their exit is no leak.
    env.insert(
        QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(PUSLA_HARNESS), arguments);
    HarnessRun run;
    if (!process.waitForFinished(240000)) {
        process.kill();
        process.waitForFinished();
    }
    run.output = QString::fromUtf8(process.readAll());
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

class PostingHarnessTest : public ::testing::Test
{
protected:
    QString work() const { return m_dir.path(); }
    QString data() const { return work() + QStringLiteral("/shares/127.0.0.1/MuhasebeData"); }
    QString terminal() const { return work() + QStringLiteral("/terminals/t1"); }
    QString baseline() const { return work() + QStringLiteral("/baseline.json"); }

    QTemporaryDir m_dir;
};

class CrashAtEveryWrite : public PostingHarnessTest, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(CrashAtEveryWrite, LeavesEachDocumentWholeOrAbsent)
{
    const HarnessRun run = runHarness({QStringLiteral("crash-trials"), QStringLiteral("--work"), work(),
        QStringLiteral("--kind"), QLatin1String(GetParam()), QStringLiteral("--items"), QStringLiteral("6"),
        QStringLiteral("--lines"), QStringLiteral("2"), QStringLiteral("--trials"), QStringLiteral("0"),
        QStringLiteral("--io-step"), QStringLiteral("40")});
    const std::string output = run.output.toStdString();
    ASSERT_GT(run.writesPerDocument(), 5) << output;
    ASSERT_GT(run.figure("trials"), run.writesPerDocument() + 10) << "file operation faults ran too\n" << output;
    EXPECT_EQ(run.figure("violations"), 0) << output;
    // Every crash point ended a terminal and every I/O error met one, save
    // those a document with fewer steps never reached.
    const int struck = run.figure("crashes") + run.figure("power-losses") + run.figure("io-errors");
    EXPECT_EQ(struck + run.figure("uncrashed"), run.figure("trials") - 1) << output;
    EXPECT_GE(run.figure("crashes"), run.writesPerDocument()) << output;
    EXPECT_GE(run.figure("power-losses"), 3) << output;
    EXPECT_GE(run.figure("io-errors"), 3) << output;
    // The clean run's two documents; then one per terminal that went on.
    EXPECT_EQ(run.figure("posted") + run.figure("failed"), 2 + run.figure("uncrashed") + run.figure("io-errors"))
        << output;
    EXPECT_EQ(run.exitCode, 0) << output;
}

INSTANTIATE_TEST_SUITE_P(PostingHarness, CrashAtEveryWrite, ::testing::Values("invoice", "depo"));

TEST_F(PostingHarnessTest, RandomKillsWhilePostingLeaveConsistentBooks)
{
    const HarnessRun run = runHarness({QStringLiteral("crash-trials"), QStringLiteral("--work"), work(),
        QStringLiteral("--kind"), QStringLiteral("cari-sale"), QStringLiteral("--items"), QStringLiteral("6"),
        QStringLiteral("--last-write"), QStringLiteral("0"), QStringLiteral("--last-io"), QStringLiteral("0"),
        QStringLiteral("--trials"), QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("7")});
    const std::string output = run.output.toStdString();
    // The clean run, the timing run and four kills, of which those that found no terminal posting are no trials.
    EXPECT_EQ(run.figure("trials") + run.figure("missed"), 6) << output;
    EXPECT_EQ(run.figure("violations"), 0) << output;
    EXPECT_EQ(run.exitCode, 0) << output;
}

// On the server the faults take turns: the terminal killed, its connections
// cut. Every document is whole or absent and every working list agrees.
TEST_F(PostingHarnessTest, RandomFaultsOnTheServerLeaveConsistentBooks)
{
    PUSLA_REQUIRE_PG(server);
    const pusla::test::ScratchDatabase books(server);
    const HarnessRun run = runHarness({QStringLiteral("crash-trials"), QStringLiteral("--work"), work(),
        QStringLiteral("--kind"), QStringLiteral("invoice"), QStringLiteral("--items"), QStringLiteral("6"),
        QStringLiteral("--last-write"), QStringLiteral("2"), QStringLiteral("--last-io"), QStringLiteral("0"),
        QStringLiteral("--trials"), QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("7"),
        QStringLiteral("--server"), books.conninfo()});
    const std::string output = run.output.toStdString();
    // The clean run, two crashes, the timing run and four faults.
    EXPECT_EQ(run.figure("trials") + run.figure("missed"), 8) << output;
    EXPECT_EQ(run.figure("violations"), 0) << output;
    EXPECT_EQ(run.exitCode, 0) << output;
}

class TerminalsAtOnce : public PostingHarnessTest, public ::testing::WithParamInterface<pusla::test::StoreKind>
{
};

TEST_P(TerminalsAtOnce, LoseNoUpdate)
{
    QStringList arguments {QStringLiteral("concurrency"), QStringLiteral("--work"), work(),
        QStringLiteral("--terminals"), QStringLiteral("4"), QStringLiteral("--documents"), QStringLiteral("5"),
        QStringLiteral("--items"), QStringLiteral("8")};
    std::unique_ptr<pusla::test::ScratchDatabase> books;
    if (GetParam() == pusla::test::StoreKind::Postgres) {
        // Each terminal on a connection of its own to the one database.
        PUSLA_REQUIRE_PG(server);
        books = std::make_unique<pusla::test::ScratchDatabase>(server);
        arguments << QStringLiteral("--server") << books->conninfo();
    }
    const HarnessRun run = runHarness(arguments);
    const std::string output = run.output.toStdString();
    EXPECT_EQ(run.figure("violations"), 0) << output;
    // Bounded waits only: with four terminals every document gets through.
    EXPECT_EQ(run.figure("posted"), 20) << output;
    EXPECT_EQ(run.figure("failed"), 0) << output;
    EXPECT_EQ(run.exitCode, 0) << output;
}

INSTANTIATE_TEST_SUITE_P(PostingHarness, TerminalsAtOnce,
    ::testing::Values(pusla::test::StoreKind::Sqlite, pusla::test::StoreKind::Postgres), pusla::test::storeName);

/// A set damaged after two postings, and the words the verifier must say about it.
struct Damage
{
    const char *name;
    /// In the data directory, or with `inTerminal` in the terminal's program folder.
    const char *file;
    /// SQL run on a database file; the new contents of any other file.
    const char *statement;
    const char *finding;
    bool inTerminal = false;
};

class VerifierFinds : public PostingHarnessTest, public ::testing::WithParamInterface<Damage>
{
};

TEST_P(VerifierFinds, DamageDoneAfterThePostings)
{
    const Damage &damage = GetParam();
    ASSERT_EQ(runHarness({QStringLiteral("seed"), QStringLiteral("--work"), work(), QStringLiteral("--items"),
                             QStringLiteral("6")})
                  .exitCode,
        0);
    const QStringList books {QStringLiteral("--data"), data(), QStringLiteral("--program"), terminal()};
    ASSERT_EQ(
        runHarness(QStringList {QStringLiteral("baseline")} + books + QStringList {QStringLiteral("--out"), baseline()})
            .exitCode,
        0);
    const HarnessRun posting = runHarness(QStringList {QStringLiteral("post")} + books
        + QStringList {
            QStringLiteral("--kind"), QStringLiteral("invoice"), QStringLiteral("--documents"), QStringLiteral("2")});
    ASSERT_EQ(posting.exitCode, 0) << posting.output.toStdString();
    const QStringList verify
        = QStringList {QStringLiteral("verify")} + books + QStringList {QStringLiteral("--baseline"), baseline()};
    const HarnessRun clean = runHarness(verify);
    ASSERT_EQ(clean.exitCode, 0) << clean.output.toStdString();
    ASSERT_TRUE(clean.output.contains(QStringLiteral("documents=2 posted=2"))) << clean.output.toStdString();

    const QString path = (damage.inTerminal ? terminal() : data()) + QLatin1Char('/') + QLatin1String(damage.file);
    if (!path.endsWith(QLatin1String(".mdb"))) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(damage.statement);
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("damage"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QString::fromUtf8(damage.statement))) << query.lastError().text().toStdString();
        ASSERT_GT(query.numRowsAffected(), 0) << damage.statement;
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("damage"));

    const HarnessRun damaged = runHarness(verify);
    EXPECT_EQ(damaged.exitCode, 1) << damaged.output.toStdString();
    EXPECT_TRUE(damaged.output.contains(QLatin1String(damage.finding))) << damaged.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(PostingHarness, VerifierFinds,
    ::testing::Values(
        Damage {"LostCardUpdate", "01Stok.mdb",
            "UPDATE StokKartlar SET CikanMik=CikanMik-1 WHERE StokKod=(SELECT StokHarKod FROM StokHareket LIMIT 1)",
            "CikanMik changed by"},
        Damage {"LostAccountUpdate", "01Cari.mdb", "UPDATE CariKartlar SET Borc=Borc-5 WHERE CariKod='C001'",
            "account C001: Borc changed by"},
        Damage {"HalfAnInvoice", "01Fatura.mdb",
            "DELETE FROM FatHareket WHERE rowid=(SELECT max(rowid) FROM FatHareket)", "FatHareket rows against"},
        Damage {"InvoiceWithoutHeader", "01Fatura.mdb",
            "DELETE FROM Faturalar WHERE rowid=(SELECT max(rowid) FROM Faturalar)", "without a Faturalar row"},
        Damage {"DuplicateInvoiceNumber", "01Fatura.mdb",
            "UPDATE Faturalar SET FaturaNo=(SELECT min(FaturaNo) FROM Faturalar) WHERE rowid=(SELECT max(rowid) "
            "FROM Faturalar)",
            "is used 2 times"},
        Damage {"DuplicateLineSerial", "01Fatura.mdb",
            "UPDATE FatHareket SET SeriNoDiger=(SELECT min(SeriNoDiger) FROM FatHareket) WHERE rowid=(SELECT "
            "max(rowid) FROM FatHareket)",
            "SeriNoDiger"},
        Damage {"UnrecordedStockMovement", "01Stok.mdb",
            "INSERT INTO StokHareket (StokHarKod, GirisCikis, Miktar, Tutar) SELECT StokKod, 'Alış', 3, 30 FROM "
            "StokKartlar LIMIT 1",
            "GirenMik changed by 0, its movements add up to 3"},
        Damage {"StaleBalance", "01Stok.mdb",
            "UPDATE StokKartlar SET KalanB=KalanB+1, GirenMik=GirenMik WHERE rowid=(SELECT max(rowid) FROM "
            "StokKartlar)",
            "do not follow"},
        Damage {"InvoiceToAnotherAccount", "01Cari.mdb",
            "UPDATE CariKartlar SET Unvan='Başka Müşteri' WHERE CariKod='C001'",
            "the books hold no whole document with these lines"},
        Damage {"KeyWithoutDocument", "01Index.mdb",
            "INSERT INTO PuslaKayit (Anahtar, Tarih) VALUES ('0b5e4f3a-9c1d-4e2f-8a7b-6c5d4e3f2a1b', '')",
            "belongs to no whole document"},
        Damage {"CounterFileBehind", "FatNo.txt", "\"00001\"\r\n", "behind invoice S00002"},
        Damage {"NumberingBehind", "01Index.mdb", "UPDATE Mdbindex SET Indexi=substr(Indexi, 1, 2) || '1'",
            "document serials beyond the numbering file's counter"},
        Damage {"YearCountedTwice", "01Index.mdb", "INSERT INTO Mdbindex SELECT * FROM Mdbindex", "rows for year"},
        Damage {"StoredCounterAhead", ".harness-settings/registry.conf",
            "[HKEY_CURRENT_USER]\nLoginEx\\Properties1\\01FatNo=1111:\n", "no such invoice in set 01", true},
        Damage {"HotJournalLeft", "01Stok.mdb-journal", "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", "a hot journal is left"},
        Damage {"MarkerLeftBehind", ".pusla-pending",
            "0b5e4f3a-9c1d-4e2f-8a7b-6c5d4e3f2a1b\n\\\\127.0.0.1\\MuhasebeData\\01Index.mdb\n",
            "a posting marker is left", true}),
    [](const ::testing::TestParamInfo<Damage> &damage) { return std::string(damage.param.name); });

} // namespace
