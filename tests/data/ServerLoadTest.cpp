#include "data/ServerLoad.h"
#include "store/pg/PgConnection.h"
#include "support/DemoSet.h"
#include "support/PgServer.h"

#include <QFile>

using namespace pusla;
using namespace pusla::test;

// The demo centre's books go to the server whole, the counter with its
// width; the check sees a row changed on either side; books already there
// are replaced only when told; a missing file stops the load before the
// server changes.
TEST(ServerLoadTest, LoadsACompanyAndProvesItHoldsTheSameBooks)
{
    PUSLA_REQUIRE_PG(server);
    const TempTree tree;
    createDemoSet(tree);
    const QString prefix = tree.dataFolder() + QStringLiteral("/01");
    const QString counter = tree.dataFolder() + QStringLiteral("/FatNo.txt");
    QFile file(counter);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\"00042\"\r\n");
    file.close();
    const ScratchDatabase scratch(server);
    PgConnection db(scratch.conninfo());

    const serverload::LoadResult loaded = serverload::loadCompany(db, prefix, counter, QStringLiteral("01"), false);
    ASSERT_TRUE(loaded.ok) << loaded.errorText.toStdString();
    EXPECT_EQ(loaded.tables, serverload::fileChecks(prefix));
    EXPECT_EQ(loaded.tables.size(), 8u);
    EXPECT_GT(loaded.tables[2].rows, 30) << loaded.tables[2].table.toStdString();
    EXPECT_EQ(db.exec(QStringLiteral(R"(SELECT value FROM "01".pusla_counter)")).value(), QVariant(u"00042"_qs));

    db.exec(QStringLiteral(R"(UPDATE "01"."StokKartlar" SET "KalanB" = "KalanB" + 1 WHERE id = 7)"));
    EXPECT_NE(serverload::serverChecks(db, QStringLiteral("01")), serverload::fileChecks(prefix));

    const serverload::LoadResult again = serverload::loadCompany(db, prefix, counter, QStringLiteral("01"), false);
    EXPECT_FALSE(again.ok);
    EXPECT_TRUE(again.errorText.contains(QStringLiteral("--replace"))) << again.errorText.toStdString();
    EXPECT_TRUE(serverload::loadCompany(db, prefix, counter, QStringLiteral("01"), true).ok);
    EXPECT_EQ(serverload::serverChecks(db, QStringLiteral("01")), serverload::fileChecks(prefix));

    ASSERT_TRUE(QFile::remove(tree.dataFolder() + QStringLiteral("/02Fatura.mdb")));
    const serverload::LoadResult missing
        = serverload::loadCompany(db, tree.dataFolder() + QStringLiteral("/02"), counter, QStringLiteral("02"), true);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.errorText.contains(QStringLiteral("02Fatura.mdb"))) << missing.errorText.toStdString();
    EXPECT_TRUE(db.exec(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = '02'")).rows.empty());
}
