#include "app/RoleChoice.h"
#include "data/SettingKeys.h"
#include "store/ServerRoute.h"
#include "store/DataControl.h"
#include "store/LockFile.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "support/DbTestSupport.h"
#include "support/DemoFixture.h"
#include "support/SpoiltFiles.h"

#include <QElapsedTimer>
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
    // Every file of the set is open, the numbering file's tables included.
    for (DataControl *control : {f.DataCari, f.DataCariHar, f.DataStokHar, f.DataFatura, f.DataFatHar, f.IndexPrimary,
             f.IndexSecondary, f.DataTemp})
        EXPECT_TRUE(control->recordset().isOpen()) << control->databaseName().toStdString();
    EXPECT_EQ(f.DataFatHar->databaseName(), QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01Fatura.mdb"));
    EXPECT_TRUE(f.Command4->isEnabled());

    // The scan box starts on the first stock card of the set.
    ASSERT_TRUE(f.DataStok->recordset().isOpen());
    EXPECT_EQ(f.DataStok->recordset().absolutePosition(), 0);
    EXPECT_FALSE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.Text1->text(), f.DataStok->recordset().field(QStringLiteral("stokadi")).toString());

    EXPECT_EQ(f.cmbMouseWheel->listCount(), 3);
    EXPECT_EQ(f.cmbMouseWheel->list(1), QStringLiteral("Idle"));
    EXPECT_EQ(f.cmbMouseWheel->text(), QStringLiteral("Idle")) << "at rest, no step made";
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

// Working files that would swallow the operator's work: the role choice says
// which and what is wrong, and the role panel stays up, so that no working
// mode starts on them.
class SpoiltWorkingPlaceTest : public RoleChoiceTest
{
protected:
    void expectRefused(TerminalForm &f, const char *reason, const QString &named)
    {
        ASSERT_FALSE(dialogs.messages.isEmpty());
        const QString &message = dialogs.messages.last();
        EXPECT_TRUE(message.startsWith(QStringLiteral("Çalışma dosyaları kullanılamıyor; çalışma başlatılmadı.\n")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(reason))) << message.toStdString();
        EXPECT_TRUE(message.contains(named)) << message.toStdString();
        EXPECT_EQ(program.endCount, 0);
        EXPECT_TRUE(f.Frame4->isVisible());
        EXPECT_EQ(f.state().role(), TerminalState::kNone);
    }

    QString tempFile() const { return programFile(QStringLiteral("Temp.Mdb")); }
};

class SpoiltWorkingListTest : public SpoiltWorkingPlaceTest, public ::testing::WithParamInterface<Spoiler>
{
};

