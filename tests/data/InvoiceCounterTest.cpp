#include "data/InvoiceCounter.h"

#include "platform/PathMapper.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

using namespace pusla;
using namespace pusla::test;

namespace {

class InvoiceCounterTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(tree.dataFolder())); }
    QString windowsPath() const { return QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\FatNo.txt"); }
    QString localPath() const { return tree.dataFolder() + QStringLiteral("/FatNo.txt"); }
    void store(const QByteArray &contents)
    {
        QFile file(localPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QByteArray stored() const
    {
        QFile file(localPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TempTree tree;
    PathMapper mapper {tree.paths()};
};

struct CounterCase
{
    const char *before;
    const char *after;
};

class CounterSequence : public InvoiceCounterTest, public ::testing::WithParamInterface<CounterCase>
{
};

TEST_P(CounterSequence, NextCounterKeepsTheWidthOfThePrevious)
{
    store(GetParam().before);
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath()), QString::fromLatin1(GetParam().after));
    EXPECT_EQ(stored(), '"' + QByteArray(GetParam().after) + "\"\r\n");
}

INSTANTIATE_TEST_SUITE_P(Files, CounterSequence,
    ::testing::Values(CounterCase {"\"00009\"\r\n", "00010"}, CounterCase {"\"99999\"\r\n", "100000"},
        CounterCase {"\"00041\"\r\n\"77777\"\r\n", "00042"}, CounterCase {"  \"7\"\r\n", "8"},
        CounterCase {"123\r\n", "124"},
        // Not a number: counts as 0, padded to the old width.
        CounterCase {"\"abc\"\r\n", "001"},
        // A file a crash left without a record counts as missing.
        CounterCase {"", "00001"}));

TEST_F(InvoiceCounterTest, MissingFileStartsAtOneAndIsCreated)
{
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath()), QStringLiteral("00001"));
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath()), QStringLiteral("00002"));
    EXPECT_EQ(stored(), QByteArray("\"00002\"\r\n"));
}

TEST_F(InvoiceCounterTest, TerminalsDrawingAtOnceNeverShareACounter)
{
    constexpr int kTerminals = 8;
    constexpr int kDraws = 25;
    std::vector<std::vector<QString>> drawn(kTerminals);
    std::vector<std::thread> terminals;
    for (int t = 0; t < kTerminals; ++t) {
        terminals.emplace_back([&, t] {
            for (int i = 0; i < kDraws; ++i)
                drawn[size_t(t)].push_back(drawInvoiceCounter(mapper, windowsPath()));
        });
    }
    for (std::thread &terminal : terminals)
        terminal.join();

    std::set<QString> distinct;
    for (const auto &counters : drawn)
        distinct.insert(counters.begin(), counters.end());
    EXPECT_EQ(distinct.size(), size_t(kTerminals * kDraws));
    EXPECT_EQ(stored(), QByteArray("\"00200\"\r\n"));
    // No temporary copy is left behind.
    EXPECT_EQ(QDir(tree.dataFolder()).entryList({QStringLiteral("FatNo.txt.tmp*")}, QDir::Files).size(), 0);
}

TEST_F(InvoiceCounterTest, UnreachableFileIsReportedNotCreated)
{
    EXPECT_THROW(
        drawInvoiceCounter(mapper, QStringLiteral("\\\\127.0.0.1\\Yok\\Klasor\\FatNo.txt")), InvoiceCounterError);
    EXPECT_THROW(drawInvoiceCounter(mapper, QStringLiteral("FatNo.txt")), InvoiceCounterError);
}

TEST(ShiftCharsTest, EachCharacterBecomesTheNextOne)
{
    EXPECT_EQ(ShiftChars(QStringLiteral("00000")), QStringLiteral("11111"));
    EXPECT_EQ(ShiftChars(QStringLiteral("00019")), QStringLiteral("1112:"));
    EXPECT_EQ(ShiftChars(QString()), QString());
}

} // namespace
