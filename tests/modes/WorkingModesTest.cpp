#include "modes/WorkingModes.h"
#include "app/RoleChoice.h"
#include "capture/ItemGrids.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "support/DbTestSupport.h"
#include "store/LockFile.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "support/DemoFixture.h"
#include "support/SpoiltFiles.h"
#include "support/Cases.h"

#include <QApplication>
#include <QGroupBox>
#include <QListWidget>
#include <QTableView>
#include <QLabel>
#include <QTest>

using namespace pusla;
using namespace pusla::test;

namespace {

class WorkingModesTest : public DemoFixture
{
protected:
    QString count(const QString &path, const QString &where = QStringLiteral("1")) const
    {
        return cliValue(path, QStringLiteral("SELECT count(*) FROM StokKartlar WHERE ") + where);
    }

    /// The branch files as they come from the accounting suite: no branch code yet.
    void clearBranchCodes()
    {
        for (const QString &branch : {QStringLiteral("02Stok.mdb"), QStringLiteral("03Stok.mdb")})
            runOnFile(dataFile(branch), {QStringLiteral("UPDATE StokKartlar SET Sube = NULL")});
    }

    /// Every pass of the count build's pauses: the count box's caption and
    /// whether any mode box could be used meanwhile.
    void watchPauses(TerminalForm &f)
    {
        program.onDoEvents = [this, &f] {
            clock.elapsed += 0.05;
            if (pauseCaptions.isEmpty() || pauseCaptions.last() != f.Check1[kCount]->text())
                pauseCaptions.append(f.Check1[kCount]->text());
            for (CheckBox *box : f.Check1)
                boxUsableInPause = boxUsableInPause || box->isEnabled();
        };
    }

    QStringList pauseCaptions;
    bool boxUsableInPause = false;
};

using GridColumnsTest = Cases<WorkingModesTest, int>;
using ClearingABoxTest = Cases<WorkingModesTest, bool>;

} // namespace

