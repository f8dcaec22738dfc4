#include "base/PathMapper.h"

#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <ostream>

namespace pusla {
namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

std::string local(const std::optional<QString> &path)
{
    return path ? path->toStdString() : std::string("<refused>");
}

// The machine of a test: TempTree's layout plus a drive D:.
class PathMapperFixture
{
protected:
    PathMapperFixture()
        : m_mapper(pathsWithDriveD(m_tree))
    { }

    static Paths pathsWithDriveD(const test::TempTree &tree)
    {
        Paths paths = tree.paths();
        paths.driveRoots.insert(u'D', tree.root() + QStringLiteral("/d"));
        return paths;
    }

    QString under(const QString &relative) const { return m_tree.root() + u'/' + relative; }

    test::TempTree m_tree;
    PathMapper m_mapper;
};

// Mapping texts to local paths

struct MappingCase
{
    const char *text; // "{home}" stands for the program folder
    const char *local; // relative to the tree's root; nullptr: refused
};

void PrintTo(const MappingCase &c, std::ostream *os)
{
    *os << '"' << c.text << "\" -> " << (c.local ? c.local : "refused");
}

const MappingCase kMappingCases[] = {
    {R"(\\127.0.0.1\MuhasebeData\01Cari.mdb)", "shares/127.0.0.1/MuhasebeData/01Cari.mdb"},
    {R"(\\127.0.0.1\MuhasebeData\)", "shares/127.0.0.1/MuhasebeData"},
    {R"(\\127.0.0.1\MuhasebeData\\01Stok.mdb)", "shares/127.0.0.1/MuhasebeData/01Stok.mdb"},
    {R"(\\\127.0.0.1\\\MuhasebeData\01Stok.mdb)", "shares/127.0.0.1/MuhasebeData/01Stok.mdb"},
    {R"(\\SERVER\Data/Alt\x.txt)", "shares/SERVER/Data/Alt/x.txt"},
    {R"(\\SERVER\.\Data\.\x.txt)", "shares/SERVER/Data/x.txt"},
    {R"(C:\MuhasebeData\Sayim.txt)", "c/MuhasebeData/Sayim.txt"},
    {R"(c:\MuhasebeData\Sayim.txt)", "c/MuhasebeData/Sayim.txt"},
    {R"(C:\)", "c"},
    {R"(C:\\a\.\b\\)", "c/a/b"},
    {R"(C:/a/b)", "c/a/b"},
    {R"(d:\Yedek\01Cari.mdb)", "d/Yedek/01Cari.mdb"},
    {R"({home}\Temp.Mdb)", "home/Temp.Mdb"},
    {R"({home}\\Grid\.\Layout.dat)", "home/Grid/Layout.dat"},
    {R"({home}/Stok.mdb)", "home/Stok.mdb"},
    {R"(\\host\..\x)", nullptr},
    {R"(\\..\x)", nullptr},
    {R"(\\127.0.0.1\MuhasebeData\..\..\x)", nullptr},
    {R"(\\127.0.0.1\MuhasebeData\..)", nullptr},
    {R"(C:\a\..\..\etc)", nullptr},
    {R"(C:\a\..\b)", nullptr},
    {R"(C:\..)", nullptr},
    {R"({home}\..\shares\x)", nullptr},
    {R"({home}/../c)", nullptr},
    {R"(\\)", nullptr},
    {R"(E:\x)", nullptr},
    {R"(C:Temp.Mdb)", nullptr},
    {R"(Temp.Mdb)", nullptr},
    {R"(MuhasebeData\01Cari.mdb)", nullptr},
    {R"(\Temp.Mdb)", nullptr},
    {"", nullptr},
};

class PathMapperMappingTest : public PathMapperFixture, public ::testing::TestWithParam<MappingCase>
{
};

TEST_P(PathMapperMappingTest, MapsToTheRightRootOrRefuses)
{
    const MappingCase &c = GetParam();
    QString text = QString::fromUtf8(c.text);
    text.replace(QStringLiteral("{home}"), m_tree.paths().programFolder);

    const std::optional<QString> expected
        = c.local ? std::optional<QString>(under(QString::fromUtf8(c.local))) : std::nullopt;
    EXPECT_EQ(local(m_mapper.toLocal(text)), local(expected));
}

INSTANTIATE_TEST_SUITE_P(Texts, PathMapperMappingTest, ::testing::ValuesIn(kMappingCases));

// Names without regard to case

class PathMapperTest : public PathMapperFixture, public ::testing::Test
{
};

TEST_F(PathMapperTest, ExistingFileIsFoundWhateverItsCase)
{
    touch(m_tree.dataFolder() + QStringLiteral("/01CARI.MDB"));

    const QString text = QStringLiteral(R"(\\127.0.0.1\muhasebedata\01Cari.mdb)");
    EXPECT_EQ(local(m_mapper.toLocal(text)), local(m_tree.dataFolder() + QStringLiteral("/01CARI.MDB")));
    EXPECT_TRUE(m_mapper.fileExists(text));
}

TEST_F(PathMapperTest, ProgramFolderFileIsOneFileInAnyCase)
{
    const QString programFolder = m_tree.paths().programFolder;
    touch(programFolder + QStringLiteral("/Temp.Mdb"));

    EXPECT_EQ(local(m_mapper.toLocal(programFolder + QStringLiteral(R"(\Temp.mdb)"))),
        local(programFolder + QStringLiteral("/Temp.Mdb")));
    EXPECT_TRUE(m_mapper.fileExists(programFolder + QStringLiteral(R"(\TEMP.MDB)")));
}

TEST_F(PathMapperTest, ExactNameWinsOverOtherCases)
{
    touch(under(QStringLiteral("c/a.txt")));
    touch(under(QStringLiteral("c/A.TXT")));

    EXPECT_EQ(local(m_mapper.toLocal(QStringLiteral(R"(C:\a.txt)"))), local(under(QStringLiteral("c/a.txt"))));
    EXPECT_EQ(local(m_mapper.toLocal(QStringLiteral(R"(C:\A.TXT)"))), local(under(QStringLiteral("c/A.TXT"))));
}

TEST_F(PathMapperTest, FoldersResolveAtEveryLevel)
{
    QDir().mkpath(under(QStringLiteral("c/MuhasebeData/Rapor")));

    EXPECT_EQ(local(m_mapper.toLocal(QStringLiteral(R"(c:\MUHASEBEDATA\rapor\Sayim.txt)"))),
        local(under(QStringLiteral("c/MuhasebeData/Rapor/Sayim.txt"))));
    EXPECT_TRUE(m_mapper.dirExists(QStringLiteral(R"(C:\muhasebedata\RAPOR\)")));
    EXPECT_FALSE(m_mapper.fileExists(QStringLiteral(R"(C:\muhasebedata\RAPOR)")));
}

TEST_F(PathMapperTest, NewFileKeepsTheCaseAsWritten)
{
    QDir().mkpath(m_tree.dataFolder());
    const QString text = QStringLiteral(R"(\\127.0.0.1\MUHASEBEDATA\FatNo.txt)");
    EXPECT_FALSE(m_mapper.fileExists(text));
    const std::optional<QString> created = m_mapper.toLocal(text);
    EXPECT_EQ(local(created), local(m_tree.dataFolder() + QStringLiteral("/FatNo.txt")));

    touch(*created);
    EXPECT_TRUE(m_mapper.fileExists(QStringLiteral(R"(\\127.0.0.1\muhasebedata\FATNO.TXT)")));
    EXPECT_FALSE(m_mapper.dirExists(text));
}

TEST_F(PathMapperTest, MissingFolderKeepsTheRestAsWritten)
{
    EXPECT_EQ(local(m_mapper.toLocal(QStringLiteral(R"(C:\Yeni\ALT\Rapor.TXT)"))),
        local(under(QStringLiteral("c/Yeni/ALT/Rapor.TXT"))));
    EXPECT_FALSE(m_mapper.dirExists(QStringLiteral(R"(C:\Yeni)")));
    EXPECT_FALSE(m_mapper.fileExists(QStringLiteral(R"(E:\Yeni)")));
}

// Listing with wildcards

TEST_F(PathMapperTest, ListFilesMatchesPatternsWithoutRegardToCase)
{
    const QString data = m_tree.dataFolder();
    for (const char *name : {"01Stok.mdb", "02stok.MDB", "03STOK.mdb", "1Stok.mdb", "123Stok.mdb", "04Stok.mdb.bak",
             "01Cari.mdb", "Temp.LDB", "Stok.ldb", "b.ldb", "A.ldb", "Temp.Mdb", "x.ldbx"})
        touch(data + u'/' + QString::fromUtf8(name));
    QDir().mkpath(data + QStringLiteral("/05Stok.mdb"));
    QDir().mkpath(data + QStringLiteral("/Eski.ldb"));

    const QString folder = QStringLiteral(R"(\\127.0.0.1\MuhasebeData\)");
    EXPECT_EQ(m_mapper.listFiles(folder, QStringLiteral("??Stok.mdb")),
        QStringList({QStringLiteral("01Stok.mdb"), QStringLiteral("02stok.MDB"), QStringLiteral("03STOK.mdb")}));
    EXPECT_EQ(m_mapper.listFiles(folder, QStringLiteral("*.ldb")),
        QStringList({QStringLiteral("A.ldb"), QStringLiteral("b.ldb"), QStringLiteral("Stok.ldb"),
            QStringLiteral("Temp.LDB")}));
    EXPECT_EQ(m_mapper.listFiles(folder, QStringLiteral("temp.*")),
        QStringList({QStringLiteral("Temp.LDB"), QStringLiteral("Temp.Mdb")}));
    EXPECT_EQ(m_mapper.listFiles(folder, QStringLiteral("*Stok*.mdb*")).size(), 6);
    EXPECT_EQ(m_mapper.listFiles(QStringLiteral(R"(\\127.0.0.1\muhasebedata)"), QStringLiteral("*")).size(), 13);
    EXPECT_TRUE(m_mapper.listFiles(folder, QStringLiteral("?Stok")).isEmpty());
}

TEST_F(PathMapperTest, ListFilesOfMissingOrRefusedFolderIsEmpty)
{
    touch(under(QStringLiteral("shares/x.ldb")));
    EXPECT_TRUE(m_mapper.listFiles(QStringLiteral(R"(\\127.0.0.1\Yok)"), QStringLiteral("*")).isEmpty());
    EXPECT_TRUE(m_mapper.listFiles(QStringLiteral(R"(\\127.0.0.1\..)"), QStringLiteral("*.ldb")).isEmpty());
}

// Where the files live

TEST(PathsTest, DefaultsFollowHomeAndXdg)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), QStringLiteral("/h"));
    Paths paths = Paths::fromEnvironment(env);
    EXPECT_EQ(paths.programFolder.toStdString(), "/h/.local/share/pusla");
    EXPECT_EQ(paths.sharesRoot.toStdString(), "/h/.local/share/pusla/shares");
    EXPECT_EQ(paths.configFolder.toStdString(), "/h/.config/pusla");
    ASSERT_EQ(paths.driveRoots.size(), 1);
    EXPECT_EQ(paths.driveRoots.value(u'C').toStdString(), "/h");

    env.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/cfg"));
    paths = Paths::fromEnvironment(env);
    EXPECT_EQ(paths.programFolder.toStdString(), "/data/pusla");
    EXPECT_EQ(paths.sharesRoot.toStdString(), "/data/pusla/shares");
    EXPECT_EQ(paths.configFolder.toStdString(), "/cfg/pusla");
}

