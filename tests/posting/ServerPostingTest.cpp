#include "posting/PostingFixture.h"

#include "data/ServerLoad.h"
#include "data/SettingKeys.h"
#include "posting/PendingPosting.h"
#include "store/DbError.h"
#include "store/Database.h"
#include "store/ServerRoute.h"
#include "support/TwoStores.h"

#include <QDir>
#include <QThread>

#include <future>
#include <thread>

// The operator's documents posted into the books on either store: the same
// screens, the same records, read back through the same names.

using namespace pusla;
using namespace pusla::test;

namespace {

class ServerPostingTest : public PostingFixture, public ::testing::WithParamInterface<StoreKind>
{
protected:
    void SetUp() override
    {
        PostingFixture::SetUp();
        if (HasFatalFailure() || GetParam() == StoreKind::Sqlite)
            return;
        PUSLA_REQUIRE_PG(server);
        scratch = std::make_unique<ScratchDatabase>(server);
        PgConnection db(scratch->conninfo());
        const QDir data(tree.dataFolder());
        for (const char *company : {"01", "02", "03"}) {
            const serverload::LoadResult loaded
                = serverload::loadCompany(db, data.filePath(QString::fromLatin1(company)),
                    data.filePath(QStringLiteral("FatNo.txt")), QString::fromLatin1(company), false);
            ASSERT_TRUE(loaded.ok) << loaded.errorText.toStdString();
        }
        // Nothing may fall back on the files: the books are on the server now.
        for (const QString &file : data.entryList({QStringLiteral("*.mdb")}, QDir::Files))
            ASSERT_TRUE(QFile::remove(data.filePath(file)));
        settings.saveSetting(
            QStringLiteral("pusla"), settingkeys::StoreSection, settingkeys::StoreKind, QStringLiteral("postgresql"));
        settings.saveSetting(
            QStringLiteral("pusla"), settingkeys::StoreSection, settingkeys::StoreConninfo, scratch->conninfo());
    }
    void TearDown() override
    {
        terminal.reset();
        setServerRoute({});
        PostingFixture::TearDown();
    }

    Database books(const char *company, const char *kind)
    {
        return Database::open(mapper,
            QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\") + QString::fromLatin1(company) + QString::fromLatin1(kind)
                + QStringLiteral(".mdb"));
    }
    void change(const char *company, const char *kind, const QString &statement)
    {
        books(company, kind).execute(statement);
    }
    /// The rows of a record source, fields joined by "|", rows by newlines.
    QString rows(const char *company, const char *kind, const QString &source)
    {
        Database db = books(company, kind);
        std::unique_ptr<Recordset> rs = db.openRecordset(source);
        QStringList lines;
        for (; !rs->eof(); rs->moveNext()) {
            QStringList fields;
            for (int i = 0; i < rs->fieldCount(); ++i)
                fields << rs->field(i).toString();
            lines << fields.join(u'|');
        }
        return lines.join(u'\n');
    }