TEST_F(WorkingModesTest, TickingSaleHidesTheOtherBoxesAndRunsTheSelection)
{
    TerminalForm &f = openForm();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    tap(f.Option1[kUserRole]);
    QPalette cyan = f.Text2->palette();
    cyan.setColor(QPalette::Base, QColor(0x00, 0xFF, 0xFF));
    f.Text2->setPalette(cyan);
    ASSERT_TRUE(f.Command4->isHidden()) << "no mode at the role choice";

    tap(f.Check1[kSale]);

    EXPECT_FALSE(f.Check1[kSale]->isHidden());
    EXPECT_TRUE(f.Check1[kCount]->isHidden());
    EXPECT_TRUE(f.Check1[kPurchase]->isHidden());
    EXPECT_TRUE(f.Frame1->isHidden());
    EXPECT_EQ(f.Text2->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_FALSE(f.Command4->isHidden()) << "the selection ran for sale mode";
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("Temp.Mdb")));
    EXPECT_EQ(f.DataTemp->recordSource(),
        QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc"));
    EXPECT_TRUE(f.DataTemp->recordset().isOpen());
    EXPECT_EQ(QApplication::focusWidget(), f.Text1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// Each mode is entered from the other's columns, so that a mode that leaves
// the columns alone is caught.
TEST_P(GridColumnsTest, FollowTheMode)
{
    const int mode = GetParam();
    TerminalForm &f = chooseRole(kUserRole);
    const int other = mode == kCount ? kSale : kCount;
    tap(f.Check1[other]);
    tap(f.Command1[0]);
    tap(f.Check1[other]);
    tap(f.Check1[mode]);

    EXPECT_EQ(f.DBGrid1->model()->headerData(ItemGrids::CaptureFazla, Qt::Horizontal).toString(),
              mode == kCount ? QStringLiteral("Fazla") : QStringLiteral("Stok"));
    EXPECT_EQ(f.DBGrid1->isColumnHidden(ItemGrids::CaptureFiyat), mode == kCount);
}

INSTANTIATE_TEST_SUITE_P(Modes, GridColumnsTest, ::testing::Values(kSale, kCount, kPurchase));

TEST_F(WorkingModesTest, CountInTheUserRoleUsesTheCountDatabaseAsItIs)
{
    QFile::copy(programFile(QStringLiteral("Stok.mdb")), programFile(QStringLiteral("SayTmp.Mdb")));
    const QByteArray countDatabase = contents(programFile(QStringLiteral("SayTmp.Mdb")));
    TerminalForm &f = chooseRole(kUserRole);
    QStringList opened;
    const QObject listening; // ends the connection before `opened` goes
    QObject::connect(f.DataTemp, &DataControl::recordsetReset, &listening, [&] {
        if (f.DataTemp->recordset().isOpen())
            opened.append(f.DataTemp->databaseName());
    });

    tap(f.Check1[kCount]);

    EXPECT_FALSE(terminal->modes().countBaseBuilt());
    EXPECT_EQ(clock.elapsed, 0.0) << "no build, no pauses";
    EXPECT_EQ(contents(programFile(QStringLiteral("SayTmp.Mdb"))), countDatabase);
    ASSERT_FALSE(opened.isEmpty());
    EXPECT_EQ(opened.first(), programText(QStringLiteral("SayTmp.Mdb")));
    // The selection then moves the list on to the branch's own count copy.
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("02Temp.Mdb")));
    EXPECT_EQ(
        f.DataTemp->recordSource(), QStringLiteral("Select * From StokKartlar Where Sube='02' Order By StokAdi Asc"));
    EXPECT_GT(f.DataTemp->recordset().recordCount(), 0);
    EXPECT_EQ(f.state().dataPath(), QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02Stok.mdb"));
    EXPECT_TRUE(f.Check1[kSale]->isHidden());
    EXPECT_TRUE(f.Command4->isHidden()) << "nothing to post in count mode";
}

// The count database keeps only the indexes of its readers.
TEST_F(WorkingModesTest, CountBuildReadsEveryBranchFileButTheCentres)
{
    clearBranchCodes();
    const QString indexes = QStringLiteral("SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master "
                                           "WHERE type='index' AND tbl_name='StokKartlar' ORDER BY name)");
    const QString everyIndex = cliValue(programFile(QStringLiteral("Stok.mdb")), indexes);
    ASSERT_TRUE(everyIndex.contains(QStringLiteral("ix_StokKartlar_Barkod_fold")));
    const QByteArray centre = contents(dataFile(QStringLiteral("01Stok.mdb")));
    const QString counted = QStringLiteral("StokGizle=0 AND KalanB+KalanA<>0");
    const QString copied = QStringLiteral("StokGizle=0 AND KalanB<>0");
    TerminalForm &f = chooseRole(kServerRole);
    watchPauses(f);

    tap(f.Check1[kCount]);

    EXPECT_TRUE(terminal->modes().countBaseBuilt());
    EXPECT_EQ(pauseCaptions, QStringList({QStringLiteral("02Stok.mdb"), QStringLiteral("03Stok.mdb")}));
    EXPECT_FALSE(boxUsableInPause);
    EXPECT_GE(clock.elapsed, 4.0);
    EXPECT_EQ(f.Check1[kCount]->text(), QStringLiteral("SAYIM"));
    for (CheckBox *box : f.Check1)
        EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(f.File1->count(), 3);
    EXPECT_EQ(contents(dataFile(QStringLiteral("01Stok.mdb"))), centre) << "the centre's file is not read";

    const QString sayTmp = programFile(QStringLiteral("SayTmp.Mdb"));
    int appended = 0;
    for (const QString &branch : {QStringLiteral("02"), QStringLiteral("03")}) {
        const QString file = dataFile(branch + QStringLiteral("Stok.mdb"));
        const QString marked = QStringLiteral("Sube='%1'").arg(branch);
        EXPECT_EQ(count(file, marked), count(file, counted)) << branch.toStdString();
        EXPECT_EQ(count(file, QStringLiteral("Sube IS NULL")), count(file, QStringLiteral("NOT (%1)").arg(counted)));
        EXPECT_EQ(count(sayTmp, marked), count(file, copied)) << branch.toStdString();
        appended += count(file, copied).toInt();
    }
    EXPECT_GT(appended, 0);
    EXPECT_EQ(count(sayTmp).toInt(), count(programFile(QStringLiteral("Stok.mdb"))).toInt() + appended);
    EXPECT_EQ(integrityCheck(dataFile(QStringLiteral("02Stok.mdb"))), QStringLiteral("ok"));
    EXPECT_EQ(integrityCheck(sayTmp), QStringLiteral("ok"));
    EXPECT_EQ(cliValue(sayTmp, indexes), QStringLiteral("ix_StokKartlar_StokAdi_sort ix_StokKartlar_Sube"));
    EXPECT_EQ(cliValue(programFile(QStringLiteral("Stok.mdb")), indexes), everyIndex) << "the copy's source keeps them";
    EXPECT_EQ(cliValue(dataFile(QStringLiteral("02Stok.mdb")), indexes), everyIndex);
}

TEST_F(WorkingModesTest, CountDatabaseIsBuiltOncePerRun)
{
    TerminalForm &f = chooseRole(kServerRole);
    tap(f.Check1[kCount]);
    tap(f.Command1[0]);
    tap(f.Check1[kCount]);
    const QByteArray built = contents(programFile(QStringLiteral("SayTmp.Mdb")));
    const double afterFirst = clock.elapsed;
    ASSERT_GE(afterFirst, 4.0);

    tap(f.Check1[kCount]);

    EXPECT_EQ(clock.elapsed, afterFirst);
    EXPECT_EQ(contents(programFile(QStringLiteral("SayTmp.Mdb"))), built);
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("02Temp.Mdb")));
}

