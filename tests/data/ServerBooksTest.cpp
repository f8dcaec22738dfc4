#include "data/ServerCounter.h"
#include "data/ServerSchema.h"
#include "store/DbError.h"
#include "support/PgServer.h"

#include <QSet>

#include <mutex>
#include <thread>

using namespace pusla;
using namespace pusla::test;

namespace {

/// A company "01" laid out in a database of its own.
class ServerBooksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = pgServer();
        if (server.isEmpty())
            GTEST_SKIP() << "no PostgreSQL server for the tests (PUSLA_TEST_PG; scripts/test starts one)";
        scratch = std::make_unique<ScratchDatabase>(server);
        db = std::make_unique<PgConnection>(scratch->conninfo());
        serverschema::createCompany(*db, QStringLiteral("01"));
    }

    void setCounter(const QString &value)
    {
        db->exec(QStringLiteral(R"(UPDATE "01".pusla_counter SET value = $1)"), {value});
    }
    QVariant counter() { return db->exec(QStringLiteral(R"(SELECT value FROM "01".pusla_counter)")).value(); }

    QString server;
    std::unique_ptr<ScratchDatabase> scratch;
    std::unique_ptr<PgConnection> db;
};

} // namespace

// Terminals drawing at once on connections of their own get every number
// once, one after another.
TEST_F(ServerBooksTest, TerminalsDrawingAtOnceNeverShareANumber)
{
    std::mutex guard;
    QStringList drawn;
    std::vector<std::thread> terminals;
    for (int t = 0; t < 6; ++t) {
        terminals.emplace_back([&] {
            PgConnection own(scratch->conninfo());
            for (int i = 0; i < 25; ++i) {
                const QString counter = drawServerInvoiceCounter(own, QStringLiteral("01"), {});
                const std::lock_guard lock(guard);
                drawn << counter;
            }
        });
    }
    for (std::thread &terminal : terminals)
        terminal.join();
    drawn.sort();
    EXPECT_EQ(drawn.size(), 150);
    EXPECT_EQ(drawn.first(), QStringLiteral("00001"));
    EXPECT_EQ(drawn.last(), QStringLiteral("00150"));
    EXPECT_EQ(QSet<QString>(drawn.begin(), drawn.end()).size(), 150);
}

// The counter file's rules: the width carries over, a number in the books
// is skipped, a damaged counter is said and left as it was.
TEST_F(ServerBooksTest, TheCounterKeepsTheFilesRules)
{
    setCounter(QStringLiteral("99999"));
    EXPECT_EQ(drawServerInvoiceCounter(*db, QStringLiteral("01"), {}), QStringLiteral("100000"));
    setCounter(QStringLiteral("00009"));
    const auto taken = [](const QString &c) { return c == QLatin1StringView("00010"); };
    EXPECT_EQ(drawServerInvoiceCounter(*db, QStringLiteral("01"), taken), QStringLiteral("00011"));
    EXPECT_EQ(counter(), QVariant(u"00011"_qs));
    setCounter(QStringLiteral("12a"));
    EXPECT_THROW(drawServerInvoiceCounter(*db, QStringLiteral("01"), {}), InvoiceCounterError);
    EXPECT_EQ(counter(), QVariant(u"12a"_qs));
    EXPECT_EQ(db->exec(QStringLiteral("SELECT 1")).value(), QVariant(qlonglong(1))) << "no transaction left open";
}

