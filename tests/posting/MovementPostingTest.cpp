#include "posting/PostingFixture.h"
#include "forms/TerminalState.h"
#include "support/CapturedWarnings.h"
#include "support/SpoiltFiles.h"

#include "store/Transaction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <sqlite3.h>
#include <utility>

using namespace pusla;
using namespace pusla::test;

namespace {

class MovementPostingTest : public PostingFixture
{
protected:
    void post()
    {
        review(form->Command4);
        ASSERT_FALSE(form->Frame3->isHidden());
        confirm();
    }
    QString normalView() const
    {
        return QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");
    }
};

// The account movement's total in the grouped regional format, the
// invoice's as a plain number; lines without a quantity count for nothing.
TEST_F(MovementPostingTest, ReviewShowsTheTotalInBothForms)
{
    openInMode("1", kSale);
    const struct {
        double thirdQuantity;
        bool invoice;
        const char *caption;
        const char *total;
    } reviews[] = {{0, false, "Cari Hesap", "Toplam = 24,25"}, {1, false, "Cari Hesap", "Toplam = 1.234,50"},
        {1, true, "Fatura", "Toplam = 1234,5"}};
    for (const auto &shown : reviews) {
        setLine(QStringLiteral("ST000001"), 2, 10.5, 21);
        setLine(QStringLiteral("ST000002"), 1, 3.25, 3.25);
        setLine(QStringLiteral("ST000003"), shown.thirdQuantity, 5, 1210.25);
        review(shown.invoice ? form->FatCmd : form->Command4);
        EXPECT_EQ(form->Label3->text(), QString::fromUtf8(shown.caption));
        EXPECT_EQ(form->Label4->text(), QString::fromUtf8(shown.total));
        if (!shown.invoice) {
            EXPECT_EQ(QApplication::focusWidget(), form->Command8[1]);
        }
        tap(form->Command8[0]);
        reenterMode(kSale);
    }
}

TEST_F(MovementPostingTest, ReviewWithoutLinesShowsNothingAndKeepsTheTotal)
{
    openInMode("1", kSale);
    form->state().setDocumentTotal(17);

    review(form->Command4);

    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_EQ(form->state().documentTotal(), 17);
    EXPECT_EQ(form->DataTemp->recordSource(), normalView());
}

TEST_F(MovementPostingTest, CancelWritesNothingAndKeepsTheLines)
{
    openInMode("1", kSale);
    setLine(QStringLiteral("ST000001"), 2, 10, 20);
    const QString before = footprint();

    review(form->Command4);
    tap(form->Command8[0]);

    EXPECT_EQ(footprint(), before);
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")), QStringLiteral("2.0"));
    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_FALSE(form->Frame1->isHidden());
    EXPECT_EQ(form->Check1[kSale]->value(), 1);
    EXPECT_EQ(form->DataTemp->recordSource(), normalView());
}

TEST_F(MovementPostingTest, CariPurchaseCreditsTheAccountAndBringsStockIn)
{
    openInMode("1", kPurchase);
    setAccount("01", QStringLiteral("C001"), 100, 50);
    setCard("01", QStringLiteral("ST000002"), 10, 12);
    setCard("01", QStringLiteral("ST000001"), 0.03125, 0);
    setLine(QStringLiteral("ST000002"), 5, 10, 50);
    setLine(QStringLiteral("ST000001"), 1, 0, 0);
    form->state().setDocumentTotal(0);

    post();

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(value("01", "Cari",
                  QStringLiteral("SELECT CariHarKod, Tarih, Aciklama, Borc, Alacak, Carisi, "
                                 "DigerId, Nerde, Sube FROM CariHareket")),
        QStringLiteral("C001|2017-01-17 15:54:43|Alış ile|0.0|50.0|Yılmaz Gıda Ltd. Şti.|171|S|01"));
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT Alacak, Bakiye, Hesap FROM CariKartlar WHERE CariKod='C001'")),
        QStringLiteral("100.0|0.0|Borç"));
    // One movement per line, by code.
    EXPECT_EQ(value("01", "Stok", QStringLiteral("SELECT group_concat(StokHarKod) FROM StokHareket")),
        QStringLiteral("ST000001,ST000002"));
    EXPECT_EQ(value("01", "Stok",
                  QStringLiteral("SELECT Tarih, Miktar, Tutar, GirisCikis, Carisi, DigerId, Nerde, "
                                 "SatTar, Unvan, Sube, tGurup FROM StokHareket WHERE StokHarKod='ST000002'")),
        QStringLiteral(
            "17.01.2017 15:54|5.0|50.0|Alış|C001|171|C|2017-01-17 15:54:43|Yılmaz Gıda Ltd. Şti.|C001|Şube"));
    EXPECT_EQ(value("01", "Stok",
                  QStringLiteral("SELECT s.Aciklama = k.StokAdi || ' İle', s.StokAd = k.StokAdi, "
                                 "s.Barkod = k.Barkod, s.Maliyet = k.gFiyat, s.Birim = k.Birim "
                                 "FROM StokHareket s JOIN StokKartlar k ON k.StokKod = s.StokHarKod")),
        QStringLiteral("1|1|1|1|1\n1|1|1|1|1"));
    EXPECT_EQ(value("01", "Stok",
                  QStringLiteral("SELECT StokKod, GirenMik, GirenTutar, KalanA, KalanB FROM StokKartlar "
                                 "WHERE StokKod IN ('ST000001', 'ST000002') ORDER BY StokKod")),
        QStringLiteral("ST000001|1.03125|0.0|0.0|1.0312\nST000002|15.0|50.0|0.0|3.0"));
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB), total(GirenTutar) FROM StokKartlar")),
        QStringLiteral("0.0|0.0"));
    EXPECT_EQ(form->Check1[kPurchase]->value(), 0);
    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_TRUE(form->Command4->isEnabled());
}