TEST_F(WorkingModesTest, CountDatabaseInUseIsNotRebuilt)
{
    QFile::copy(dataFile(QStringLiteral("03Stok.mdb")), programFile(QStringLiteral("SayTmp.Mdb")));
    const QByteArray inUse = contents(programFile(QStringLiteral("SayTmp.Mdb")));
    TerminalForm &f = chooseRole(kServerRole);
    const LockFile heldElsewhere(programFile(QStringLiteral("SayTmp.ldb")));

    tap(f.Check1[kCount]);

    EXPECT_TRUE(terminal->modes().countBaseBuilt());
    EXPECT_EQ(clock.elapsed, 0.0);
    EXPECT_EQ(contents(programFile(QStringLiteral("SayTmp.Mdb"))), inUse);
}

// A file in the data directory that is no database, or no local stock
// database to start the count database from: the build goes on without a
// crash and writes nothing beyond what it can.
TEST_F(WorkingModesTest, CountBuildPassesOverACorruptBranchFile)
{
    clearBranchCodes();
    const QByteArray junk(8192, 'x');
    replaceFile(dataFile(QStringLiteral("04Stok.mdb")), junk);
    TerminalForm &f = chooseRole(kServerRole);
    watchPauses(f);

    tap(f.Check1[kCount]);

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'|').toStdString();
    EXPECT_EQ(program.endCount, 0);
    EXPECT_EQ(pauseCaptions.size(), 3);
    EXPECT_EQ(contents(dataFile(QStringLiteral("04Stok.mdb"))), junk);
    const QString sayTmp = programFile(QStringLiteral("SayTmp.Mdb"));
    EXPECT_GT(count(sayTmp, QStringLiteral("Sube='03'")).toInt(), 0) << "the file before it was read in full";
    EXPECT_EQ(count(sayTmp, QStringLiteral("Sube='04'")), QStringLiteral("0"));
}

