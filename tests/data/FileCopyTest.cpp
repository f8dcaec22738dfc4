#include "data/FileCopy.h"
#include "base/PathMapper.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>
#include <utility>
#include <vector>

namespace pusla {
namespace {

using Progress = std::vector<std::pair<int, double>>;

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

class FileCopyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QObject::connect(&copier, &FileCopy::progress,
                         [this](int percent, double bytes) { progress.emplace_back(percent, bytes); });
        copier.setOverwriteQuestion([this](const QString &target) {
            asked << target;
            return overwrite;
        });
    }

    /// The local file behind C:\<relative>.
    QString onC(const QString &relative) const
    {
        return tree.paths().driveRoots.value(u'C') + u'/' + QString(relative).replace(u'\\', u'/');
    }

    static void write(const QString &localPath, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(localPath).path());
        QFile file(localPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray read(const QString &localPath)
    {
        QFile file(localPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool copy(const QString &source, const QString &target)
    {
        copier.setSourceFile(source);
        copier.setTargetFile(target);
        return copier.copyFile(errorNumber, errorText);
    }

    test::TempTree tree;
    PathMapper mapper{tree.paths()};
    FileCopy copier{mapper};
    QStringList asked;    ///< the targets the overwrite question was asked about
    bool overwrite = true; ///< the answer to it
    Progress progress;
    qint32 errorNumber = 0;
    QString errorText;
};

TEST_F(FileCopyTest, EmptySourceGivesEmptyTargetAndOneFinalProgress)
{
    write(onC(QStringLiteral("empty.mdb")), {});

    EXPECT_TRUE(copy(QStringLiteral("C:\\empty.mdb"), QStringLiteral("C:\\copy.mdb")));

    EXPECT_TRUE(QFileInfo(onC(QStringLiteral("copy.mdb"))).isFile());
    EXPECT_EQ(QFileInfo(onC(QStringLiteral("copy.mdb"))).size(), 0);
    EXPECT_EQ(progress, (Progress{{0, 0.0}}));
    EXPECT_EQ(errorNumber, 0);
    EXPECT_TRUE(errorText.isEmpty());
}

class FileCopyBlockTest : public FileCopyTest, public ::testing::WithParamInterface<double>
{
};

// 10,000 bytes in blocks of 4096, 4096 and 1808, whether the block size was
// given or left to the default.
TEST_P(FileCopyBlockTest, ReportsEveryBlockThenZero)
{
    const QByteArray data = pattern(10000);
    write(onC(QStringLiteral("source.bin")), data);
    copier.setByteSize(GetParam());

    EXPECT_TRUE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\target.bin")));

    EXPECT_EQ(progress, (Progress{{40, 4096.0}, {81, 8192.0}, {100, 10000.0}, {0, 10000.0}}));
    EXPECT_EQ(read(onC(QStringLiteral("target.bin"))), data);
    EXPECT_EQ(copier.byteSize(), 4096.0);
}

INSTANTIATE_TEST_SUITE_P(ByteSize, FileCopyBlockTest, ::testing::Values(0.0, -1.0, 4096.0));

TEST_F(FileCopyTest, CreatesMissingFoldersOfADriveTarget)
{
    const QByteArray data = pattern(5000);
    write(onC(QStringLiteral("source.bin")), data);
    ASSERT_FALSE(QFileInfo::exists(onC(QStringLiteral("A"))));

    EXPECT_TRUE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\A\\B\\copy.mdb")));

    EXPECT_TRUE(QFileInfo(onC(QStringLiteral("A"))).isDir());
    EXPECT_TRUE(QFileInfo(onC(QStringLiteral("A/B"))).isDir());
    EXPECT_EQ(read(onC(QStringLiteral("A/B/copy.mdb"))), data);
}

TEST_F(FileCopyTest, CreatesMissingFoldersInsideAShareButNeverTheShare)
{
    const QByteArray data = pattern(300);
    write(onC(QStringLiteral("source.bin")), data);
    QDir().mkpath(tree.dataFolder());

    EXPECT_TRUE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\Yedek\\01\\Stok.mdb")));
    EXPECT_EQ(read(tree.dataFolder() + QStringLiteral("/Yedek/01/Stok.mdb")), data);

    // A share that is not there is not reachable: it is not made up locally.
    progress.clear();
    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("\\\\10.0.0.9\\Data\\x\\Stok.mdb")));
    EXPECT_NE(errorNumber, 0);
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(tree.paths().sharesRoot + QStringLiteral("/10.0.0.9")));
    EXPECT_EQ(progress, (Progress{{0, 0.0}}));
}

