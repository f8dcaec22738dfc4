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
    QString onC(const char *relative) const
    {
        return tree.paths().driveRoots.value(u'C') + u'/' + QString::fromUtf8(relative).replace(u'\\', u'/');
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

    bool copy(const char *source, const char *target)
    {
        copier.setSourceFile(QString::fromUtf8(source));
        copier.setTargetFile(QString::fromUtf8(target));
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

// Blocks of ByteSize bytes (4096 when it is 0 or negative), one progress
// report each and a final zero, then with Verify the blocks compared; the
// target ends exactly as long as the source.
TEST_F(FileCopyTest, ReportsEveryBlockThenZero)
{
    const Progress tenThousand{{40, 4096.0}, {81, 8192.0}, {100, 10000.0}, {0, 10000.0}};
    const struct { qint64 size; double byteSize; bool verify; Progress progress; } cases[] = {
        {0, 0, false, {{0, 0.0}}},
        {10000, 0, false, tenThousand},
        {10000, -1, false, tenThousand},
        {10000, 4096, false, tenThousand},
        {10000, 4096, true,
         {{40, 4096.0}, {81, 8192.0}, {100, 10000.0}, {0, 10000.0}, {40, 4096.0}, {81, 8192.0}, {100, 10000.0}}},
        {5000, 4096, false, {{81, 4096.0}, {100, 5000.0}, {0, 5000.0}}}, // over the longer target of the case before
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, ByteSize " << c.byteSize << (c.verify ? ", verified" : ""));
        const QByteArray data = pattern(c.size);
        write(onC("source.bin"), data);
        copier.setByteSize(c.byteSize);
        copier.setVerify(c.verify);
        progress.clear();

        EXPECT_TRUE(copy("C:\\source.bin", "C:\\target.bin"));

        EXPECT_EQ(progress, c.progress);
        EXPECT_TRUE(QFileInfo(onC("target.bin")).isFile());
        EXPECT_EQ(read(onC("target.bin")), data);
        EXPECT_EQ(copier.byteSize(), 4096.0);
        EXPECT_EQ(errorNumber, 0);
        EXPECT_TRUE(errorText.isEmpty());
    }
}

// Missing folders of the target are made, inside a share but never the share;
// a file copied onto itself (names differing in case) is kept; blanks at the
// end of a name are part of it.
TEST_F(FileCopyTest, CopiesWhereverTheNamesLead)
{
    QDir().mkpath(tree.dataFolder());
    // The file on C:, the names given and where the copy lands.
    const struct { const char *file, *source, *target; QString copied; } cases[] = {
        {"source.bin", "C:\\source.bin", "C:\\A\\B\\copy.mdb", onC("A/B/copy.mdb")},
        {"source.bin", "C:\\source.bin", "\\\\127.0.0.1\\MuhasebeData\\Yedek\\01\\Stok.mdb",
         tree.dataFolder() + QStringLiteral("/Yedek/01/Stok.mdb")},
        {"Stok.mdb", "C:\\Stok.mdb", "C:\\STOK.MDB", onC("Stok.mdb")},
        {"data.bin  ", "C:\\data.bin  ", "C:\\copy.bin", onC("copy.bin")},
    };
    for (const auto &c : cases) {
        const QByteArray data = pattern(5000) + c.target;
        write(onC(c.file), data);
        EXPECT_TRUE(copy(c.source, c.target)) << c.target;
        EXPECT_EQ(read(c.copied), data) << c.target;
    }
}

TEST_F(FileCopyTest, DecliningToOverwriteLeavesTheTargetUntouched)
{
    write(onC("source.bin"), pattern(9000));
    write(onC("target.bin"), "the old target");
    overwrite = false;

    EXPECT_FALSE(copy("C:\\source.bin", "C:\\target.bin"));

    EXPECT_EQ(errorNumber, 100030);
    EXPECT_EQ(errorText, QStringLiteral("File copy canceled..."));
    EXPECT_EQ(asked, QStringList{QStringLiteral("C:\\target.bin")});
    EXPECT_EQ(read(onC("target.bin")), QByteArray("the old target"));
    EXPECT_EQ(progress, (Progress{{0, 0.0}}));
}

TEST_F(FileCopyTest, VerifiedCopyThatDiffersIsWipedAndRemoved)
{
    const QString sourcePath = onC("source.bin");
    const QString targetPath = onC("target.bin");
    write(sourcePath, pattern(10000));
    // A second name for the target's storage shows what the wipe left in it.
    write(targetPath, "old");
    const QString witness = onC("witness.bin");
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

    EXPECT_FALSE(copy("C:\\source.bin", "C:\\target.bin"));

    EXPECT_EQ(errorNumber, 110000);
    EXPECT_EQ(errorText, QStringLiteral("Target file is not the same as the source file..."));
    EXPECT_FALSE(QFileInfo::exists(targetPath));
    EXPECT_EQ(read(witness), QByteArray(3 * 4096, '0'));
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.back(), std::make_pair(0, 10000.0));
}

TEST_F(FileCopyTest, SourceThatShrinksWhileCopiedFailsInsteadOfLooping)
{
    const QString sourcePath = onC("source.bin");
    // Larger than one transfer, so that the second read finds the file cut short.
    write(sourcePath, pattern(200000));
    QObject::connect(&copier, &FileCopy::progress, [&](int, double done) {
        if (done == 4096.0)
            QFile::resize(sourcePath, 4096);
    });

    EXPECT_FALSE(copy("C:\\source.bin", "C:\\target.bin"));

    EXPECT_EQ(errorNumber, QFileDevice::ReadError);
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_EQ(progress.back(), std::make_pair(0, 65536.0));
}

// A folder where the target should be, a file where a folder should be and a
// share that is not there (which is never made up locally) fail with the file
// layer's own code; error variables the caller had set already are kept.
TEST_F(FileCopyTest, FileLayerFailuresGiveItsCodeAndKeepEarlierErrors)
{
    write(onC("source.bin"), pattern(100));
    QDir().mkpath(onC("Temp.Mdb"));
    write(onC("A"), "a file, not a folder");
    const std::pair<const char *, const char *> cases[] = {
        {"C:\\Temp.Mdb", ""},
        {"C:\\A\\B\\copy.mdb", "C:\\A"},
        {"\\\\10.0.0.9\\Data\\x\\Stok.mdb", ""},
    };
    for (const auto &[target, named] : cases) {
        errorNumber = 0;
        errorText.clear();
        progress.clear();
        EXPECT_FALSE(copy("C:\\source.bin", target));
        EXPECT_NE(errorNumber, 0) << target;
        EXPECT_LT(errorNumber, 100000) << target;
        EXPECT_FALSE(errorText.isEmpty()) << target;
        EXPECT_TRUE(errorText.contains(QString::fromUtf8(named))) << errorText.toStdString();
        EXPECT_EQ(progress, (Progress{{0, 0.0}})) << target;
    }
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(QFileInfo(onC("A")).isFile());
    EXPECT_FALSE(QFileInfo::exists(tree.paths().sharesRoot + QStringLiteral("/10.0.0.9")));

    errorNumber = 7;
    errorText = QStringLiteral("earlier");
    EXPECT_FALSE(copy("C:\\source.bin", "C:\\Temp.Mdb"));
    EXPECT_EQ(errorNumber, 7);
    EXPECT_EQ(errorText, QStringLiteral("earlier"));
}

// Names missing, or a source that is not a file, are refused by both
// operations before anything is made.
TEST_F(FileCopyTest, ChecksRefuseWithTheirCodeAndCreateNothing)
{
    write(onC("source.bin"), pattern(100));
    QDir().mkpath(onC("folder"));
    const struct { const char *source, *target; qint32 number; const char *text; } cases[] = {
        {"   ", "C:\\target.bin", 100000, "Please enter a source file..."},
        {"", "C:\\target.bin", 100000, "Please enter a source file..."},
        {"C:\\source.bin", " ", 100010, "Please enter a target file..."},
        {"", "", 100000, "Please enter a source file..."},
        {"C:\\nothing.bin", "C:\\target.bin", 100020, "The source file does not exist..."},
        {"C:\\source.bin  ", "C:\\target.bin", 100020, "The source file does not exist..."}, // blanks are kept
        {"C:\\folder", "C:\\target.bin", 100020, "The source file does not exist..."},
        {"source.bin", "C:\\target.bin", 100020, "The source file does not exist..."},
        {"Q:\\source.bin", "C:\\target.bin", 100020, "The source file does not exist..."},
    };
    for (const auto &c : cases) {
        for (const bool verifying : {false, true}) {
            SCOPED_TRACE(std::string(c.source) + " -> " + c.target + (verifying ? " verify" : " copy"));
            copier.setSourceFile(QString::fromUtf8(c.source));
            copier.setTargetFile(QString::fromUtf8(c.target));
            errorNumber = 0;
            progress.clear();
            EXPECT_FALSE(verifying ? copier.verifyFile(errorNumber, errorText) : copier.copyFile(errorNumber, errorText));
            EXPECT_EQ(errorNumber, c.number);
            EXPECT_EQ(errorText, QString::fromUtf8(c.text));
            EXPECT_EQ(progress, (Progress{{0, 0.0}}));
            EXPECT_FALSE(QFileInfo::exists(onC("target.bin")));
        }
    }
}

// Compares up to the source's length and never touches (or creates) the target.
TEST_F(FileCopyTest, VerifyComparesUpToTheSourcesLength)
{
    // -1: no target, no byte changed.
    const struct { const char *name; qint64 targetSize, changedByte; qint32 number; } cases[] = {
        {"identical", 10000, -1, 0},
        {"first byte differs", 10000, 0, 110000},
        {"last byte differs", 10000, 9999, 110000},
        {"block boundary differs", 10000, 4096, 110000},
        {"longer target with the same start", 12000, -1, 0},
        {"longer target differing only beyond the source", 12000, 11000, 0},
        {"shorter target", 9000, -1, 110000},
        {"empty target", 0, -1, 110000},
        {"no target", -1, -1, QFileDevice::OpenError},
    };
    write(onC("source.bin"), pattern(10000));
    copier.setSourceFile(QStringLiteral("C:\\source.bin"));
    copier.setTargetFile(QStringLiteral("C:\\target.bin"));
    for (const auto &c : cases) {
        QFile::remove(onC("target.bin"));
        QByteArray target = pattern(std::max<qint64>(c.targetSize, 10000)).left(std::max<qint64>(c.targetSize, 0));
        if (c.changedByte >= 0)
            target[c.changedByte] = static_cast<char>(target.at(c.changedByte) ^ 1);
        if (c.targetSize >= 0)
            write(onC("target.bin"), target);
        errorNumber = 0;

        EXPECT_EQ(copier.verifyFile(errorNumber, errorText), c.number == 0) << c.name;

        EXPECT_EQ(errorNumber, c.number) << c.name;
        EXPECT_EQ(read(onC("target.bin")), target) << c.name;
        EXPECT_EQ(QFileInfo::exists(onC("target.bin")), c.targetSize >= 0) << c.name;
    }
}

} // namespace
} // namespace pusla
