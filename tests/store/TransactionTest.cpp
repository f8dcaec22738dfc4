#include "store/Transaction.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/SharedConnection.h"

#include "support/DbTestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <iostream>
#include <thread>

namespace pusla {
namespace {

const QString kWritten = QStringLiteral("PUSLA-CHILD-WRITTEN");

// The files one posting writes into: the branch's set and the centre's set.
const QStringList kFiles = {QStringLiteral("02Cari.mdb"), QStringLiteral("02Stok.mdb"), QStringLiteral("02Index.mdb"),
    QStringLiteral("01Cari.mdb"), QStringLiteral("01Stok.mdb")};

void makeFiles(const QString &folder)
{
    for (const QString &name : kFiles)
        test::runOnFile(folder + u'/' + name,
            {QStringLiteral("CREATE TABLE Hareket (Aciklama TEXT, Tutar REAL)"),
                QStringLiteral("CREATE TABLE Sayac (Deger INTEGER)"), QStringLiteral("INSERT INTO Sayac VALUES (0)")});
}

// One data control per file, as the posting code binds them.
class Posting
{
public:
    Posting(const PathMapper &mapper, const QStringList &files)
    {
        for (const QString &name : files)
            m_controls.push_back(
                test::boundControl(mapper, QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\") + name, QStringLiteral("Hareket")));
    }

    void writeOneEach(const QString &text)
    {
        for (auto &control : m_controls)
            test::addRecord(control->recordset(), {{"Aciklama", text}, {"Tutar", 12.5}});
    }

private:
    std::vector<std::unique_ptr<DataControl>> m_controls;
};

class TransactionTest : public test::DbFixture
{
protected:
    void SetUp() override { makeFiles(m_tree.dataFolder()); }

    QString rows(const QString &name) const
    {
        return test::cliValue(dataFile(name), QStringLiteral("SELECT count(*) FROM Hareket"));
    }

    void expectRowsEverywhere(const QString &count) const
    {
        for (const QString &name : kFiles) {
            EXPECT_EQ(rows(name), count) << name.toStdString();
            EXPECT_EQ(test::integrityCheck(dataFile(name)), QStringLiteral("ok")) << name.toStdString();
        }
    }

    QString counterValue() const
    {
        return test::cliValue(dataFile(QStringLiteral("02Index.mdb")), QStringLiteral("SELECT Deger FROM Sayac"));
    }

    QString childTask(const QString &mode) const { return QStringLiteral("%1|%2").arg(mode, m_tree.root()); }
};

// A file closed before the commit keeps its lock file until the commit.
TEST_F(TransactionTest, CommitWritesEveryFile)
{
    auto first = std::make_unique<Posting>(m_mapper, kFiles.mid(0, 1));
    Posting rest(m_mapper, kFiles.mid(1));
    Transaction transaction(m_mapper);
    transaction.begin();
    first->writeOneEach(QStringLiteral("Satış ile"));
    rest.writeOneEach(QStringLiteral("Satış ile"));
    first.reset();
    EXPECT_TRUE(QFileInfo::exists(dataFile(QStringLiteral("02Cari.ldb"))));
    // Others see nothing before the commit.
    EXPECT_EQ(rows(kFiles.first()), QStringLiteral("0"));
    // The connection's own main file takes no part: a journal of it would
    // outlive a crash and keep the super-journal beside the books.
    const QString anchor = SharedConnection::forThisThread(QString())->anchorPath();
    EXPECT_FALSE(QFileInfo::exists(anchor + QStringLiteral("-journal")));
    transaction.commit();
    expectRowsEverywhere(QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(dataFile(QStringLiteral("02Cari.ldb"))));
}

// A rollback, or a transaction left without commit or rollback, writes
// nothing, also into files first opened inside the transaction.
TEST_F(TransactionTest, RollbackWritesNothing)
{
    Posting first(m_mapper, kFiles.mid(0, 1));
    for (const bool explicitly : {true, false}) {
        {
            Transaction transaction(m_mapper);
            transaction.begin();
            first.writeOneEach(QStringLiteral("Alış ile"));
            Posting later(m_mapper, kFiles.mid(1));
            later.writeOneEach(QStringLiteral("Alış ile"));
            Database::open(m_mapper, dataText(QStringLiteral("01Stok.mdb"))).execute(QStringLiteral("Delete FROM Sayac"));
            if (explicitly)
                transaction.rollback();
        }
        expectRowsEverywhere(QStringLiteral("0"));
        EXPECT_EQ(test::cliValue(dataFile(QStringLiteral("01Stok.mdb")), QStringLiteral("SELECT count(*) FROM Sayac")),
            QStringLiteral("1"));
    }
}

TEST_F(TransactionTest, EditInsideTheTransactionWaitsForItsCommit)
{
    auto counter = test::boundControl(m_mapper, dataText(QStringLiteral("02Index.mdb")), QStringLiteral("Sayac"));
    Recordset &rs = counter->recordset();
    Transaction transaction(m_mapper);
    // No transaction starts while a record is being edited, nor inside another.
    rs.edit();
    EXPECT_THROW(transaction.begin(), DbError);
    rs.cancelUpdate();
    transaction.begin();
    EXPECT_THROW(transaction.begin(), DbError);
    rs.edit();
    rs.setField(QStringLiteral("Deger"), 5);
    rs.update();
    EXPECT_EQ(counterValue(), QStringLiteral("0"));
    transaction.commit();
    EXPECT_EQ(counterValue(), QStringLiteral("5"));
}

// A program killed between its writes leaves nothing, and the files stay
// usable; one that commits is seen whole.
TEST_F(TransactionTest, ProgramKilledBetweenWritesLeavesNothingAndACommitIsSeenWhole)
{
    std::unique_ptr<QProcess> child(
        test::startChild(QStringLiteral("TransactionChild.WritesAndWaits"), childTask(QStringLiteral("crash"))));
    QByteArray output;
    while (!output.contains(kWritten.toLatin1()) && child->waitForReadyRead(60000))
        output += child->readAllStandardOutput();
    ASSERT_TRUE(output.contains(kWritten.toLatin1())) << output.toStdString();
    child->kill();
    ASSERT_TRUE(child->waitForFinished(30000));
    expectRowsEverywhere(QStringLiteral("0"));
    Posting(m_mapper, kFiles).writeOneEach(QStringLiteral("sonra"));
    expectRowsEverywhere(QStringLiteral("1"));

    child.reset(test::startChild(QStringLiteral("TransactionChild.WritesAndWaits"), childTask(QStringLiteral("commit"))));
    ASSERT_TRUE(child->waitForFinished(60000));
    EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardOutput().toStdString();
    expectRowsEverywhere(QStringLiteral("201"));
}

// Several programs raising one counter through edit ... update: no raise
// may be lost.
TEST_F(TransactionTest, ConcurrentEditsLoseNoUpdate)
{
    constexpr int kPrograms = 4;
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < kPrograms; ++i)
        children.emplace_back(
            test::startChild(QStringLiteral("TransactionChild.RaisesCounter"), childTask(QStringLiteral("raise"))));
    for (auto &child : children) {
        ASSERT_TRUE(child->waitForFinished(180000));
        EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardOutput().toStdString();
    }
    EXPECT_EQ(counterValue(), QString::number(kPrograms * 50));
    EXPECT_EQ(test::integrityCheck(dataFile(QStringLiteral("02Index.mdb"))), QStringLiteral("ok"));
}

// --- children

TEST(TransactionChild, WritesAndWaits)
{
    const QStringList task = test::childTask().split(u'|');
    if (task.size() != 2 || (task.at(0) != u"crash" && task.at(0) != u"commit"))
        GTEST_SKIP() << "runs only as a child process";
    const PathMapper mapper(Paths::underRoot(task.at(1)));
    Posting posting(mapper, kFiles);
    Transaction transaction(mapper);
    transaction.begin();
    for (int i = 0; i < 200; ++i)
        posting.writeOneEach(QString(400, u'x'));
    if (task.at(0) == u"commit") {
        transaction.commit();
        return;
    }
    std::cout << kWritten.toStdString() << std::endl;
    std::this_thread::sleep_for(std::chrono::minutes(2)); // until killed
}

TEST(TransactionChild, RaisesCounter)
{
    const QStringList task = test::childTask().split(u'|');
    if (task.size() != 2 || task.at(0) != u"raise")
        GTEST_SKIP() << "runs only as a child process";
    const PathMapper mapper(Paths::underRoot(task.at(1)));
    auto counter
        = test::boundControl(mapper, QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02Index.mdb"), QStringLiteral("Sayac"));
    Recordset &rs = counter->recordset();
    for (int i = 0; i < 50; ++i) {
        rs.edit();
        rs.setField(QStringLiteral("Deger"), rs.field(QStringLiteral("Deger")).toInt() + 1);
        rs.update();
    }
}

} // namespace
} // namespace pusla