TEST_F(FileCopyTest, DecliningToOverwriteLeavesTheTargetUntouched)
{
    write(onC(QStringLiteral("source.bin")), pattern(9000));
    const QByteArray old("the old target");
    write(onC(QStringLiteral("target.bin")), old);
    overwrite = false;

    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\target.bin")));

    EXPECT_EQ(errorNumber, 100030);
    EXPECT_EQ(errorText, QStringLiteral("File copy canceled..."));
    EXPECT_EQ(asked, QStringList{QStringLiteral("C:\\target.bin")});
    EXPECT_EQ(read(onC(QStringLiteral("target.bin"))), old);
    EXPECT_EQ(progress, (Progress{{0, 0.0}}));
}

TEST_F(FileCopyTest, OverwritingALongerTargetLeavesExactlyTheSource)
{
    const QByteArray data = pattern(5000);
    write(onC(QStringLiteral("source.bin")), data);
    write(onC(QStringLiteral("target.bin")), QByteArray(20000, 'z'));

    EXPECT_TRUE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\target.bin")));

    EXPECT_EQ(read(onC(QStringLiteral("target.bin"))), data);
}

TEST_F(FileCopyTest, CopyingAFileOntoItselfKeepsIt)
{
    const QByteArray data = pattern(10000);
    write(onC(QStringLiteral("Stok.mdb")), data);

    // The names differ only in case, so both find the same file.
    EXPECT_TRUE(copy(QStringLiteral("C:\\Stok.mdb"), QStringLiteral("C:\\STOK.MDB")));

    EXPECT_EQ(read(onC(QStringLiteral("Stok.mdb"))), data);
}

TEST_F(FileCopyTest, VerifiedCopyComparesEveryBlock)
{
    const QByteArray data = pattern(10000);
    write(onC(QStringLiteral("source.bin")), data);
    copier.setVerify(true);

    EXPECT_TRUE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\target.bin")));

    EXPECT_EQ(read(onC(QStringLiteral("target.bin"))), data);
    EXPECT_EQ(progress, (Progress{{40, 4096.0}, {81, 8192.0}, {100, 10000.0}, {0, 10000.0},
                                  {40, 4096.0}, {81, 8192.0}, {100, 10000.0}}));
}

TEST_F(FileCopyTest, VerifiedCopyThatDiffersIsWipedAndRemoved)
{
    const QString sourcePath = onC(QStringLiteral("source.bin"));
    const QString targetPath = onC(QStringLiteral("target.bin"));
    write(sourcePath, pattern(10000));
    // A second name for the target's storage shows what the wipe left in it.
    write(targetPath, "old");
    const QString witness = onC(QStringLiteral("witness.bin"));
    ASSERT_EQ(::link(QFile::encodeName(targetPath).constData(), QFile::encodeName(witness).constData()), 0);
    copier.setVerify(true);
    // The source changes between the copy and its comparison.
    QObject::connect(&copier, &FileCopy::progress, [&](int percent, double bytes) {
        if (percent == 0 && bytes == 10000.0 && progress.size() == 4) {
            QFile source(sourcePath);
            ASSERT_TRUE(source.open(QIODevice::ReadWrite));
            source.seek(9000);
            source.write("!");
        }
    });

    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\target.bin")));

    EXPECT_EQ(errorNumber, 110000);
    EXPECT_EQ(errorText, QStringLiteral("Target file is not the same as the source file..."));
    EXPECT_FALSE(QFileInfo::exists(targetPath));
    EXPECT_EQ(read(witness), QByteArray(3 * 4096, '0'));
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.back(), std::make_pair(0, 10000.0));
}

