#include "data/DataRoutines.h"
#include "data/RecordNumbering.h"
#include "data/SchemaDdl.h"
#include "store/DataControl.h"
#include "support/DbTestSupport.h"

#include <QProcess>
#include <QSet>
#include <QThread>

using namespace pusla;

namespace {

const QString kIndexFile = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01Index.mdb");

/// The index database of the centre's set with its two data controls bound.
class Numbering
{
public:
    explicit Numbering(const Paths &paths)
        : mapper(paths)
        , primary(mapper)
        , secondary(mapper)
    {
        primary.setDatabaseName(kIndexFile);
        primary.setRecordSource(QStringLiteral("Tarih"));
        secondary.setDatabaseName(kIndexFile);
        secondary.setRecordSource(QStringLiteral("Mdbindex"));
        RefreshData(primary);
        RefreshData(secondary);
    }

    QString next(int mode, const QString &year = QStringLiteral("2017"))
    {
        return NextRecordNumber(primary, secondary, mode, year, mapper);
    }

    PathMapper mapper;
    DataControl primary;
    DataControl secondary;
};

class RecordNumberingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(tree.dataFolder());
        QString error;
        ASSERT_TRUE(schema::createDatabaseFile(indexPath(), schema::DatabaseKind::Index, &error))
            << error.toStdString();
    }

    QString indexPath() const { return tree.dataFolder() + QStringLiteral("/01Index.mdb"); }
    QString counter(const QString &field, const QString &year = QStringLiteral("2017")) const
    {
        return test::cliValue(indexPath(), QStringLiteral("SELECT %1 FROM Mdbindex WHERE Tarih='%2'").arg(field, year));
    }

    test::TempTree tree;
};

} // namespace

// A number is the year's two digits and the counter of its mode, unpadded:
// mode 0 counts in Indexi, mode 1 in Serino, and the year's first number of
// mode 0 sets both.
TEST_F(RecordNumberingTest, EachModeRaisesItsCounter)
{
    const struct
    {
        const char *preset; // Serino, Indexi already in the file for 2017; nullptr: a fresh year
        std::vector<std::pair<int, const char *>> draws;
        const char *serino;
        const char *indexi;
    } cases[] = {
        {nullptr, {{0, "171"}, {1, "172"}}, "172", "171"},
        {nullptr, {{1, "171"}, {0, "171"}}, "171", "171"},
        {"'179', '1799'", {{1, "1710"}, {0, "17100"}}, "1710", "17100"},
    };
    for (const auto &c : cases) {
        QFile::remove(indexPath());
        ASSERT_TRUE(schema::createDatabaseFile(indexPath(), schema::DatabaseKind::Index));
        if (c.preset)
            test::runOnFile(indexPath(), {QStringLiteral("INSERT INTO Tarih (Tarih) VALUES ('2017')"),
                                          QStringLiteral("INSERT INTO Mdbindex (Tarih, Serino, Indexi) VALUES "
                                                         "('2017', %1)").arg(QString::fromLatin1(c.preset))});
        {
            Numbering numbering(tree.paths());
            for (const auto &[mode, expected] : c.draws)
                EXPECT_EQ(numbering.next(mode), QString::fromLatin1(expected)) << "mode " << mode;
        }
        EXPECT_EQ(counter(QStringLiteral("Serino")), QString::fromLatin1(c.serino));
        EXPECT_EQ(counter(QStringLiteral("Indexi")), QString::fromLatin1(c.indexi));
        EXPECT_EQ(test::cliValue(indexPath(), QStringLiteral("SELECT count(*) FROM Tarih")), QStringLiteral("1"));
    }
}

TEST_F(RecordNumberingTest, NewYearStartsAfreshWhateverTheOldYearReached)
{
    Numbering numbering(tree.paths());
    for (int i = 0; i < 12; ++i)
        numbering.next(1);
    EXPECT_EQ(numbering.next(1, QStringLiteral("2018")), QStringLiteral("181"));
    EXPECT_EQ(counter(QStringLiteral("Serino")), QStringLiteral("1712"));
    EXPECT_EQ(test::cliValue(indexPath(), QStringLiteral("SELECT group_concat(Tarih) FROM Tarih")),
              QStringLiteral("2017,2018"));
    EXPECT_EQ(test::integrityCheck(indexPath()), QStringLiteral("ok"));
}

// Run as a child process by the test below: draws numbers from the index
// database under the given root and prints them.
TEST(RecordNumberingWorker, DrawNumbers)
{
    const QStringList task = test::childTask().split(u'|'); // root|count|start
    if (task.size() != 3)
        GTEST_SKIP() << "runs only as a child of the numbering test";
    Numbering numbering(Paths::underRoot(task.at(0)));
    // All terminals start together, so that they race for the year's first row.
    while (QDateTime::currentMSecsSinceEpoch() < task.at(2).toLongLong())
        QThread::usleep(200);
    for (int i = 0; i < task.at(1).toInt(); ++i)
        std::printf("NUMBER %s\n", qPrintable(numbering.next(1)));
    std::fflush(stdout);
}

TEST_F(RecordNumberingTest, TerminalsDrawingAtOnceNeverShareANumber)
{
    constexpr int kTerminals = 4;
    constexpr int kDraws = 40;
    std::vector<std::unique_ptr<QProcess>> terminals;
    const qint64 start = QDateTime::currentMSecsSinceEpoch() + 1500;
    for (int i = 0; i < kTerminals; ++i)
        terminals.emplace_back(test::startChild(QStringLiteral("RecordNumberingWorker.DrawNumbers"),
                                                QStringLiteral("%1|%2|%3").arg(tree.root()).arg(kDraws).arg(start)));
    QSet<QString> numbers;
    for (auto &process : terminals) {
        ASSERT_TRUE(process->waitForFinished(240000));
        ASSERT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        for (const QByteArray &line : process->readAllStandardOutput().split('\n')) {
            if (line.startsWith("NUMBER "))
                numbers.insert(QString::fromLatin1(line.mid(7)));
        }
    }
    EXPECT_EQ(numbers.size(), kTerminals * kDraws) << "a number was handed out twice";
    EXPECT_EQ(counter(QStringLiteral("Serino")), QStringLiteral("17%1").arg(kTerminals * kDraws));
    EXPECT_EQ(test::cliValue(indexPath(), QStringLiteral("SELECT count(*) FROM Mdbindex")), QStringLiteral("1"));
    EXPECT_EQ(test::cliValue(indexPath(), QStringLiteral("SELECT count(*) FROM Tarih")), QStringLiteral("1"));
}
