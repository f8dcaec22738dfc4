#include "posting/PostingFixture.h"

#include "base/SettingsStore.h"

#include <QDir>

using namespace pusla;
using namespace pusla::test;

namespace {

class SalesInvoiceTest : public PostingFixture
{
protected:
    void SetUp() override
    {
        PostingFixture::SetUp();
        if (HasFatalFailure())
            return;
        openInMode("1", kSale);
        ASSERT_EQ(form->Combo1->text(), QStringLiteral("Yılmaz Gıda Ltd. Şti."));
        setAccount("01", QStringLiteral("C001"), 0, 0);
        setAccount("01", QStringLiteral("=110"), 0, 0);
    }

    QString counterFile() const { return dataFile(QStringLiteral("FatNo.txt")); }
    QString storedCounter() const
    {
        return settings.regReadString(
            SettingsStore::HKEY_CURRENT_USER, QStringLiteral("LoginEx\\Properties1"), QStringLiteral("01FatNo"));
    }
    void invoice()
    {
        review(form->FatCmd);
        confirm();
    }
};

TEST_F(SalesInvoiceTest, OneLineInvoiceWritesEveryRecord)
{
    setCard("01", QStringLiteral("ST000001"), 5, 3);
    setLine(QStringLiteral("ST000001"), 2, 10, 20, 3.6);
    runOnFile(tempPath(), {QStringLiteral("UPDATE StokKartlar SET Kdv=18 WHERE StokKod='ST000001'")});

    review(form->FatCmd);
    ASSERT_FALSE(form->Frame3->isHidden());
    EXPECT_EQ(form->Label3->text(), QStringLiteral("Fatura"));
    EXPECT_EQ(form->Label4->text(), QStringLiteral("Toplam = 20"));
    confirm();

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(contents(counterFile()), QByteArray("\"00001\"\r\n"));
    EXPECT_EQ(storedCounter(), QStringLiteral("11112"));

    const QString header = value("01", "Fatura",
        QStringLiteral("SELECT FaturaNo, FatTarih, FatCari, Nakit, DigerId, Unvan, FatTop, FatKdvTut, Toplam, Gurup, "
                       "KdvHarDahil FROM Faturalar"));
    EXPECT_EQ(header, QStringLiteral("S00001|2017-01-17|C001|1|171|Yılmaz Gıda Ltd. Şti.|20.0|3.6|20.0|Müşteri|0"));

    const QString line = value("01", "Fatura",
        QStringLiteral("SELECT FatHarNo, FatGirisCikis, FatCari, FatStok, Stok = FatAciklama, FatMiktar, FatFiyat, "
                       "FatTutar, DigerId, Nerde, FatTotal, FatKdv, SeriNoDiger, Tarih, KdvSi, Yeni FROM FatHareket"));
    EXPECT_EQ(
        line, QStringLiteral("S00001|0|C001|ST000001|1|2.0|10.0|20.0|171|F|20.0|18.0|172|17.01.2017 15:54|3.6|1"));

    const QString movement = value("01", "Stok",
        QStringLiteral("SELECT StokHarKod, Tarih, Aciklama, Fiyat, Miktar, Tutar, GirisCikis, Carisi, DigerId, Nerde, "
                       "SeriNoDiger, Unvan, KdvTut, Yeni, quote(Sube), Server FROM StokHareket"));
    EXPECT_EQ(movement,
        QStringLiteral("ST000001|2017-01-17 15:54:43|00001 Nolu Satış Faturası ile|10.0|2.0|20.0|Satış|"
                       "C001|171|F|172|Yılmaz Gıda Ltd. Şti.|3.6|1|''|0"));
    EXPECT_EQ(value("01", "Stok",
                  QStringLiteral("SELECT CikanMik, CikanTutar, KalanA, KalanB FROM StokKartlar WHERE "
                                 "StokKod='ST000001'")),
        QStringLiteral("5.0|20.0|0.0|0.0"));

    EXPECT_EQ(value("01", "Cari",
                  QStringLiteral("SELECT CariHarKod, Aciklama, Borc, Carisi, DigerId, Nerde, Unvan, "
                                 "quote(Sube), Yeni, Server FROM CariHareket ORDER BY rowid")),
        QStringLiteral("C001|S00001 Nolu Satış Faturası ile |20.0|C001|171|F|Yılmaz Gıda Ltd. Şti.|NULL|1|0\n"
                       "=110|S00001 Nolu Satış Faturası ile |3.6|=110|171|F||''|1|0"));
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT Borc, Bakiye, Hesap FROM CariKartlar WHERE CariKod='C001'")),
        QStringLiteral("20.0|20.0|Borç"));
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT Borc, Bakiye FROM CariKartlar WHERE CariKod='=110'")),
        QStringLiteral("3.6|3.6"));

    // The working list is reset, the mode boxes cleared and the mode menu back.
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT count(*) FROM StokKartlar WHERE KalanB<>0 OR GirenTutar<>0")),
        QStringLiteral("0"));
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT Kar FROM StokKartlar WHERE StokKod='ST000001'")),
        QStringLiteral("3.6"));
    EXPECT_EQ(form->Check1[kSale]->value(), 0);
    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_FALSE(form->Frame1->isHidden());
}

} // namespace