TEST_F(FileCopyTest, TrailingBlanksPassTheCheckAndNameTheFileExactly)
{
    write(onC(QStringLiteral("data.bin")), "without blanks");

    EXPECT_FALSE(copy(QStringLiteral("C:\\data.bin  "), QStringLiteral("C:\\copy.bin")));
    EXPECT_EQ(errorNumber, 100020);

    errorNumber = 0;
    errorText.clear();
    write(onC(QStringLiteral("data.bin  ")), "with blanks");
    EXPECT_TRUE(copy(QStringLiteral("C:\\data.bin  "), QStringLiteral("C:\\copy.bin")));
    EXPECT_EQ(read(onC(QStringLiteral("copy.bin"))), QByteArray("with blanks"));
}

TEST_F(FileCopyTest, TargetThatIsAFolderFailsWithTheFileLayersError)
{
    write(onC(QStringLiteral("source.bin")), pattern(100));
    QDir().mkpath(onC(QStringLiteral("Temp.Mdb")));

    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\Temp.Mdb")));

    EXPECT_NE(errorNumber, 0);
    EXPECT_LT(errorNumber, 100000);
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(progress, (Progress{{0, 0.0}}));
}

TEST_F(FileCopyTest, AFileInTheWayOfAFolderFailsTheCopy)
{
    write(onC(QStringLiteral("source.bin")), pattern(100));
    write(onC(QStringLiteral("A")), "a file, not a folder");

    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\A\\B\\copy.mdb")));

    EXPECT_NE(errorNumber, 0);
    EXPECT_LT(errorNumber, 100000);
    EXPECT_TRUE(errorText.contains(QStringLiteral("C:\\A"))) << errorText.toStdString();
    EXPECT_TRUE(QFileInfo(onC(QStringLiteral("A"))).isFile());
}

TEST_F(FileCopyTest, SourceThatShrinksWhileCopiedFailsInsteadOfLooping)
{
    const QString sourcePath = onC(QStringLiteral("source.bin"));
    // Larger than one transfer, so that the second read finds the file cut short.
    write(sourcePath, pattern(200000));
    QObject::connect(&copier, &FileCopy::progress, [&](int, double done) {
        if (done == 4096.0)
            QFile::resize(sourcePath, 4096);
    });

    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\target.bin")));

    EXPECT_EQ(errorNumber, QFileDevice::ReadError);
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_EQ(progress.back(), std::make_pair(0, 65536.0));
}

TEST_F(FileCopyTest, ErrorVariablesAlreadySetAreKeptForUnexpectedFailures)
{
    write(onC(QStringLiteral("source.bin")), pattern(100));
    QDir().mkpath(onC(QStringLiteral("Temp.Mdb")));
    errorNumber = 7;
    errorText = QStringLiteral("earlier");

    EXPECT_FALSE(copy(QStringLiteral("C:\\source.bin"), QStringLiteral("C:\\Temp.Mdb")));

    EXPECT_EQ(errorNumber, 7);
    EXPECT_EQ(errorText, QStringLiteral("earlier"));
}

// --- the checks both operations make ----------------------------------------

struct CheckCase
{
    const char *name;
    const char *source;
    const char *target;
    qint32 number;
    const char *text;
};

class FileCopyCheckTest : public FileCopyTest, public ::testing::WithParamInterface<std::tuple<CheckCase, bool>>
{
};

TEST_P(FileCopyCheckTest, RefusesWithItsCodeAndCreatesNothing)
{
    const auto &[check, verifying] = GetParam();
    write(onC(QStringLiteral("source.bin")), pattern(100));
    QDir().mkpath(onC(QStringLiteral("folder")));
    copier.setSourceFile(QString::fromUtf8(check.source));
    copier.setTargetFile(QString::fromUtf8(check.target));

    const bool ok = verifying ? copier.verifyFile(errorNumber, errorText) : copier.copyFile(errorNumber, errorText);

    EXPECT_FALSE(ok);
    EXPECT_EQ(errorNumber, check.number);
    EXPECT_EQ(errorText, QString::fromUtf8(check.text));
    EXPECT_EQ(progress, (Progress{{0, 0.0}}));
    EXPECT_FALSE(QFileInfo::exists(onC(QStringLiteral("target.bin"))));
}

