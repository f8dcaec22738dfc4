#include "platform/DataControl.h"
#include "platform/LockFile.h"
#include "platform/forms/Controls.h"
#include "platform/DbTestSupport.h"
#include "support/DemoFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>

using namespace pusla;
using namespace pusla::test;

namespace {

class RoleChoiceTest : public DemoFixture
{
protected:
    void SetUp() override
    {
        DemoFixture::SetUp();
        // Cari keeps the centre's set after the role choice, and a marker line
        // in the working database shows whether it was replaced.
        settings.saveSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"),
                             QStringLiteral("1"));
        test::runOnFile(programFile(QStringLiteral("Temp.Mdb")),
                        {QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi) VALUES ('MARKER', 'İşaret')")});
    }

    QString markerLines() const
    {
        return test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
                              QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokKod='MARKER'"));
    }

    void touch(const QString &path, const QByteArray &bytes = "stale")
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

} // namespace

TEST_F(RoleChoiceTest, UserRoleOpensTheWholeSetAndRevealsTheWorkingScreen)
{
    TerminalForm &f = openForm();
    tap(f.Option1[2]);

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(program.endCount, 0);
    EXPECT_FALSE(f.Frame4->isVisible());
    EXPECT_EQ(f.Label6->text(), QStringLiteral("KULLANICI"));
    const QString prefix = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01");
    EXPECT_EQ(f.DataCari->databaseName(), prefix + QStringLiteral("Cari.mdb"));
    EXPECT_EQ(f.DataCari->recordSource(), QStringLiteral("Select * FROM CariKartlar Order By CariKod Asc"));
    EXPECT_GT(f.DataCari->recordset().recordCount(), 0);
    EXPECT_EQ(f.DataStok->databaseName(), prefix + QStringLiteral("Stok.mdb"));
    EXPECT_EQ(f.DataStokHar->recordSource(), QStringLiteral("StokHareket"));
    EXPECT_EQ(f.DataFatHar->databaseName(), prefix + QStringLiteral("Fatura.mdb"));
    EXPECT_EQ(f.IndexSecondary->databaseName(), prefix + QStringLiteral("Index.mdb"));
    EXPECT_EQ(f.IndexSecondary->recordSource(), QStringLiteral("Mdbindex"));
    EXPECT_TRUE(f.DataTemp->recordset().isOpen());
    EXPECT_TRUE(f.Command4->isEnabled());

    // The scan box starts on the first stock card of the set.
    ASSERT_TRUE(f.DataStok->recordset().isOpen());
    EXPECT_EQ(f.DataStok->recordset().absolutePosition(), 0);
    EXPECT_FALSE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.Text1->text(), f.DataStok->recordset().field(QStringLiteral("stokadi")).toString());

    EXPECT_EQ(f.cmbMouseWheel->listCount(), 3);
    EXPECT_EQ(f.cmbMouseWheel->list(1), QStringLiteral("Idle"));
    EXPECT_EQ(f.cmbMouseWheel->text(), QStringLiteral("Up"));
    EXPECT_EQ(markerLines(), QStringLiteral("1")) << "the user role copies nothing";
    EXPECT_TRUE(QFile::exists(dataFile(QStringLiteral("01Cari.ldb")))) << "an open file has its lock file";
}

TEST_F(RoleChoiceTest, ServerRoleCleansStaleLocksAndCopiesTheStockDatabase)
{
    touch(programFile(QStringLiteral("Temp.ldb")));
    touch(programFile(QStringLiteral("SayTmp.LDB")));
    TerminalForm &f = openForm();
    tap(f.Option1[1]);

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(f.Frame4->isVisible());
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("SayTmp.LDB"))));
    EXPECT_EQ(markerLines(), QStringLiteral("0")) << "Temp.Mdb was replaced";
    const QString cards = QStringLiteral("SELECT count(*) FROM StokKartlar");
    EXPECT_EQ(test::cliValue(programFile(QStringLiteral("Temp.Mdb")), cards),
              test::cliValue(dataFile(QStringLiteral("01Stok.mdb")), cards));
    EXPECT_FALSE(f.CopyProgress->isVisible());
}

TEST_F(RoleChoiceTest, ServerRoleLeavesATempDatabaseInUseAlone)
{
    const LockFile heldByAnotherTerminal(programFile(QStringLiteral("Temp.ldb")));
    ASSERT_TRUE(heldByAnotherTerminal.isHeld());
    TerminalForm &f = openForm();
    tap(f.Option1[1]);

    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(markerLines(), QStringLiteral("1"));
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("Temp.ldb"))));
    EXPECT_FALSE(f.Frame4->isVisible());
}

TEST_F(RoleChoiceTest, FailedCopyIsReportedAndTheRoleChoiceGoesOn)
{
    QFile::remove(dataFile(QStringLiteral("01Stok.mdb")));
    TerminalForm &f = openForm();
    tap(f.Option1[1]);

    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Kopyalama Yapılamadı")});
    EXPECT_EQ(program.endCount, 0);
    EXPECT_FALSE(f.Frame4->isVisible());
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("Temp.Mdb"))));
}

TEST_F(RoleChoiceTest, StoredAddressNamesTheBranchSet)
{
    storeServerAddress(QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02"));
    TerminalForm &f = openForm();
    tap(f.Option1[2]);
    EXPECT_EQ(f.DataCari->databaseName(), QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02Cari.mdb"));
    EXPECT_EQ(f.IndexPrimary->databaseName(), QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02Index.mdb"));
    EXPECT_TRUE(f.IndexPrimary->recordset().isOpen());
}

// An unreachable share, a missing account file or a file that is no database
// at all: the message, then the end at once, with no pretence of a connection.
class ConnectionFailureTest : public RoleChoiceTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(ConnectionFailureTest, EndsTheProgramAfterItsMessage)
{
    switch (GetParam()) {
    case 0:
        storeServerAddress(QStringLiteral("\\\\10.9.9.9\\MuhasebeData\\01"));
        break;
    case 1:
        QFile::remove(dataFile(QStringLiteral("01Cari.mdb")));
        break;
    default:
        QFile::remove(dataFile(QStringLiteral("01Cari.mdb")));
        touch(dataFile(QStringLiteral("01Cari.mdb")), QByteArray(4096, 'x'));
        break;
    }
    TerminalForm &f = openForm();
    tap(f.Option1[2]);

    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("MuhasebeData Directory ile Bağlantı kurulamadı...")});
    EXPECT_EQ(program.endCount, 1);
    EXPECT_TRUE(f.Frame4->isVisible()) << "the working screen never appears";
    EXPECT_FALSE(f.DataStok->recordset().isOpen());
    f.close();
    EXPECT_TRUE(placement(QStringLiteral("TerTop")).isEmpty()) << "no unload handling after the end";
    EXPECT_FALSE(QFile::exists(tree.root() + QStringLiteral("/shares/10.9.9.9"))) << "nothing created on a share";
}

INSTANTIATE_TEST_SUITE_P(UnreachableSet, ConnectionFailureTest, ::testing::Values(0, 1, 2));