namespace {

TEST_F(SalesInvoiceTest, LinesWithoutQuantityAndHiddenLinesCountOnlyInTheTotals)
{
    setLine(QStringLiteral("ST000001"), 2, 10, 20);
    setLine(QStringLiteral("ST000002"), 0, 4, 5);
    setLine(QStringLiteral("ST000003"), 1, 7, 7);
    runOnFile(tempPath(), {QStringLiteral("UPDATE StokKartlar SET StokGizle=-1 WHERE StokKod='ST000003'")});

    invoice();

    EXPECT_EQ(
        value("01", "Fatura", QStringLiteral("SELECT FatTop, Toplam FROM Faturalar")), QStringLiteral("32.0|32.0"));
    EXPECT_EQ(value("01", "Fatura", QStringLiteral("SELECT group_concat(FatStok || ':' || FatTotal) FROM FatHareket")),
        QStringLiteral("ST000001:32.0"));
    EXPECT_EQ(value("01", "Stok", QStringLiteral("SELECT group_concat(StokHarKod) FROM StokHareket")),
        QStringLiteral("ST000001"));
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT Borc FROM CariKartlar WHERE CariKod='C001'")),
        QStringLiteral("32.0"));
    // No VAT on any line: the VAT account is left alone.
    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT count(*) FROM CariHareket WHERE CariHarKod='=110'")),
        QStringLiteral("0"));
}

TEST_F(SalesInvoiceTest, BalancesFollowTheSideThatIsLarger)
{
    setAccount("01", QStringLiteral("C001"), 30, 100);
    setCard("01", QStringLiteral("ST000001"), 5, 3);
    setLine(QStringLiteral("ST000001"), 4, 12.5, 50);

    invoice();

    EXPECT_EQ(value("01", "Cari", QStringLiteral("SELECT Borc, Bakiye, Hesap FROM CariKartlar WHERE CariKod='C001'")),
        QStringLiteral("80.0|20.0|Alacak"));
    EXPECT_EQ(value("01", "Stok",
                  QStringLiteral("SELECT CikanMik, KalanA, KalanB FROM StokKartlar WHERE StokKod='ST000001'")),
        QStringLiteral("7.0|2.0|0.0"));
}