    std::unique_ptr<ScratchDatabase> scratch;
};

TEST_P(ServerPostingTest, ASaleInvoiceWritesEveryRecordOnce)
{
    openInMode("1", kSale);
    ASSERT_EQ(form->Combo1->text(), QStringLiteral("Yılmaz Gıda Ltd. Şti."));
    change("01", "Cari", QStringLiteral("UPDATE CariKartlar SET Borc=0, Alacak=0 WHERE CariKod In ('C001', '=110')"));
    change("01", "Stok",
        QStringLiteral("UPDATE StokKartlar SET GirenMik=5, CikanMik=3, CikanTutar=0 WHERE StokKod='ST000001'"));
    setLine(QStringLiteral("ST000001"), 2, 10, 20, 3.6);

    review(form->FatCmd);
    EXPECT_EQ(form->Label4->text(), QStringLiteral("Toplam = 20"));
    confirm();

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(rows("01", "Fatura", QStringLiteral("Select FaturaNo, FatCari, FatTop, FatKdvTut From Faturalar")),
        QStringLiteral("S00001|C001|20|3.6"));
    EXPECT_EQ(rows("01", "Fatura", QStringLiteral("Select FatStok, FatMiktar, FatTutar From FatHareket")),
        QStringLiteral("ST000001|2|20"));
    EXPECT_EQ(rows("01", "Stok", QStringLiteral("Select StokHarKod, Miktar, GirisCikis From StokHareket")),
        QStringLiteral("ST000001|2|Satış"));
    EXPECT_EQ(
        rows("01", "Stok", QStringLiteral("Select CikanMik, CikanTutar From StokKartlar Where StokKod='ST000001'")),
        QStringLiteral("5|20"));
    EXPECT_EQ(rows("01", "Cari",
                  QStringLiteral("Select CariKod, Borc, Bakiye From CariKartlar Where CariKod In ('C001', '=110') "
                                 "Order By CariKod")),
        QStringLiteral("=110|3.6|3.6\nC001|20|20"));
    EXPECT_EQ(rows("01", "Index", QStringLiteral("Select Count(*) From PuslaKayit")), QStringLiteral("1"));
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")), QStringLiteral("0.0"));

    // The next invoice takes the next number.
    reenterMode(kSale);
    setLine(QStringLiteral("ST000002"), 1, 5, 5);
    review(form->FatCmd);
    confirm();
    EXPECT_EQ(rows("01", "Fatura", QStringLiteral("Select FaturaNo From Faturalar Order By FaturaNo")),
        QStringLiteral("S00001\nS00002"));
}

TEST_P(ServerPostingTest, ADepoSaleMovesStockOutOfTheCentreIntoTheBranch)
{
    openInMode("0", kSale); // branch 02 chosen
    change("01", "Stok", QStringLiteral("UPDATE StokKartlar SET GirenMik=10, CikanMik=0 WHERE StokKod='ST000003'"));
    setLine(QStringLiteral("ST000003"), 4, 2.5, 10);
    review(form->Command4);
    confirm();

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(rows("01", "Stok", QStringLiteral("Select StokHarKod, Miktar, GirisCikis From StokHareket")),
        QStringLiteral("ST000003|4|Satış"));
    EXPECT_EQ(rows("01", "Stok", QStringLiteral("Select CikanMik From StokKartlar Where StokKod='ST000003'")),
        QStringLiteral("4"));
    EXPECT_EQ(rows("02", "Stok", QStringLiteral("Select StokHarKod, Miktar, GirisCikis From StokHareket")),
        QStringLiteral("ST000003|4|Alış"));
}

// The count in the server role: the working copy comes from the books, and
// every branch's counted cards are gathered into the count database.
TEST_P(ServerPostingTest, ACountGathersEveryBranchsCountedCards)
{
    openInMode("0", kCount, kServerRole);
    const QString sayTmp = programFile(QStringLiteral("SayTmp.Mdb"));
    int gathered = 0;
    for (const char *branch : {"02", "03"}) {
        const QString counted = rows(
            branch, "Stok", QStringLiteral("Select Count(*) From StokKartlar Where StokGizle=False And KalanB<>0"));
        EXPECT_EQ(value(sayTmp,
                      QStringLiteral("SELECT count(*) FROM StokKartlar WHERE Sube='%1'").arg(QLatin1String(branch))),
            counted);
        gathered += counted.toInt();
    }
    EXPECT_GT(gathered, 0);
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT count(*) FROM StokKartlar")),
        rows("01", "Stok", QStringLiteral("Select Count(*) From StokKartlar")));
}

