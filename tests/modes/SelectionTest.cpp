#include "modes/Selection.h"
#include "app/RoleChoice.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "support/DbTestSupport.h"
#include "store/LockFile.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "support/DemoFixture.h"
#include "support/SpoiltFiles.h"
#include "support/Cases.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

using namespace pusla;
using namespace pusla::test;

namespace {

const QString kShare = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\");

class SelectionTest : public DemoFixture
{
protected:
    QString storedKind() const
    {
        return settings.getSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"));
    }

    void storeKind(const QString &kind)
    {
        settings.saveSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"), kind);
    }

    QStringList column(const QString &path, const QString &sql) const
    {
        const QString values = cliValue(path, sql);
        return values.isEmpty() ? QStringList() : values.split(u'\n');
    }

    static QStringList entries(const ComboBox &list)
    {
        QStringList texts;
        for (int i = 0; i < list.listCount(); ++i)
            texts.append(list.list(i));
        return texts;
    }

    /// No line of the working database holds a captured quantity, so the
    /// clean-up of the operation kind's choice leaves every line in place.
    void clearCapturedQuantities()
    {
        runOnFile(programFile(QStringLiteral("Temp.Mdb")), {QStringLiteral("UPDATE StokKartlar SET KalanB = 0")});
    }
};

struct StoredKind
{
    const char *name;
    const char *stored; // nullptr: nothing stored
    bool depo;
};

using StoredKindTest = Cases<SelectionTest, StoredKind>;

using ResetTest = Cases<SelectionTest, int>;

struct Balance
{
    const char *name;
    const char16_t *title;
    const char16_t *hesap;
    double bakiye;
    const char16_t *shown;
};

using BalanceTest = Cases<SelectionTest, Balance>;

struct MissingBranch
{
    const char *name;
    const char *file;
    int pick; // -1: the selection of the role choice
    const char16_t *message;
};

using MissingBranchTest = Cases<SelectionTest, MissingBranch>;

} // namespace

TEST_P(StoredKindTest, DecidesTheFirstHandlerAtTheRoleChoice)
{
    if (GetParam().stored)
        storeKind(QString::fromLatin1(GetParam().stored));
    const bool depo = GetParam().depo;
    const QString group = depo ? QStringLiteral("Şube") : QStringLiteral("Müşteri");
    const QStringList titles = column(dataFile(QStringLiteral("01Cari.mdb")),
        QStringLiteral("SELECT Unvan FROM CariKartlar WHERE Gurup='%1' ORDER BY CariKod").arg(group));
    ASSERT_FALSE(titles.isEmpty());

    TerminalForm &f = chooseRole(kUserRole);

    EXPECT_EQ(f.SbCr[0]->isChecked(), depo);
    EXPECT_EQ(f.SbCr[1]->isChecked(), !depo);
    EXPECT_EQ(f.Label5->text(), depo ? QStringLiteral("Depo İşlemleri") : QStringLiteral("Cari İşlemler"));
    EXPECT_EQ(entries(*f.Combo1), titles);
    EXPECT_EQ(f.Combo1->listIndex(), 0);
    EXPECT_EQ(f.Check1[kCount]->isHidden(), !depo);
    EXPECT_EQ(f.FatCmd->isHidden(), depo);
    EXPECT_EQ(storedKind(), depo ? QStringLiteral("0") : QStringLiteral("1"));
    EXPECT_EQ(f.state().dataPath(), kShare + (depo ? QStringLiteral("02") : QStringLiteral("01")));
}

