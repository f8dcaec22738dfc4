#include "data/InvoiceCounter.h"

#include "base/PathMapper.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
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

void PrintTo(const CounterCase &c, std::ostream *os)
{
    *os << c.after;
}

class CounterSequence : public InvoiceCounterTest, public ::testing::WithParamInterface<CounterCase>
{
};

TEST_P(CounterSequence, NextCounterKeepsTheWidthOfThePrevious)
{
    store(GetParam().before);
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath(), {}), QString::fromLatin1(GetParam().after));
    EXPECT_EQ(stored(), '"' + QByteArray(GetParam().after) + "\"\r\n");
}

INSTANTIATE_TEST_SUITE_P(Files, CounterSequence,
    ::testing::Values(CounterCase {"\"00009\"\r\n", "00010"}, CounterCase {"\"99999\"\r\n", "100000"},
        CounterCase {"\"00041\"\r\n\"77777\"\r\n", "00042"}, CounterCase {"  \"7\"\r\n", "8"},
        CounterCase {"123\r\n", "124"}));

struct RefusedCase
{
    const char *what;
    std::string contents;
};

void PrintTo(const RefusedCase &c, std::ostream *os)
{
    *os << c.what;
}

class RefusedCounter : public InvoiceCounterTest, public ::testing::WithParamInterface<RefusedCase>
{
};

// Starting over from a counter the file does not hold would repeat invoice numbers.
TEST_P(RefusedCounter, IsReportedAndTheFileLeftAsItWas)
{
    const QByteArray before = QByteArray::fromStdString(GetParam().contents);
    store(before);
    try {
        drawInvoiceCounter(mapper, windowsPath(), {});
        ADD_FAILURE() << "drawn from " << GetParam().what;
    } catch (const InvoiceCounterError &error) {
        EXPECT_TRUE(error.reason().contains(windowsPath())) << error.reason().toStdString();
    }
    EXPECT_EQ(stored(), before);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedCounter,
    ::testing::Values(RefusedCase {"letters", "\"abc\"\r\n"}, RefusedCase {"negative", "\"-5\"\r\n"},
        RefusedCase {"trailing letter", "\"12a\"\r\n"}, RefusedCase {"empty", ""},
        RefusedCase {"10000 digits", "\"" + std::string(10000, '1') + "\"\r\n"},
        RefusedCase {"no next counter in 9 digits", "\"999999999\"\r\n"}));

struct TakenCase
{
    const char *before; // nullptr: no counter file
    std::set<QString> taken;
    const char *drawn;
};

void PrintTo(const TakenCase &c, std::ostream *os)
{
    *os << c.drawn;
}

class TakenNumbers : public InvoiceCounterTest, public ::testing::WithParamInterface<TakenCase>
{
};

TEST_P(TakenNumbers, AreSkippedAndTheFileKeepsTheCounterDrawn)
{
    if (GetParam().before)
        store(GetParam().before);
    const std::set<QString> &taken = GetParam().taken;
    const auto isTaken = [&taken](const QString &counter) { return taken.contains(counter); };
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath(), isTaken), QString::fromLatin1(GetParam().drawn));
    EXPECT_EQ(stored(), '"' + QByteArray(GetParam().drawn) + "\"\r\n");
}

INSTANTIATE_TEST_SUITE_P(Books, TakenNumbers,
    ::testing::Values(TakenCase {"\"00041\"\r\n", {QStringLiteral("00042")}, "00043"},
        TakenCase {
            "\"00003\"\r\n", {QStringLiteral("00004"), QStringLiteral("00005"), QStringLiteral("00006")}, "00007"},
        TakenCase {nullptr, {QStringLiteral("00001")}, "00002"}));

TEST_F(InvoiceCounterTest, UnreadableBooksDrawNothing)
{
    const auto unreadable = [](const QString &) -> bool { throw InvoiceCounterError(QStringLiteral("okunamadı")); };
    EXPECT_THROW(drawInvoiceCounter(mapper, windowsPath(), unreadable), InvoiceCounterError);
    EXPECT_FALSE(QFile::exists(localPath()));
    store("\"00005\"\r\n");
    EXPECT_THROW(drawInvoiceCounter(mapper, windowsPath(), unreadable), InvoiceCounterError);
    EXPECT_EQ(stored(), QByteArray("\"00005\"\r\n"));
}

TEST_F(InvoiceCounterTest, MissingFileStartsAtOneAndIsCreated)
{
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath(), {}), QStringLiteral("00001"));
    EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath(), {}), QStringLiteral("00002"));
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
                drawn[size_t(t)].push_back(drawInvoiceCounter(mapper, windowsPath(), {}));
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
        drawInvoiceCounter(mapper, QStringLiteral("\\\\127.0.0.1\\Yok\\Klasor\\FatNo.txt"), {}), InvoiceCounterError);
    EXPECT_THROW(drawInvoiceCounter(mapper, QStringLiteral("FatNo.txt"), {}), InvoiceCounterError);
}

TEST(ShiftCharsTest, EachCharacterBecomesTheNextOne)
{
    EXPECT_EQ(ShiftChars(QStringLiteral("00000")), QStringLiteral("11111"));
    EXPECT_EQ(ShiftChars(QStringLiteral("00019")), QStringLiteral("1112:"));
    EXPECT_EQ(ShiftChars(QString()), QString());
}

} // namespace
