#include "store/LockFile.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"

#include "support/DbTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <iostream>
#include <string>

namespace pusla {
namespace {

const QString kReady = QStringLiteral("PUSLA-CHILD-READY");

class LockFileTest : public test::DbFixture
{
protected:
    void SetUp() override
    {
        for (const QString &name : {QStringLiteral("Temp.Mdb"), QStringLiteral("SayTmp.Mdb")})
            test::runOnFile(programFile(name), test::stockCardDdl());
    }

    bool exists(const char *name) const { return lockFileExists(m_mapper, programText(QString::fromLatin1(name))); }
    bool live(const char *name) const { return isLockFileLive(m_mapper, programText(QString::fromLatin1(name))); }

    // Another program holding Temp.Mdb open until told to close or killed.
    QProcess *startHolder()
    {
        QProcess *child = test::startChild(QStringLiteral("LockFileChild.HoldsTempMdbOpen"),
            QStringLiteral("%1|%2").arg(m_tree.root(), programText(QStringLiteral("Temp.Mdb"))));
        m_children.emplace_back(child);
        QByteArray output;
        while (!output.contains(kReady.toLatin1()) && child->waitForReadyRead(30000))
            output += child->readAllStandardOutput();
        EXPECT_TRUE(output.contains(kReady.toLatin1())) << output.toStdString();
        return child;
    }

    std::vector<std::unique_ptr<QProcess>> m_children;
};

TEST_F(LockFileTest, OpenFileKeepsItsLockFileUntilTheLastHolderCloses)
{
    EXPECT_FALSE(exists("Temp.ldb"));
    auto data = test::boundControl(m_mapper, programText(QStringLiteral("Temp.Mdb")), QStringLiteral("StokKartlar"));
    EXPECT_TRUE(QFileInfo::exists(programFile(QStringLiteral("Temp.ldb"))));
    EXPECT_TRUE(live("Temp.ldb"));
    EXPECT_FALSE(exists("SayTmp.ldb"));
    {
        Database direct = Database::open(m_mapper, programText(QStringLiteral("TEMP.MDB")));
        data->close();
        EXPECT_TRUE(live("Temp.ldb"));
    }
    EXPECT_FALSE(exists("Temp.ldb"));
    // A control bound to another file lets the old one go at its refresh.
    data->refresh();
    data->setDatabaseName(programText(QStringLiteral("SayTmp.Mdb")));
    EXPECT_TRUE(exists("Temp.ldb"));
    data->refresh();
    EXPECT_FALSE(exists("Temp.ldb"));
    EXPECT_TRUE(live("SayTmp.ldb"));
}

TEST_F(LockFileTest, StaleLockFileIsToldApartTakenOverAndRemoved)
{
    for (const QString &name :
        {QStringLiteral("Temp.ldb"), QStringLiteral("SAYTMP.LDB"), QStringLiteral("notes.txt")}) {
        QFile file(programFile(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(exists("Temp.ldb"));
    EXPECT_FALSE(live("Temp.ldb"));
    {
        // The next open takes the stale file over, and its close removes it.
        Database direct = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
        EXPECT_TRUE(live("Temp.ldb"));
    }
    EXPECT_FALSE(exists("Temp.ldb"));
    EXPECT_TRUE(exists("SayTmp.ldb"));
    EXPECT_EQ(removeStaleLockFiles(m_mapper, m_tree.paths().programFolder), 1);
    EXPECT_FALSE(exists("SayTmp.ldb"));
    EXPECT_TRUE(QFileInfo::exists(programFile(QStringLiteral("notes.txt"))));
}

// Another program's lock file is left alone while it lives; once the program
// is killed, the file is stale.
TEST_F(LockFileTest, LockFileOfAnotherProgramIsLeftAloneUntilItDies)
{
    QProcess *holder = startHolder();
    EXPECT_TRUE(live("Temp.ldb"));
    EXPECT_EQ(removeStaleLockFiles(m_mapper, m_tree.paths().programFolder), 0);
    {
        // This program's own holder comes and goes; the other one stays.
        Database direct = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
    }
    EXPECT_TRUE(live("Temp.ldb"));
    holder->write("close\n");
    holder->closeWriteChannel();
    ASSERT_TRUE(holder->waitForFinished(30000));
    EXPECT_EQ(holder->exitCode(), 0) << holder->readAllStandardOutput().toStdString();
    EXPECT_FALSE(exists("Temp.ldb"));

    holder = startHolder();
    holder->kill();
    ASSERT_TRUE(holder->waitForFinished(30000));
    EXPECT_TRUE(exists("Temp.ldb"));
    EXPECT_FALSE(live("Temp.ldb"));
    EXPECT_EQ(removeStaleLockFiles(m_mapper, m_tree.paths().programFolder), 1);
    EXPECT_FALSE(exists("Temp.ldb"));
}

TEST(LockFilePath, SameNameWithTheLockExtension)
{
    EXPECT_EQ(LockFile::pathFor(QStringLiteral("/x/Temp.Mdb")), QStringLiteral("/x/Temp.ldb"));
    EXPECT_EQ(LockFile::pathFor(QStringLiteral("/x/01Stok.mdb")), QStringLiteral("/x/01Stok.ldb"));
    EXPECT_EQ(LockFile::pathFor(QStringLiteral("/x/a.b.mdb")), QStringLiteral("/x/a.b.ldb"));
}

// Runs only as the child of the tests above: holds a database open until
// "close" arrives on its input.
TEST(LockFileChild, HoldsTempMdbOpen)
{
    const QStringList task = test::childTask().split(u'|');
    if (task.size() != 2)
        GTEST_SKIP() << "runs only as a child process";
    const PathMapper mapper(Paths::underRoot(task.at(0)));
    {
        Database held = Database::open(mapper, task.at(1));
        std::cout << kReady.toStdString() << std::endl;
        std::string line;
        while (std::getline(std::cin, line) && line != "close") { }
    }
    EXPECT_FALSE(lockFileExists(mapper, task.at(1).left(task.at(1).size() - 4) + QStringLiteral(".ldb")));
}

} // namespace
} // namespace pusla