TEST_F(MovementPostingTest, RetryAfterAFailurePostsAgainstTheChosenCustomer)
{
    openInMode("1", kSale);
    setAccount("01", QStringLiteral("=110"), 0, 0);
    setLine(QStringLiteral("ST000001"), 1, 10, 10);
    const QString card = value("01", "Stok", QStringLiteral("SELECT StokAdi FROM StokKartlar WHERE StokKod='ST000001'"));
    runOnFile(setFile("01", "Stok"), {QStringLiteral("DELETE FROM StokKartlar WHERE StokKod='ST000001'")});
    post();
    ASSERT_EQ(dialogs.messages.size(), 1);
    // Nothing of the failed document is pending, and no key of it is in the books.
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral(".pusla-pending"))));
    EXPECT_EQ(value("01", "Index", QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='PuslaKayit'")),
        QStringLiteral("0"));
    runOnFile(setFile("01", "Stok"),
        {QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi) VALUES ('ST000001', %1)").arg(jetQuoted(card))});

    post();

    EXPECT_EQ(dialogs.messages.size(), 1) << dialogs.messages.last().toStdString();
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT CariHarKod, Carisi FROM CariHareket")),
        QStringLiteral("C001|Yılmaz Gıda Ltd. Şti."));
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT Borc FROM CariKartlar WHERE CariKod='=110'")),
        QStringLiteral("0.0"));
    EXPECT_EQ(value("01", "Stok", QStringLiteral("SELECT Carisi FROM StokHareket")), QStringLiteral("C001"));
}

TEST_F(MovementPostingTest, EnterInTheEmptyScanBoxOfACountOpensNoDocument)
{
    openInMode("0", kCount);
    runOnFile(programFile(QStringLiteral("02Temp.Mdb")), {QStringLiteral("UPDATE StokKartlar SET KalanB=2, Sube='02'")});

    form->Text1->setFocus();
    form->Text1->setText(QString());
    QTest::keyClick(form->Text1, Qt::Key_Return);

    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_NE(form->Label3->text(), QStringLiteral("Cari Hesap"));
    EXPECT_TRUE(form->DataTemp->recordSource().contains(QStringLiteral("Sube='02'")));
}