const CheckCase kChecks[] = {
    {"BlankSource", "   ", "C:\\target.bin", 100000, "Please enter a source file..."},
    {"EmptySource", "", "C:\\target.bin", 100000, "Please enter a source file..."},
    {"BlankTarget", "C:\\source.bin", " ", 100010, "Please enter a target file..."},
    {"BothBlankSourceFirst", "", "", 100000, "Please enter a source file..."},
    {"MissingSource", "C:\\nothing.bin", "C:\\target.bin", 100020, "The source file does not exist..."},
    {"SourceIsAFolder", "C:\\folder", "C:\\target.bin", 100020, "The source file does not exist..."},
    {"UnmappedSource", "source.bin", "C:\\target.bin", 100020, "The source file does not exist..."},
    {"UnknownDrive", "Q:\\source.bin", "C:\\target.bin", 100020, "The source file does not exist..."},
};

INSTANTIATE_TEST_SUITE_P(Checks, FileCopyCheckTest, ::testing::Combine(::testing::ValuesIn(kChecks), ::testing::Bool()),
                         [](const auto &param) {
                             return std::string(std::get<0>(param.param).name)
                                 + (std::get<1>(param.param) ? "_Verify" : "_Copy");
                         });

// --- comparing without copying ------------------------------------------------

struct VerifyCase
{
    const char *name;
    qint64 targetSize;
    qint64 changedByte; ///< -1: none
    bool same;
};

class FileCopyVerifyTest : public FileCopyTest, public ::testing::WithParamInterface<VerifyCase>
{
};

TEST_P(FileCopyVerifyTest, ComparesUpToTheSourcesLengthAndNeverTouchesTheTarget)
{
    const VerifyCase &c = GetParam();
    const QByteArray data = pattern(10000);
    write(onC(QStringLiteral("source.bin")), data);
    QByteArray target = pattern(std::max<qint64>(c.targetSize, 10000)).left(c.targetSize);
    if (c.changedByte >= 0)
        target[c.changedByte] = static_cast<char>(target.at(c.changedByte) ^ 1);
    write(onC(QStringLiteral("target.bin")), target);
    copier.setSourceFile(QStringLiteral("C:\\source.bin"));
    copier.setTargetFile(QStringLiteral("C:\\target.bin"));

    EXPECT_EQ(copier.verifyFile(errorNumber, errorText), c.same);

    EXPECT_EQ(errorNumber, c.same ? 0 : 110000);
    EXPECT_EQ(read(onC(QStringLiteral("target.bin"))), target);
}

const VerifyCase kVerifyCases[] = {
    {"Identical", 10000, -1, true},
    {"FirstByteDiffers", 10000, 0, false},
    {"LastByteDiffers", 10000, 9999, false},
    {"BlockBoundaryDiffers", 10000, 4096, false},
    {"LongerTargetWithSameStart", 12000, -1, true},
    {"LongerTargetDiffersOnlyBeyondTheSource", 12000, 11000, true},
    {"ShorterTarget", 9000, -1, false},
    {"EmptyTarget", 0, -1, false},
};

INSTANTIATE_TEST_SUITE_P(Targets, FileCopyVerifyTest, ::testing::ValuesIn(kVerifyCases),
                         [](const auto &param) { return std::string(param.param.name); });

TEST_F(FileCopyTest, VerifyingAgainstAMissingTargetFailsWithoutCreatingIt)
{
    write(onC(QStringLiteral("source.bin")), pattern(100));
    copier.setSourceFile(QStringLiteral("C:\\source.bin"));
    copier.setTargetFile(QStringLiteral("C:\\target.bin"));

    EXPECT_FALSE(copier.verifyFile(errorNumber, errorText));

    EXPECT_NE(errorNumber, 0);
    EXPECT_FALSE(QFileInfo::exists(onC(QStringLiteral("target.bin"))));
}

} // namespace
} // namespace pusla