// The connection cut while the invoice is being written: nothing of it is
// in the books, the operator reads why and keeps the lines, and the next
// confirmation, on a new connection, posts it once.
TEST_P(ServerPostingTest, AConnectionLostMidPostingRollsBackAndARetryPostsOnce)
{
    if (GetParam() != StoreKind::Postgres)
        GTEST_SKIP() << "a file store has no connection to lose";
    PgConnection admin(scratch->conninfo());
    // The first invoice line written ends its own session, as a dropped network would.
    admin.exec(QStringLiteral("CREATE SEQUENCE public.cuts"));
    admin.exec(QStringLiteral("CREATE FUNCTION public.cut_once() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                              "IF nextval('public.cuts') = 1 THEN PERFORM pg_terminate_backend(pg_backend_pid()); "
                              "END IF; RETURN NEW; END$$"));
    admin.exec(QStringLiteral("CREATE TRIGGER cut BEFORE INSERT ON \"01\".\"FatHareket\" "
                              "FOR EACH ROW EXECUTE FUNCTION public.cut_once()"));
    openInMode("1", kSale);
    setLine(QStringLiteral("ST000001"), 2, 10, 20);

    review(form->FatCmd);
    confirm();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("Veritabanı sunucusuyla bağlantı koptu")))
        << dialogs.messages[0].toStdString();
    EXPECT_EQ(rows("01", "Fatura", QStringLiteral("Select Count(*) From Faturalar")), QStringLiteral("0"));
    EXPECT_EQ(rows("01", "Stok", QStringLiteral("Select Count(*) From StokHareket")), QStringLiteral("0"));
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT KalanB FROM StokKartlar WHERE StokKod='ST000001'")),
        QStringLiteral("2.0"));

    dialogs.messages.clear();
    review(form->FatCmd);
    confirm();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(rows("01", "Fatura", QStringLiteral("Select FaturaNo From Faturalar")), QStringLiteral("S00002"))
        << "the first number was drawn before the cut: a gap, never a duplicate";
    EXPECT_EQ(rows("01", "Fatura", QStringLiteral("Select Count(*) From FatHareket")), QStringLiteral("1"));
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")), QStringLiteral("0.0"));
}

// A terminal that died with its commit on the way: the settlement of its
// marker waits for that transaction and gives the answer that holds. Landed:
// the lines are finished with. Never landed: the key is claimed void, so
// that the posting cannot land later on.
TEST_P(ServerPostingTest, ASettlementWaitsForTheDocumentOnItsWayAndItsAnswerHolds)
{
    if (GetParam() != StoreKind::Postgres)
        GTEST_SKIP() << "on the files a posting holds the file's lock: no commit is on its way";
    openInMode("1", kSale);
    const QString booksFile = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01Index.mdb");
    for (const bool lands : {true, false}) {
        SCOPED_TRACE(lands ? "lands" : "never lands");
        setLine(QStringLiteral("ST000001"), 2, 10, 20);
        PendingPosting pending(mapper, tree.paths().programFolder);
        const QString key = pending.begin(booksFile);
        std::promise<void> holding;
        std::thread posting([&] {
            PgConnection db(scratch->conninfo());
            db.exec(QStringLiteral("BEGIN"));
            db.exec(QStringLiteral(R"(INSERT INTO "01"."PuslaKayit" ("Anahtar", "Tarih") VALUES ($1, 'now'))"), {key});
            holding.set_value();
            QThread::msleep(300);
            db.exec(lands ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
        });
        holding.get_future().wait();
        const PendingPosting::Outcome outcome = pending.settle();
        posting.join();

        EXPECT_EQ(outcome, lands ? PendingPosting::Outcome::Posted : PendingPosting::Outcome::NotPosted);
        EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")),
            lands ? QStringLiteral("0.0") : QStringLiteral("2.0"));
        EXPECT_EQ(rows("01", "Index", QStringLiteral("Select Tarih From PuslaKayit Where Anahtar='%1'").arg(key)),
            lands ? QStringLiteral("now") : QStringLiteral("void"));
        Database keys = books("01", "Index");
        EXPECT_THROW(PendingPosting::record(keys, key, QStringLiteral("later")), DbError)
            << "a key once settled is never posted again";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stores, ServerPostingTest, ::testing::Values(StoreKind::Sqlite, StoreKind::Postgres), storeName);

} // namespace
