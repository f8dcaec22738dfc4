#include "base/PathMapper.h"

#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>


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

// Mapping texts to local paths. The machine holds the files below; an
// existing name is found whatever its case, a missing one keeps the case
// as written.

enum Kind { Missing, File, Folder };

struct MappingCase
{
    const char *text; // "{home}" stands for the program folder
    const char *local; // relative to the tree's root; nullptr: refused
    Kind kind = Missing;
};

const MappingCase kMappingCases[] = {
    {R"(\\127.0.0.1\MuhasebeData\01Cari.mdb)", "shares/127.0.0.1/MuhasebeData/01Cari.mdb"},
    {R"(\\127.0.0.1\MuhasebeData\)", "shares/127.0.0.1/MuhasebeData", Folder},
    {R"(\\127.0.0.1\MuhasebeData\\01Stok.mdb)", "shares/127.0.0.1/MuhasebeData/01Stok.mdb"},
    {R"(\\\127.0.0.1\\\MuhasebeData\01Stok.mdb)", "shares/127.0.0.1/MuhasebeData/01Stok.mdb"},
    {R"(\\SERVER\Data/Alt\x.txt)", "shares/SERVER/Data/Alt/x.txt"},
    {R"(\\SERVER\.\Data\.\x.txt)", "shares/SERVER/Data/x.txt"},
    {R"(C:\MuhasebeData\Sayim.txt)", "c/MuhasebeData/Sayim.txt"},
    {R"(c:\MuhasebeData\Sayim.txt)", "c/MuhasebeData/Sayim.txt"},
    {R"(C:\)", "c", Folder},
    {R"(C:\\a\.\b\\)", "c/a/b"},
    {R"(C:/a/b)", "c/a/b"},
    {R"(d:\Yedek\01Cari.mdb)", "d/Yedek/01Cari.mdb"},
    {R"({home}\Temp.Mdb)", "home/Temp.Mdb", File},
    {R"({home}\\Grid\.\Layout.dat)", "home/Grid/Layout.dat"},
    {R"({home}/Stok.mdb)", "home/Stok.mdb"},
    {R"(\\127.0.0.1\muhasebedata\02Cari.mdb)", "shares/127.0.0.1/MuhasebeData/02CARI.MDB", File},
    {R"({home}\TEMP.MDB)", "home/Temp.Mdb", File},
    {R"(C:\a.txt)", "c/a.txt", File}, // the exact name wins over another case
    {R"(C:\A.TXT)", "c/A.TXT", File},
    {R"(C:\A.txt)", "c/A.TXT", File}, // of two other cases, the first in name order
    {R"(c:\MUHASEBEDATA\rapor\Sayim.txt)", "c/MuhasebeData/Rapor/Sayim.txt"},
    {R"(C:\muhasebedata\RAPOR\)", "c/MuhasebeData/Rapor", Folder},
    {R"(C:\muhasebedata\RAPOR)", "c/MuhasebeData/Rapor", Folder},
    {R"(\\127.0.0.1\MUHASEBEDATA\FatNo.txt)", "shares/127.0.0.1/MuhasebeData/FatNo.txt"},
    {R"(C:\Yeni\ALT\Rapor.TXT)", "c/Yeni/ALT/Rapor.TXT"},
    {R"(C:\Yeni)", "c/Yeni"},
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

class PathMapperTest : public PathMapperFixture, public ::testing::Test
{
};

TEST_F(PathMapperTest, MapsToTheRightRootOrRefuses)
{
    for (const char *file : {"shares/127.0.0.1/MuhasebeData/02CARI.MDB", "home/Temp.Mdb", "c/a.txt", "c/A.TXT"})
        touch(under(QString::fromLatin1(file)));
    QDir().mkpath(under(QStringLiteral("c/MuhasebeData/Rapor")));
    for (const MappingCase &c : kMappingCases) {
        QString text = QString::fromUtf8(c.text);
        text.replace(QStringLiteral("{home}"), m_tree.paths().programFolder);
        const std::optional<QString> expected
            = c.local ? std::optional<QString>(under(QString::fromUtf8(c.local))) : std::nullopt;
        EXPECT_EQ(local(m_mapper.toLocal(text)), local(expected)) << c.text;
        EXPECT_EQ(m_mapper.fileExists(text), c.kind == File) << c.text;
        EXPECT_EQ(m_mapper.dirExists(text), c.kind == Folder) << c.text;
    }
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
