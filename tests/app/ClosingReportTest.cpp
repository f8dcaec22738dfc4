#include "capture/CaptureFixture.h"
#include "forms/ChoiceIndexes.h"
#include "support/CapturedWarnings.h"
#include "support/Cases.h"
#include "support/SpoiltFiles.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>

using namespace pusla;
using namespace pusla::test;

namespace {

const QByteArray kHeading = QByteArray(" \r\n") + QStringLiteral("     Eksik     Fazla     Stok Adı\r\n").toUtf8();

QString reportFolderIn(const TempTree &tree)
{
    return tree.paths().driveRoots.value(u'C') + QStringLiteral("/MuhasebeData");
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

/// The working screen over a working list of four lines, closed under the
/// branch or account title that Combo1 shows.
class ClosingReportTest : public CaptureFixture
{
protected:
    void SetUp() override
    {
        CaptureFixture::SetUp();
        keepOnlyTheWorkingRows();
    }

    std::vector<StockRow> workingRows() const override
    {
        return {{u"K1"_qs, u"Çay 500 gr."_qs, u"1"_qs, {}, {}, 3, 0}, {u"K2"_qs, u"Ayva"_qs, u"2"_qs, {}, {}, 2.5, 0},
            {u"K3"_qs, u"Dev Kazan"_qs, u"3"_qs, {}, {}, 1.5e12, 1}, {u"K4"_qs, u"Erik"_qs, u"4"_qs, {}, {}, 0, 4}};
    }

    void closeUnder(const QString &title)
    {
        {
            const QSignalBlocker blocker(form->Combo1);
            form->Combo1->clearEntries();
            form->Combo1->addEntry(title);
            form->Combo1->setListIndex(0);
        }
        pressCloseBox(form);
        EXPECT_TRUE(form->isUnloaded());
    }

    QString reportFolder() const { return reportFolderIn(tree); }
    QString desktopFolder() const { return tree.paths().desktopFolder; }
};

using HostileTitleTest = Cases<ClosingReportTest, std::pair<QString, QString>>;
/// The demo set from the role choice on.
using ClosingTheProgramTest = DemoFixture;

} // namespace

// Values wider than the column are written whole, an empty one as blanks.
TEST_F(ClosingReportTest, ItemLinesKeepEveryValueInTheListsOrder)
{
    runOnFile(tempPath(), {QStringLiteral("UPDATE StokKartlar SET KalanB = NULL WHERE StokKod = 'K4'")});
    ASSERT_FALSE(QFileInfo::exists(reportFolder())) << "the folder is made when it is missing";
    closeUnder(QStringLiteral("Şube A"));

    const QByteArray expected = "17.01.2017 15:54:43\r\n" + kHeading
        + QStringLiteral("       2,5         0  Ayva\r\n"
                         "         3         0  Çay 500 gr.\r\n"
                         "1500000000000         1  Dev Kazan\r\n"
                         "                   4  Erik\r\n"
                         " \r\n")
              .toUtf8();
    EXPECT_EQ(QString::fromUtf8(contents(reportFolder() + QStringLiteral("/Şube A.txt"))), QString::fromUtf8(expected));
}

// A title never leads the report or its entry out of their folders.
TEST_P(HostileTitleTest, TitlesBecomeSafeFileNames)
{
    const auto &[title, name] = GetParam();
    closeUnder(title);
    EXPECT_EQ(filesIn(reportFolder()), QStringList {name + QStringLiteral(".txt")});
    EXPECT_EQ(filesIn(desktopFolder()), QStringList {name + QStringLiteral(".desktop")});
    EXPECT_EQ(QDir(tree.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList({u"c"_qs, u"config"_qs, u"desktop"_qs, u"home"_qs, u"shares"_qs}));
}

INSTANTIATE_TEST_SUITE_P(Titles, HostileTitleTest,
    ::testing::Values(std::pair(u"../../etc/x"_qs, u"_._.._etc_x"_qs), std::pair(u"Şube\\Merkez"_qs, u"Şube_Merkez"_qs),
        std::pair(u"Kasa"_qs + QChar(0) + u"\n1"_qs, u"Kasa__1"_qs), std::pair(u".."_qs, u"_."_qs),
        std::pair(u"con"_qs, u"_con"_qs), std::pair(QString(), u"_"_qs),
        std::pair(u"İç Depo: Ölçü?"_qs, u"İç Depo_ Ölçü_"_qs)));

// What a shell or the launcher would expand is quoted in the entry's command.
TEST_F(ClosingReportTest, TheEntrysCommandKeepsTheTitleLiteral)
{
    closeUnder(QStringLiteral("Kasa 100% $HOME `id`"));
    const QString entry
        = QString::fromUtf8(contents(desktopFolder() + QStringLiteral("/Kasa 100% $HOME `id`.desktop")));
    EXPECT_TRUE(entry.contains(
        QStringLiteral("\nExec=xdg-open \"%1/Kasa 100%% \\\\$HOME \\\\`id\\\\`.txt\"\n").arg(reportFolder())))
        << entry.toStdString();
}

TEST_F(ClosingReportTest, AnUnwritableFolderLeavesNothingAndClosingCompletes)
{
    ASSERT_TRUE(QDir().mkpath(reportFolder()));
    const WritableAgain restore(reportFolder());
    if (!makeUnwritable(reportFolder()))
        GTEST_SKIP() << "this machine cannot make the report folder read-only";
    const CapturedWarnings warnings;
    closeUnder(QStringLiteral("Merkez"));
    EXPECT_EQ(filesIn(reportFolder()), QStringList());
    EXPECT_EQ(filesIn(desktopFolder()), QStringList()) << "no entry to a report that is not there";
    EXPECT_TRUE(warnings.joined().find("Merkez.txt was not written") != std::string::npos) << warnings.joined();
}

// A write cut short by a full disk: the report keeps its earlier blocks, and
// no part of this one.
TEST_F(ClosingReportTest, AFullDiskTakesThePartBlockBack)
{
    const QByteArray earlier(1 << 20, 'x');
    ASSERT_TRUE(QDir().mkpath(reportFolder()));
    replaceFile(reportFolder() + QStringLiteral("/Merkez.txt"), earlier);
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = rlim_t(earlier.size() + 40);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const CapturedWarnings warnings;
    closeUnder(QStringLiteral("Merkez"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(contents(reportFolder() + QStringLiteral("/Merkez.txt")) == earlier);
    EXPECT_TRUE(warnings.joined().find("Merkez.txt was not written") != std::string::npos) << warnings.joined();
}

// A count from the role choice to the close box, closed twice on the branch.
TEST_F(ClosingTheProgramTest, ACountLeavesABlockPerClosingAndOneDesktopEntry)
{
    QFile::copy(programFile(QStringLiteral("Stok.mdb")), programFile(QStringLiteral("SayTmp.Mdb")));
    const QString folder = reportFolderIn(tree);
    QString title;
    QByteArray expected;
    for (const int minute : {54, 58}) {
        clock.moment.setTime(QTime(15, minute, 43));
        TerminalForm &f = openForm();
        tap(f.Option1[kUserRole]);
        tap(f.Check1[kCount]);
        title = f.Combo1->text();
        const Recordset &lines = f.DataTemp->recordset();
        ASSERT_GT(lines.recordCount(), 1);
        const QString name = lines.valueAt(0, QStringLiteral("StokAdi")).toString();
        const double shortfall = lines.valueAt(0, QStringLiteral("KalanB")).toDouble();
        const double surplus = lines.valueAt(0, QStringLiteral("KalanA")).toDouble();
        const int count = lines.recordCount();
        f.Text1->setFocus();
        QTest::keyClicks(f.Text1, lines.valueAt(0, QStringLiteral("Barkod")).toString() + u'\r');
        QTest::keyClicks(f.Text2, formats.numberToText(shortfall + 2) + u'\r');

        pressCloseBox(&f);
        const QByteArray block = contents(folder + u'/' + title + QStringLiteral(".txt")).mid(expected.size());
        const QList<QByteArray> rows = block.split('\n');
        const QByteArray opening = "17.01.2017 15:" + QByteArray::number(minute) + ":43\r\n" + kHeading;
        EXPECT_TRUE(block.startsWith(opening));
        const QString counted
            = QStringLiteral("0").rightJustified(10) + formats.numberToText(surplus + 2).rightJustified(10);
        EXPECT_TRUE(rows.contains((counted + QStringLiteral("  %1\r").arg(name)).toUtf8()))
            << "the counted line: none missing, two more over";
        EXPECT_EQ(rows.size(), count + 5) << "every line of the list, ended by CR LF";
        EXPECT_EQ(block.count("\r\n"), count + 4);
        EXPECT_TRUE(block.endsWith("\r\n \r\n"));
        expected += block;
    }
    EXPECT_EQ(contents(folder + u'/' + title + QStringLiteral(".txt")).size(), expected.size());

    const QString entry = tree.paths().desktopFolder + u'/' + title + QStringLiteral(".desktop");
    EXPECT_EQ(filesIn(tree.paths().desktopFolder), QStringList {title + QStringLiteral(".desktop")});
    EXPECT_EQ(QString::fromUtf8(contents(entry)),
        QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nComment=Shortcut to %1.txt\n"
                       "Exec=xdg-open \"%2/%1.txt\"\nPath=%2\nIcon=text-x-generic\nTerminal=false\n")
            .arg(title, folder));
    EXPECT_TRUE(QFileInfo(entry).permissions().testFlag(QFile::ExeOwner));
}

// Closing from the role panel, or with an empty working list, leaves nothing.
TEST_F(ClosingTheProgramTest, ClosingWithoutAListLeavesNoReport)
{
    for (const int role : {kExitRole, kUserRole}) {
        TerminalForm &f = openForm();
        tap(f.Option1[role]);
        if (role == kUserRole) {
            runOnFile(programFile(QStringLiteral("Temp.Mdb")), {QStringLiteral("DELETE FROM StokKartlar")});
            pressCloseBox(&f);
        }
        EXPECT_TRUE(f.isUnloaded());
        EXPECT_FALSE(QFileInfo::exists(reportFolderIn(tree)));
        EXPECT_EQ(filesIn(tree.paths().desktopFolder), QStringList());
    }
}