TEST_F(WorkingModesTest, CountBuildWithoutTheLocalStockDatabaseReportsTheCopy)
{
    clearBranchCodes();
    QFile::remove(programFile(QStringLiteral("Stok.mdb")));
    TerminalForm &f = chooseRole(kServerRole);

    tap(f.Check1[kCount]);

    EXPECT_EQ(dialogs.messages, QStringList {QStringLiteral("Kopyalama Yapılamadı")});
    EXPECT_EQ(program.endCount, 0);
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("SayTmp.Mdb"))));
    EXPECT_NE(count(dataFile(QStringLiteral("02Stok.mdb")), QStringLiteral("Sube='02'")), QStringLiteral("0"));
    EXPECT_EQ(f.Check1[kCount]->text(), QStringLiteral("SAYIM"));
    EXPECT_TRUE(f.Check1[kCount]->isEnabled());
}

TEST_P(ClearingABoxTest, OffersTheBoxesOfTheKindAgainWithoutASelection)
{
    const bool depo = GetParam();
    TerminalForm &f = chooseRole(kUserRole);
    if (!depo) {
        dialogs.choosePopupItem(QStringLiteral("Cari"));
        tap(f.Label5, std::nullopt, Qt::RightButton);
    }
    tap(f.Check1[kSale]);
    if (f.Frame2->isVisible())
        tap(f.Command7);
    const QString dataPath = f.state().dataPath();
    ASSERT_FALSE(f.Command4->isHidden());

    tap(f.Command1[0]);
    // Back shows the mode menu with the mode still on.
    EXPECT_FALSE(f.Frame1->isHidden());
    EXPECT_EQ(f.Check1[kSale]->value(), 1);
    EXPECT_TRUE(f.Check1[kPurchase]->isHidden());
    tap(f.Check1[kSale]);

    EXPECT_FALSE(f.Check1[kSale]->isHidden());
    EXPECT_FALSE(f.Check1[kPurchase]->isHidden());
    EXPECT_EQ(f.Check1[kCount]->isHidden(), !depo) << "the count box belongs to Depo mode";
    EXPECT_FALSE(f.Frame1->isHidden()) << "the mode menu stays up until a box is ticked";
    EXPECT_FALSE(f.Command4->isHidden()) << "no selection ran";
    EXPECT_EQ(f.state().dataPath(), dataPath);
    EXPECT_EQ(f.DataTemp->databaseName(), programText(QStringLiteral("Temp.Mdb")));
    EXPECT_TRUE(f.DataTemp->recordset().isOpen());
}

INSTANTIATE_TEST_SUITE_P(Kinds, ClearingABoxTest, ::testing::Values(true, false),
    [](const auto &row) { return row.param ? "Depo" : "Cari"; });

// The mode menu's "Çıkış" closes the program as the window's close box does:
// the unload handling runs once, the placement is saved, nothing ends at once.
using LeavingTest = Cases<WorkingModesTest, bool>;

TEST_P(LeavingTest, UnloadsOnceAndSavesThePlacement)
{
    const bool byButton = GetParam();
    TerminalForm &f = chooseRole(kUserRole);
    int unloads = 0;
    QObject::connect(&f, &TerminalForm::unloaded, [&] { ++unloads; });
    f.move(40, 60);

    if (byButton)
        tap(f.Command1[1]);
    else
        pressCloseBox(&f);

    EXPECT_EQ(unloads, 1);
    EXPECT_TRUE(f.isUnloaded());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(program.endCount, 0);
    EXPECT_EQ(placement(QStringLiteral("TerTop")), QStringLiteral("900"));
    EXPECT_EQ(placement(QStringLiteral("TerLeft")), QStringLiteral("600"));
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingTest, ::testing::Values(true, false),
    [](const auto &row) { return row.param ? "ExitButton" : "CloseBox"; });