INSTANTIATE_TEST_SUITE_P(Kinds, StoredKindTest,
    ::testing::Values(
        StoredKind {"NoneStored", nullptr, true}, StoredKind {"Depo", "0", true}, StoredKind {"Cari", "1", false},
        // Beyond the menu: the default, never "Cari İşlemler" over a list no posting can trust.
        StoredKind {"Two", "2", true}, StoredKind {"MinusOne", "-1", true}, StoredKind {"Half", "0,5", true},
        StoredKind {"Text", "Cari", true}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(SelectionTest, SecondBranchInTheServerRoleCopiesItsStockDatabase)
{
    const QString branchStock = dataFile(QStringLiteral("03Stok.mdb"));
    const QStringList stockOnHand
        = column(branchStock, QStringLiteral("SELECT StokKod || ':' || KalanB FROM StokKartlar ORDER BY rowid"));
    TerminalForm &f = chooseRole(kServerRole);
    ASSERT_EQ(entries(*f.Combo1), QStringList({QStringLiteral("Şube 02"), QStringLiteral("Şube 03")}));

    f.Combo1->setListIndex(1);

    EXPECT_EQ(f.state().dataPath(), kShare + QStringLiteral("03"));
    const QString temp = programFile(QStringLiteral("Temp.Mdb"));
    EXPECT_EQ(
        column(temp, QStringLiteral("SELECT StokKod || ':' || KalanA FROM StokKartlar ORDER BY rowid")), stockOnHand);
    EXPECT_EQ(f.DataCari->databaseName(), kShare + QStringLiteral("03Cari.mdb"));
    EXPECT_EQ(f.DataStokHar->databaseName(), kShare + QStringLiteral("03Stok.mdb"));
    EXPECT_EQ(f.IndexSecondary->databaseName(), kShare + QStringLiteral("03Index.mdb"));
    EXPECT_TRUE(f.IndexSecondary->recordset().isOpen());
    EXPECT_EQ(f.DataFatHar->databaseName(), kShare + QStringLiteral("03Fatura.mdb")) << "one set for every record";
    EXPECT_TRUE(f.DataTemp->recordset().isOpen());
    EXPECT_EQ(f.DataTemp->recordset().recordCount(),
        cliValue(branchStock, QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokGizle=0")).toInt());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(SelectionTest, CariFromTheMenuOffersTheInvoiceAndDropsCapturedLines)
{
    clearCapturedQuantities();
    TerminalForm &f = chooseRole(kUserRole);
    tap(f.Check1[kSale]);
    const QString temp = programFile(QStringLiteral("Temp.Mdb"));
    runOnFile(temp, {QStringLiteral("UPDATE StokKartlar SET KalanB = 2 WHERE rowid <= 5")});
    const int lines = cliValue(temp, QStringLiteral("SELECT count(*) FROM StokKartlar")).toInt();

    dialogs.choosePopupItem(QStringLiteral("Cari"));
    QTest::mouseClick(f.Label5, Qt::RightButton);

    EXPECT_EQ(f.Check1[kSale]->value(), 0);
    EXPECT_TRUE(f.Check1[kCount]->isHidden());
    EXPECT_FALSE(f.FatCmd->isHidden());
    EXPECT_TRUE(f.SbCr[1]->isChecked());
    EXPECT_FALSE(f.SbCr[0]->isChecked());
    // The list comes from the set the Depo selection left the accounts on.
    const QStringList customers = column(dataFile(QStringLiteral("02Cari.mdb")),
        QStringLiteral("SELECT Unvan FROM CariKartlar WHERE Gurup='Müşteri' ORDER BY CariKod"));
    EXPECT_EQ(entries(*f.Combo1), customers);
    EXPECT_EQ(storedKind(), QStringLiteral("1"));
    EXPECT_EQ(cliValue(temp, QStringLiteral("SELECT count(*) FROM StokKartlar")).toInt(), lines - 5);
}

TEST_P(ResetTest, SelectionResetsTheWorkingListForTheMode)
{
    clearCapturedQuantities();
    TerminalForm &f = chooseRole(kUserRole);
    const QString temp = programFile(QStringLiteral("Temp.Mdb"));
    runOnFile(temp,
        {QStringLiteral("UPDATE StokKartlar SET KalanB = (rowid % 4) * 1.5, GirenTutar = 9.75, KalanA = 99"),
            QStringLiteral("INSERT INTO StokHareket DEFAULT VALUES")});
    const QStringList captured = column(temp, QStringLiteral("SELECT KalanB FROM StokKartlar ORDER BY rowid"));

    tap(f.Check1[GetParam()]);

    const QString price = GetParam() == kPurchase ? QStringLiteral("gFiyat") : QStringLiteral("Fiyat");
    EXPECT_EQ(column(temp, QStringLiteral("SELECT KalanA FROM StokKartlar ORDER BY rowid")), captured);
    EXPECT_EQ(cliValue(temp, QStringLiteral("SELECT count(*) FROM StokKartlar WHERE KalanB<>0 OR GirenTutar<>0")),
        QStringLiteral("0"));
    EXPECT_EQ(cliValue(temp, QStringLiteral("SELECT count(*) FROM StokKartlar WHERE Fiyat2 IS NOT %1").arg(price)),
        QStringLiteral("0"));
    EXPECT_EQ(cliValue(temp, QStringLiteral("SELECT count(*) FROM StokHareket")), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(Modes, ResetTest, ::testing::Values(kSale, kPurchase),
    [](const auto &row) { return row.param == kSale ? "Sale" : "Purchase"; });

TEST_P(BalanceTest, CustomerBalanceShowsOnceAModeIsOn)
{
    const Balance &b = GetParam();
    runOnFile(dataFile(QStringLiteral("01Cari.mdb")),
        {QStringLiteral("UPDATE CariKartlar SET Unvan='%1', Hesap='%2', Bakiye=%3 WHERE CariKod='C001'")
                .arg(QString::fromUtf16(b.title).replace(u'\'', QStringLiteral("''")), QString::fromUtf16(b.hesap))
                .arg(b.bakiye)});
    storeKind(QStringLiteral("1"));
    TerminalForm &f = chooseRole(kUserRole);
    ASSERT_EQ(f.Combo1->text(), QString::fromUtf16(b.title));
    EXPECT_TRUE(f.Frame2->isHidden()) << "no mode on: no balance";

    tap(f.Check1[kSale]);

    EXPECT_EQ(f.Label2->text(), QString::fromUtf16(b.shown));
    EXPECT_FALSE(f.Frame2->isHidden());
    EXPECT_FALSE(f.Command3->isEnabled());
    EXPECT_FALSE(f.Command1[0]->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Customers, BalanceTest,
    ::testing::Values(Balance {"Debtor", u"Deniz Market", u"Borç", 1500, u"1.500,00 Boçlu"},
        Balance {"Creditor", u"Deniz Market", u"Alacak", 1234.5, u"1.234,50 Alacaklı"},
        Balance {"Apostrophe", u"Koç'un Büfesi", u"Alacak", 0.5, u"0,50 Alacaklı"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_P(MissingBranchTest, ServerRoleEndsTheProgramAfterItsMessage)
{
    const MissingBranch &m = GetParam();
    QFile::remove(dataFile(QString::fromLatin1(m.file)));
    TerminalForm &f = openForm();
    if (m.pick >= 0)
        tap(f.Option1[kServerRole]);
    const QByteArray temp = contents(programFile(QStringLiteral("Temp.Mdb")));
    const QString stock = f.DataStok->databaseName();

    if (m.pick >= 0)
        f.Combo1->setListIndex(m.pick);
    else
        tap(f.Option1[kServerRole]);

    EXPECT_EQ(dialogs.messages, QStringList {QString::fromUtf16(m.message)});
    EXPECT_EQ(program.endCount, 1);
    if (m.pick >= 0) {
        EXPECT_EQ(contents(programFile(QStringLiteral("Temp.Mdb"))), temp) << "the local copy is kept";
    }
    EXPECT_EQ(f.DataStok->databaseName(), m.pick >= 0 ? stock : kShare + QStringLiteral("01Stok.mdb"))
        << "nothing is rebound after the end";
    EXPECT_EQ(f.Frame4->isHidden(), m.pick >= 0) << "a role choice ends there too";
}

INSTANTIATE_TEST_SUITE_P(Files, MissingBranchTest,
    ::testing::Values(MissingBranch {"PickedBranch", "03Stok.mdb", 1, u"Şube 03 Bilgisi Bulunamadı"},
        MissingBranch {"AtTheRoleChoice", "02Stok.mdb", -1, u"Şube 02 Bilgisi Bulunamadı"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(SelectionTest, LockedWorkingDatabaseIsResetButNotReplaced)
{
    clearCapturedQuantities();
    const LockFile heldElsewhere(programFile(QStringLiteral("Temp.ldb")));
    TerminalForm &f = chooseRole(kServerRole);
    const QString temp = programFile(QStringLiteral("Temp.Mdb"));
    runOnFile(temp, {QStringLiteral("UPDATE StokKartlar SET KalanB = 3, StokKod = 'OWN' WHERE rowid = 1")});

    f.Combo1->setListIndex(1);

    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(program.endCount, 0);
    EXPECT_EQ(f.state().dataPath(), kShare + QStringLiteral("01"));
    EXPECT_EQ(cliValue(temp,
                  QStringLiteral("SELECT StokKod || ':' || KalanA || ':' || KalanB FROM StokKartlar WHERE rowid = 1")),
        QStringLiteral("OWN:3.0:0.0"));
    EXPECT_EQ(f.DataStok->databaseName(), kShare + QStringLiteral("01Stok.mdb"));
}

TEST_F(SelectionTest, CorruptBranchStockIsCopiedAndUsedWithoutACrash)
{
    const QByteArray junk(8192, 'x');
    replaceFile(dataFile(QStringLiteral("03Stok.mdb")), junk);
    const QByteArray otherBranch = contents(dataFile(QStringLiteral("02Stok.mdb")));
    TerminalForm &f = chooseRole(kServerRole);

    f.Combo1->setListIndex(1);
    tap(f.Check1[kSale]);

    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(program.endCount, 0);
    EXPECT_EQ(contents(programFile(QStringLiteral("Temp.Mdb"))), junk);
    EXPECT_EQ(contents(dataFile(QStringLiteral("03Stok.mdb"))), junk);
    EXPECT_EQ(contents(dataFile(QStringLiteral("02Stok.mdb"))), otherBranch);
    EXPECT_FALSE(f.DataTemp->recordset().isOpen());
    EXPECT_FALSE(f.DataStok->recordset().isOpen());
    EXPECT_TRUE(f.DataCari->recordset().isOpen());
}

// Only a branch copy that exists is refreshed from the branch's stock file.
TEST_F(SelectionTest, CountSelectionRefreshesTheBranchCopyInTheServerRole)
{
    QFile::remove(programFile(QStringLiteral("02Temp.Mdb")));
    runOnFile(programFile(QStringLiteral("03Temp.Mdb")), {QStringLiteral("DELETE FROM StokKartlar")});
    TerminalForm &f = chooseRole(kServerRole);

    tap(f.Check1[kCount]);
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("02Temp.Mdb")));
    EXPECT_FALSE(f.DataTemp->recordset().isOpen());
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("02Temp.Mdb"))));

    f.Combo1->setListIndex(1);
    EXPECT_EQ(f.state().dataPath(), kShare + QStringLiteral("03Stok.mdb"));
    EXPECT_EQ(contents(programFile(QStringLiteral("03Temp.Mdb"))), contents(dataFile(QStringLiteral("03Stok.mdb"))));
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("03Temp.Mdb")));
    EXPECT_EQ(
        f.DataTemp->recordSource(), QStringLiteral("Select * From StokKartlar Where Sube='03' Order By StokAdi Asc"));
    EXPECT_GT(f.DataTemp->recordset().recordCount(), 0);
}

TEST_F(SelectionTest, KindWithoutCardsLeavesTheListEmptyAndSelectsNothing)
{
    runOnFile(dataFile(QStringLiteral("01Cari.mdb")), {QStringLiteral("DELETE FROM CariKartlar WHERE Gurup='Şube'")});
    TerminalForm &f = chooseRole(kUserRole);

    EXPECT_EQ(f.Combo1->listCount(), 0);
    EXPECT_EQ(f.state().dataPath(), kShare + QStringLiteral("01"));
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("Stok.mdb")))
        << "the working list stays where the role choice put it";
    EXPECT_EQ(storedKind(), QStringLiteral("0"));
}