TEST_F(MovementPostingTest, InvoiceAfterADepoBranchLandsWholeInTheBranchSet)
{
    openInMode("0", kSale); // branch 02 chosen
    tap(form->Command1[0]); // back to the mode menu
    dialogs.choosePopupItem(QStringLiteral("Cari"));
    tap(form->Label5, std::nullopt, Qt::RightButton);
    tap(form->Check1[kSale]);
    closeBalancePanel();
    const QString customer = form->Combo1->text();
    ASSERT_FALSE(customer.isEmpty());
    setLine(QStringLiteral("ST000001"), 1, 10, 10);

    review(form->FatCmd);
    confirm();

    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(count("01", "Fatura", "Faturalar") + count("01", "Fatura", "FatHareket"), 0);
    const QString code = value("02", "Cari", QStringLiteral("SELECT CariKod FROM CariKartlar WHERE Unvan=%1")
                                                 .arg(jetQuoted(customer)));
    EXPECT_EQ(value("02", "Fatura", QStringLiteral("SELECT FatCari FROM Faturalar")), code);
    EXPECT_EQ(value("02", "Fatura", QStringLiteral("SELECT DigerId FROM Faturalar")),
        value("02", "Cari", QStringLiteral("SELECT DigerId FROM CariHareket WHERE CariHarKod=%1").arg(jetQuoted(code))));
    // The line's serial came from the branch's numbering, as the document's did.
    EXPECT_EQ(value("02", "Fatura", QStringLiteral("SELECT SeriNoDiger FROM FatHareket")),
        value("02", "Stok", QStringLiteral("SELECT SeriNoDiger FROM StokHareket")));
    EXPECT_EQ(count("01", "Index", "Mdbindex"), 0);
}

// --- files that another program holds, or that are spoilt

/// Another program's hold on a file of the set, as the suite takes it for a
/// write: an exclusive transaction with a change in it.
class ForeignLock
{
public:
    explicit ForeignLock(const QString &path)
    {
        EXPECT_EQ(
            sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(m_db, "BEGIN EXCLUSIVE; UPDATE CariKartlar SET Borc=Borc", nullptr, nullptr, nullptr),
            SQLITE_OK);
    }
    ~ForeignLock()
    {
        release();
        sqlite3_close(m_db);
    }
    ForeignLock(const ForeignLock &) = delete;
    ForeignLock &operator=(const ForeignLock &) = delete;