TEST_F(SalesInvoiceTest, ZeroTotalWritesNothingButTheCounterAdvances)
{
    setLine(QStringLiteral("ST000001"), 3, 0, 0);
    const QString before = footprint();

    invoice();

    EXPECT_EQ(contents(counterFile()), QByteArray("\"00001\"\r\n"));
    EXPECT_TRUE(storedCounter().isEmpty());
    EXPECT_EQ(count("01", "Fatura", "Faturalar"), 0);
    EXPECT_EQ(count("01", "Stok", "StokHareket"), 0);
    // One document serial was drawn; nothing else changed.
    EXPECT_EQ(value("01", "Index", QStringLiteral("SELECT Indexi FROM Mdbindex")), QStringLiteral("171"));
    EXPECT_NE(footprint(), before);
    EXPECT_EQ(form->Check1[kSale]->value(), 0);
}

TEST_F(SalesInvoiceTest, CounterContinuesFromTheFileAndKeepsItsWidth)
{
    QFile file(counterFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\"99999\"\r\n");
    file.close();
    setLine(QStringLiteral("ST000001"), 1, 10, 10);

    invoice();

    EXPECT_EQ(contents(counterFile()), QByteArray("\"100000\"\r\n"));
    EXPECT_EQ(value("01", "Fatura", QStringLiteral("SELECT FaturaNo FROM Faturalar")), QStringLiteral("S100000"));
    EXPECT_EQ(storedCounter(), QStringLiteral("211111"));
}

TEST_F(SalesInvoiceTest, LostCounterFileNeverRepeatsAnInvoiceNumber)
{
    setLine(QStringLiteral("ST000001"), 1, 10, 10);
    invoice();
    ASSERT_TRUE(QFile::remove(counterFile()));

    reenterMode(kSale);
    setLine(QStringLiteral("ST000001"), 2, 10, 20);
    invoice();

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(value("01", "Fatura", QStringLiteral("SELECT group_concat(FaturaNo || ':' || FatTop) FROM Faturalar")),
        QStringLiteral("S00001:10.0,S00002:20.0"));
    EXPECT_EQ(contents(counterFile()), QByteArray("\"00002\"\r\n"));
}

TEST_F(SalesInvoiceTest, MissingStockCardLeavesTheBooksAndTheDocumentAsTheyWere)
{
    setLine(QStringLiteral("ST000001"), 1, 10, 10, 1.8);
    setLine(QStringLiteral("ST000002"), 2, 5, 10);
    runOnFile(setFile("01", "Stok"), {QStringLiteral("DELETE FROM StokKartlar WHERE StokKod='ST000002'")});
    const QString before = footprint();

    invoice();

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().contains(QStringLiteral("Stok kartı bulunamadı: ST000002")));
    EXPECT_EQ(footprint(), before);
    EXPECT_TRUE(storedCounter().isEmpty());
    // The counter is spent, so no two invoices can ever share it.
    EXPECT_EQ(contents(counterFile()), QByteArray("\"00001\"\r\n"));
    // The operator is back at the capture with the lines, and can try again.
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB), total(GirenTutar) FROM StokKartlar")),
        QStringLiteral("3.0|20.0"));
    EXPECT_EQ(form->Check1[kSale]->value(), 1);
    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_TRUE(form->Frame1->isHidden());

    runOnFile(
        setFile("01", "Stok"), {QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi) VALUES ('ST000002', 'X')")});
    invoice();
    EXPECT_EQ(dialogs.messages.size(), 1) << dialogs.messages.last().toStdString();
    EXPECT_EQ(
        value("01", "Fatura", QStringLiteral("SELECT FaturaNo, FatTop FROM Faturalar")), QStringLiteral("S00002|20.0"));
    EXPECT_EQ(count("01", "Fatura", "FatHareket"), 2);
}


TEST_F(SalesInvoiceTest, UnwritableCounterFileStopsBeforeAnything)
{
    setLine(QStringLiteral("ST000001"), 1, 10, 10);
    // A folder where the counter file should be: it can be neither read nor replaced.
    ASSERT_TRUE(QDir().mkpath(counterFile()));
    const QString before = footprint();

    invoice();

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().contains(QStringLiteral("FatNo.txt")));
    EXPECT_EQ(footprint(), before);
    EXPECT_EQ(value(tempPath(), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")), QStringLiteral("1.0"));
}

} // namespace
