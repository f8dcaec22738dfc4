#include "data/InvoiceCounter.h"

#include "base/PathMapper.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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

// The next counter keeps the width of the previous one; numbers the books
// already hold are skipped, and the file keeps the counter drawn.
TEST_F(InvoiceCounterTest, DrawsTheNextFreeCounter)
{
    const struct
    {
        const char *before; // nullptr: no counter file
        std::set<QString> taken;
        const char *drawn;
    } cases[] = {
        {nullptr, {}, "00001"},
        {"\"00009\"\r\n", {}, "00010"},
        {"\"99999\"\r\n", {}, "100000"},
        {"\"00041\"\r\n\"77777\"\r\n", {}, "00042"},
        {"  \"7\"\r\n", {}, "8"},
        {"123\r\n", {}, "124"},
        {"\"00041\"\r\n", {QStringLiteral("00042")}, "00043"},
        {"\"00003\"\r\n", {QStringLiteral("00004"), QStringLiteral("00005"), QStringLiteral("00006")}, "00007"},
        {nullptr, {QStringLiteral("00001")}, "00002"},
    };
    for (const auto &c : cases) {
        QFile::remove(localPath());
        if (c.before)
            store(c.before);
        const auto isTaken = [&c](const QString &counter) { return c.taken.contains(counter); };
        EXPECT_EQ(drawInvoiceCounter(mapper, windowsPath(), isTaken), QString::fromLatin1(c.drawn));
        EXPECT_EQ(stored(), '"' + QByteArray(c.drawn) + "\"\r\n");
    }
}

// Starting over from a counter the file does not hold would repeat invoice numbers.
TEST_F(InvoiceCounterTest, CounterThatCannotBeReadIsReportedAndTheFileLeftAsItWas)
{
    const std::string refused[] = {"\"abc\"\r\n", "\"-5\"\r\n", "\"12a\"\r\n", "",
        "\"" + std::string(10000, '1') + "\"\r\n",
        "\"999999999\"\r\n"}; // no next counter in 9 digits
    for (const std::string &contents : refused) {
        const QByteArray before = QByteArray::fromStdString(contents);
        store(before);
        try {
            drawInvoiceCounter(mapper, windowsPath(), {});
            ADD_FAILURE() << "drawn from " << contents.substr(0, 20);
        } catch (const InvoiceCounterError &error) {
            EXPECT_TRUE(error.reason().contains(windowsPath())) << error.reason().toStdString();
        }
        EXPECT_EQ(stored(), before);
    }
}

TEST_F(InvoiceCounterTest, UnreadableBooksDrawNothing)
{
    const auto unreadable = [](const QString &) -> bool { throw InvoiceCounterError(QStringLiteral("okunamadı")); };
    EXPECT_THROW(drawInvoiceCounter(mapper, windowsPath(), unreadable), InvoiceCounterError);
    EXPECT_FALSE(QFile::exists(localPath()));
    store("\"00005\"\r\n");
    EXPECT_THROW(drawInvoiceCounter(mapper, windowsPath(), unreadable), InvoiceCounterError);
    EXPECT_EQ(stored(), QByteArray("\"00005\"\r\n"));
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