TEST_P(SpoiltWorkingListTest, IsNamedAndNoModeStarts)
{
    Restorer original(tempFile());
    if (!GetParam().spoil(tempFile()))
        GTEST_SKIP() << "this machine cannot spoil the working list so";
    TerminalForm &f = openForm();
    tap(f.Option1[kUserRole]);

    EXPECT_EQ(dialogs.messages.size(), 1);
    expectRefused(f, GetParam().reason, tempFile());

    // Put right, the same choice goes on to the working screen.
    original.restore();
    dialogs.messages.clear();
    tap(f.Option1[kUserRole]);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_FALSE(f.Frame4->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Spoilers, SpoiltWorkingListTest,
    ::testing::Values(kMissing, kEmpty, kNotADatabase, kDamagedPage, kReadOnly),
    [](const ::testing::TestParamInfo<Spoiler> &spoiler) { return std::string(spoiler.param.name); });

TEST_F(SpoiltWorkingPlaceTest, ProgramFolderThatTakesNoFilesIsNamed)
{
    const QString folder = tree.paths().programFolder;
    const WritableAgain later(folder);
    if (!makeUnwritable(folder))
        GTEST_SKIP() << "this machine cannot make a folder unwritable";
    TerminalForm &f = openForm();
    tap(f.Option1[kUserRole]);

    EXPECT_EQ(dialogs.messages.size(), 1);
    expectRefused(f, "Program klasörüne yazılamıyor", folder);
}

TEST_F(SpoiltWorkingPlaceTest, ServerRoleRebuildsASpoiltWorkingListAndReportsAFailedCopy)
{
    kEmpty.spoil(tempFile());
    TerminalForm &f = openForm();
    tap(f.Option1[kServerRole]);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_FALSE(f.Frame4->isVisible());
    EXPECT_EQ(integrityCheck(tempFile()), QStringLiteral("ok"));

    QFile::remove(dataFile(QStringLiteral("01Stok.mdb")));
    TerminalForm &g = openForm();
    tap(g.Option1[kServerRole]);
    EXPECT_EQ(dialogs.messages.value(0), QStringLiteral("Kopyalama Yapılamadı"));
    EXPECT_EQ(dialogs.messages.size(), 2);
    expectRefused(g, "bulunamadı", tempFile());
    EXPECT_FALSE(QFile::exists(tempFile()));
}

// An unreachable share or a missing account file: the connection message;
// an account file that is there but damaged: its own message, naming it. Then
// the end at once, with no pretence of a connection.
struct SetFailure
{
    const char *name;
    void (*spoil)(const QString &accountFile);
    const char *message;
};

class ConnectionFailureTest : public RoleChoiceTest, public ::testing::WithParamInterface<SetFailure>
{
};

TEST_P(ConnectionFailureTest, EndsTheProgramAfterItsMessage)
{
    if (GetParam().spoil)
        GetParam().spoil(dataFile(QStringLiteral("01Cari.mdb")));
    else
        storeServerAddress(QStringLiteral("\\\\10.9.9.9\\MuhasebeData\\01"));
    TerminalForm &f = openForm();
    tap(f.Option1[2]);

    EXPECT_EQ(dialogs.messages, QStringList{QString::fromUtf8(GetParam().message)});
    EXPECT_EQ(program.endCount, 1);
    EXPECT_TRUE(f.Frame4->isVisible()) << "the working screen never appears";
    EXPECT_FALSE(f.DataStok->recordset().isOpen());
    f.close();
    EXPECT_TRUE(placement(QStringLiteral("TerTop")).isEmpty()) << "no unload handling after the end";
    EXPECT_FALSE(QFile::exists(tree.root() + QStringLiteral("/shares/10.9.9.9"))) << "nothing created on a share";
}

const char kNoConnection[] = "MuhasebeData Directory ile Bağlantı kurulamadı...";
const char kDamagedAccounts[] = "Muhasebe veri dosyası açılamadı.\nVeritabanı dosyası bozuk ya da bir veritabanı "
                                "değil: \\\\127.0.0.1\\MuhasebeData\\01Cari.mdb";

const SetFailure kSetFailures[] = {
    {"UnreachableShare", nullptr, kNoConnection},
    {"MissingAccounts", [](const QString &file) { QFile::remove(file); }, kNoConnection},
    {"AccountsNotADatabase", [](const QString &file) { replaceFile(file, QByteArray(4096, 'x')); },
        kDamagedAccounts},
    {"AccountsCutShort", [](const QString &file) { replaceFile(file, bytesOf(file).left(8192)); },
        kDamagedAccounts},
};

INSTANTIATE_TEST_SUITE_P(Sets, ConnectionFailureTest, ::testing::ValuesIn(kSetFailures),
    [](const ::testing::TestParamInfo<SetFailure> &failure) { return std::string(failure.param.name); });

// Books on a server that does not answer, or settings that cannot be used:
// the same message and end, at once rather than after a hang.
class ServerStoreFailureTest : public RoleChoiceTest, public ::testing::WithParamInterface<const char *>
{
protected:
    void TearDown() override
    {
        setServerRoute({});
        RoleChoiceTest::TearDown();
    }
};

TEST_P(ServerStoreFailureTest, EndsTheProgramAfterTheConnectionMessage)
{
    settings.saveSetting(
        QStringLiteral("pusla"), settingkeys::StoreSection, settingkeys::StoreKind, QStringLiteral("postgresql"));
    settings.saveSetting(QStringLiteral("pusla"), settingkeys::StoreSection, settingkeys::StoreConninfo,
        QString::fromLatin1(GetParam()).arg(tree.root()));
    QElapsedTimer waited;
    waited.start();
    TerminalForm &f = openForm();
    tap(f.Option1[kUserRole]);
    EXPECT_EQ(dialogs.messages, QStringList {QString::fromUtf8(kNoConnection)});
    EXPECT_EQ(program.endCount, 1);
    EXPECT_LT(waited.elapsed(), 5000);
    EXPECT_FALSE(f.DataCari->recordset().isOpen());
}

INSTANTIATE_TEST_SUITE_P(Stores, ServerStoreFailureTest,
    ::testing::Values("host=%1/no-server dbname=pusla", "host=%1/no-server dbname=pusla password=secret"));

// Files of an earlier version, made without the sort indexes: each file the
// role choice opens gets them; a read-only one is opened as it is.
class EarlierVersionTest : public RoleChoiceTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(EarlierVersionTest, OpenedFilesGetTheirSortIndexes)
{
    const bool readOnly = GetParam();
    const QString stock = dataFile(QStringLiteral("01Stok.mdb"));
    const QString names = QStringLiteral("ix_StokKartlar_StokAdi_sort");
    const QString codes = QStringLiteral("ix_CariKartlar_CariKod_sort");
    for (const QString &file : {stock, programFile(QStringLiteral("Temp.Mdb")), programFile(QStringLiteral("Stok.mdb"))})
        runOnFile(file, {QStringLiteral("DROP INDEX ") + names});
    runOnFile(dataFile(QStringLiteral("01Cari.mdb")), {QStringLiteral("DROP INDEX ") + codes});
    const WritableAgain later(stock);
    if (readOnly && !makeUnwritable(stock))
        GTEST_SKIP() << "this machine cannot make a file read-only";
    TerminalForm &f = openForm();
    tap(f.Option1[kUserRole]);

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_FALSE(f.Frame4->isVisible());
    const QString count = QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='%1'");
    EXPECT_EQ(cliValue(dataFile(QStringLiteral("01Cari.mdb")), count.arg(codes)), QStringLiteral("1"));
    EXPECT_EQ(cliValue(programFile(QStringLiteral("Temp.Mdb")), count.arg(names)), QStringLiteral("1"));
    EXPECT_EQ(cliValue(stock, count.arg(names)), readOnly ? QStringLiteral("0") : QStringLiteral("1"));
}

INSTANTIATE_TEST_SUITE_P(StockFile, EarlierVersionTest, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool> &readOnly) { return readOnly.param ? "ReadOnly" : "Writable"; });