    void release()
    {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

private:
    sqlite3 *m_db = nullptr;
};

/// The message says, in Turkish only, what went wrong with which file.
void expectReasonAbout(const QStringList &messages, const char *what, const QString &file)
{
    ASSERT_EQ(messages.size(), 1) << messages.join(u'\n').toStdString();
    const QString &message = messages.first();
    EXPECT_TRUE(message.contains(QString::fromUtf8(what))) << message.toStdString();
    EXPECT_TRUE(message.contains(file)) << message.toStdString();
    static const QRegularExpression english(
        QStringLiteral("\\b(could|file|database|malformed|read-?only|locked|object|image|attempt|unable|error)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(english.match(message).hasMatch()) << message.toStdString();
}

struct DocumentKind
{
    const char *name;
    const char *operation; // "0" Depo with branch 02, "1" Cari
    bool invoice;
    // Where the posted document shows in the centre's set: file and query,
    // and what it answers when the lock was let go in time and after a
    // failure and a retry.
    const char *file;
    const char *posted;
    const char *inTime;
    const char *afterRetry;
};

void PrintTo(const DocumentKind &kind, std::ostream *os)
{
    *os << kind.name;
}

class BusyBooksTest : public PostingFixture, public ::testing::WithParamInterface<DocumentKind>
{
protected:
    void SetUp() override
    {
        PostingFixture::SetUp();
        if (HasFatalFailure())
            return;
        openInMode(GetParam().operation, kSale);
        setLine(QStringLiteral("ST000001"), 1, 10, 10);
    }
    void TearDown() override { Transaction::setPatience(m_patience); }

    void confirmDocument()
    {
        review(GetParam().invoice ? form->FatCmd : form->Command4);
        ASSERT_FALSE(form->Frame3->isHidden());
        confirm();
    }
    QString posted() const { return value("01", GetParam().file, QString::fromUtf8(GetParam().posted)); }

private:
    const std::chrono::milliseconds m_patience = Transaction::patience();
};

TEST_P(BusyBooksTest, WaitsThePatienceOnceWritesNothingAndTheFirstRetryPosts)
{
    Transaction::setPatience(std::chrono::seconds(3));
    const QString before = footprint();
    {
        ForeignLock lock(setFile("01", "Cari"));
        QElapsedTimer waited;
        waited.start();
        confirmDocument();
        // Opening, locking and every statement wait within one allowance,
        // and a refresh after the failure does not wait again.
        EXPECT_GE(waited.elapsed(), 3000);
        EXPECT_LT(waited.elapsed(), 4500);
    }
    expectReasonAbout(dialogs.messages, "kullanımda", QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01Cari."));
    EXPECT_GT(dialogs.busyCount, 0);
    EXPECT_FALSE(dialogs.busyNow());
    EXPECT_EQ(footprint(), before);

    confirmDocument();

    EXPECT_EQ(dialogs.messages.size(), 1) << dialogs.messages.last().toStdString();
    EXPECT_EQ(posted(), QString::fromUtf8(GetParam().afterRetry));
}

TEST_P(BusyBooksTest, FileLetGoDuringTheWaitIsPostedAtOnce)
{
    ForeignLock lock(setFile("01", "Cari"));
    bool busyWhileWaiting = false;
    // Runs only if the wait lets timers run.
    QTimer::singleShot(1000, form, [&] {
        busyWhileWaiting = dialogs.busyNow();
        lock.release();
    });
    QElapsedTimer waited;
    waited.start();

    confirmDocument();

    EXPECT_LT(waited.elapsed(), 10000);
    EXPECT_TRUE(busyWhileWaiting);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(posted(), QString::fromUtf8(GetParam().inTime));
}

// A failed invoice uses up the one number it drew, and no more.
INSTANTIATE_TEST_SUITE_P(Documents, BusyBooksTest,
    ::testing::Values(
        DocumentKind {"CariMovement", "1", false, "Cari", "SELECT count(*) FROM CariHareket", "1", "1"},
        DocumentKind {"Invoice", "1", true, "Fatura", "SELECT FaturaNo FROM Faturalar", "S00001", "S00002"},
        DocumentKind {"DepoTransfer", "0", false, "Cari", "SELECT CariHarKod FROM CariHareket", "Şube02", "Şube02"}),
    [](const ::testing::TestParamInfo<DocumentKind> &kind) { return std::string(kind.param.name); });

struct SpoiltFile
{
    const char *file; // of the centre's set
    Spoiler spoiler;
    const char *engineText; // what the database engine says, for the log
};

void PrintTo(const SpoiltFile &spoilt, std::ostream *os)
{
    *os << spoilt.file << spoilt.spoiler.name;
}

const SpoiltFile kSpoiltFiles[] = {{"Stok", kMissing, "Could not find file"},
    {"Cari", kNotADatabase, "file is not a database"}, {"Stok", kDamagedPage, "database disk image is malformed"},
    {"Cari", kReadOnly, "readonly database"}};

class SpoiltFileTest : public PostingFixture, public ::testing::WithParamInterface<SpoiltFile>
{
};

TEST_P(SpoiltFileTest, IsNamedInTurkishAndNothingIsWritten)
{
    openInMode("1", kSale);
    setLine(QStringLiteral("ST000001"), 1, 10, 10);
    const QString path = setFile("01", GetParam().file);
    const QString before = footprint();
    Restorer original(path);
    if (!GetParam().spoiler.spoil(path))
        GTEST_SKIP() << "this machine cannot spoil " << path.toStdString() << " so";

    review(form->Command4);
    const CapturedWarnings warnings;
    confirm();

    const QString file = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01") + QString::fromLatin1(GetParam().file)
        + QStringLiteral(".mdb");
    expectReasonAbout(dialogs.messages, GetParam().spoiler.reason, file);
    // The administrator reads the engine's own words, once, with the file.
    const QStringList logged = warnings.texts().filter(QStringLiteral("document not posted"));
    ASSERT_EQ(logged.size(), 1) << warnings.joined();
    EXPECT_TRUE(logged.first().contains(QString::fromUtf8(GetParam().engineText))) << logged.first().toStdString();
    EXPECT_TRUE(logged.first().contains(file, Qt::CaseInsensitive)) << logged.first().toStdString();
    // With that file back as it was, the books are exactly as before.
    original.restore();
    EXPECT_EQ(footprint(), before);
}

INSTANTIATE_TEST_SUITE_P(Files, SpoiltFileTest, ::testing::ValuesIn(kSpoiltFiles),
    [](const ::testing::TestParamInfo<SpoiltFile> &spoilt) {
        return std::string(spoilt.param.file) + spoilt.param.spoiler.name;
    });

} // namespace