TEST(PathsTest, PuslaVariablesMoveEachLocation)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), QStringLiteral("/h"));
    env.insert(QStringLiteral("PUSLA_HOME"), QStringLiteral("/opt/pusla"));
    env.insert(QStringLiteral("PUSLA_SHARES"), QStringLiteral("/srv/shares"));
    env.insert(QStringLiteral("PUSLA_DRIVE_C"), QStringLiteral("/srv/c"));
    env.insert(QStringLiteral("PUSLA_DRIVE_D"), QStringLiteral("/srv/d"));
    env.insert(QStringLiteral("PUSLA_DRIVE_DX"), QStringLiteral("/srv/dx"));
    env.insert(QStringLiteral("PUSLA_DRIVE_"), QStringLiteral("/srv/none"));
    env.insert(QStringLiteral("PUSLA_DRIVE_E"), QString());

    const Paths paths = Paths::fromEnvironment(env);
    EXPECT_EQ(paths.programFolder.toStdString(), "/opt/pusla");
    EXPECT_EQ(paths.sharesRoot.toStdString(), "/srv/shares");
    EXPECT_EQ(paths.configFolder.toStdString(), "/h/.config/pusla");
    EXPECT_EQ(paths.driveRoots.size(), 2);
    EXPECT_EQ(paths.driveRoots.value(u'C').toStdString(), "/srv/c");
    EXPECT_EQ(paths.driveRoots.value(u'D').toStdString(), "/srv/d");
}

} // namespace
} // namespace pusla
