#include "base/TextFold.h"
#include "data/ServerSchema.h"
#include "posting/WorkingListViews.h"
#include "store/DbError.h"
#include "store/KeysetQuery.h"
#include "store/jet/JetSql.h"
#include "store/jet/RecordSourcePlan.h"
#include "support/PgServer.h"

#include <QElapsedTimer>
#include <QThread>
#include <gmock/gmock.h>

#include <algorithm>
#include <numeric>

using namespace pusla;
using namespace pusla::test;
using ::testing::HasSubstr;

namespace {

int failureNumber(const std::function<void()> &run)
{
    try {
        run();
    } catch (const DbError &error) {
        return error.number();
    }
    return 0;
}

} // namespace

// Values keep their kind both ways; Turkish letters survive.
TEST(PgConnectionTest, ValuesGoAndComeBackAsTheyAre)
{
    PUSLA_REQUIRE_PG(server);
    PgConnection db(server);
    const PgRows row = db.exec(QStringLiteral("SELECT $1::bigint + 1, $2::float8 * 2, $3::text, $4::text IS NULL, $5"),
        {qlonglong(41), 1.25, u"Şişli Çarşı"_qs, QVariant(), true});
    ASSERT_EQ(row.rows.size(), 1u);
    EXPECT_EQ(row.rows[0][0], QVariant(qlonglong(42)));
    EXPECT_EQ(row.rows[0][1], QVariant(2.5));
    EXPECT_EQ(row.rows[0][2], QVariant(u"Şişli Çarşı"_qs));
    EXPECT_EQ(row.rows[0][3], QVariant(true));
    EXPECT_EQ(row.rows[0][4], QVariant(qlonglong(-1))) << "a Yes field is -1, as in the suite's files";
    // Keys come as binary, of any width and sign.
    EXPECT_EQ(db.execKeys(QStringLiteral("SELECT * FROM (VALUES (4000000000::bigint), (-5), (7)) v")),
        (std::vector<qint64> {4000000000, -5, 7}));
    EXPECT_EQ(db.execKeys(QStringLiteral("SELECT x::int FROM generate_series(-2, 1) x")),
        (std::vector<qint64> {-2, -1, 0, 1}));
    EXPECT_EQ(db.execKeys(QStringLiteral("SELECT x::smallint FROM generate_series(-1, 0) x")),
        (std::vector<qint64> {-1, 0}));
    EXPECT_TRUE(db.execKeys(QStringLiteral("SELECT 1 WHERE false")).empty());
    // A long list keeps the query's order, whatever the keys' own.
    std::vector<qint64> shuffled(100'000);
    std::iota(shuffled.begin(), shuffled.end(), 1);
    std::sort(shuffled.begin(), shuffled.end(),
        [](qint64 a, qint64 b) { return std::pair(a * 7919 % 100'003, a) < std::pair(b * 7919 % 100'003, b); });
    EXPECT_EQ(db.execKeys(QStringLiteral("SELECT x FROM generate_series(1, 100000) x ORDER BY x * 7919 % 100003, x")),
        shuffled);
}

// Failures arrive as the numbers the forms turn into the operator's
// messages; a server that is not there is said at once.
TEST(PgConnectionTest, FailuresCarryTheFormsNumbers)
{
    PUSLA_REQUIRE_PG(server);
    PgConnection db(server);
    EXPECT_EQ(failureNumber([&] { db.exec(QStringLiteral("SELEC 1")); }), DbError::SyntaxError);
    EXPECT_EQ(failureNumber([&] { db.exec(QStringLiteral("SELECT * FROM yok")); }), DbError::TableNotFound);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(
        failureNumber([] { PgConnection(QStringLiteral("host=/nonexistent/socket dbname=x")); }), DbError::CannotOpen);
    EXPECT_LT(timer.elapsed(), 5000);
}

// A lock that does not come in time is "busy"; a session that sits in a
// transaction (a tablet off the network) is ended and lets go of its locks.
TEST(PgConnectionTest, LocksAreNeitherWaitedForNorHeldForever)
{
    PUSLA_REQUIRE_PG(server);
    const ScratchDatabase scratch(server);
    PgConnection::Timeouts quick;
    quick.lockMilliseconds = 100;
    quick.idleInTransactionMilliseconds = 300;
    PgConnection holder(scratch.conninfo(), quick);
    PgConnection other(scratch.conninfo(), quick);
    holder.exec(QStringLiteral("CREATE TABLE t (id int PRIMARY KEY, v int)"));
    holder.exec(QStringLiteral("INSERT INTO t VALUES (1, 0)"));
    holder.exec(QStringLiteral("BEGIN"));
    holder.exec(QStringLiteral("SELECT v FROM t WHERE id = 1 FOR UPDATE"));
    other.exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(
        failureNumber([&] { other.exec(QStringLiteral("SELECT v FROM t WHERE id = 1 FOR UPDATE")); }), DbError::Locked);
    other.exec(QStringLiteral("ROLLBACK"));

    QThread::msleep(600);
    other.exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(other.exec(QStringLiteral("SELECT v FROM t WHERE id = 1 FOR UPDATE")).value(), QVariant(qlonglong(0)));
    other.exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(failureNumber([&] { holder.exec(QStringLiteral("SELECT 1")); }), DbError::ConnectionLost);
}

// Statements stay prepared; one that another session's change of its table
// put out of date is prepared anew: outside a transaction at once, inside
// one the transaction fails once (as any failure there) and the retry works.
TEST(PgConnectionTest, AStatementPreparedBeforeItsTableChangedIsPreparedAnew)
{
    PUSLA_REQUIRE_PG(server);
    const ScratchDatabase scratch(server);
    PgConnection terminal(scratch.conninfo());
    PgConnection admin(scratch.conninfo());
    admin.exec(QStringLiteral("CREATE TABLE t (id int PRIMARY KEY, v int)"));
    admin.exec(QStringLiteral("INSERT INTO t VALUES (1, 7)"));
    const QString read = QStringLiteral("SELECT * FROM t WHERE id = $1");
    EXPECT_EQ(terminal.exec(read, {1}).columns.size(), 2);
    EXPECT_EQ(terminal.exec(read, {1}).rows.at(0).at(1), QVariant(qlonglong(7)));

    admin.exec(QStringLiteral("ALTER TABLE t ADD COLUMN w int DEFAULT 3"));
    const PgRows widened = terminal.exec(read, {1});
    ASSERT_EQ(widened.columns.size(), 3);
    EXPECT_EQ(widened.rows.at(0).at(2), QVariant(qlonglong(3)));

    admin.exec(QStringLiteral("ALTER TABLE t DROP COLUMN w"));
    terminal.exec(QStringLiteral("BEGIN"));
    EXPECT_NE(failureNumber([&] { terminal.exec(read, {1}); }), 0);
    terminal.exec(QStringLiteral("ROLLBACK"));
    terminal.exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(terminal.exec(read, {1}).columns.size(), 2);
    terminal.exec(QStringLiteral("COMMIT"));
}

// The server's folded and sort-key columns are the program's own fold and
// name order, and lookups on them are index scans.
TEST(ServerSchemaTest, FoldAndNameOrderAreTheProgramsOwn)
{
    PUSLA_REQUIRE_PG(server);
    const ScratchDatabase scratch(server);
    PgConnection db(scratch.conninfo());
    serverschema::checkDatabase(db);
    serverschema::createCompany(db, QStringLiteral("01"));
    const QStringList names {u"çay"_qs, u"Cam"_qs, u"ılık"_qs, u"İnce"_qs, u"Işık"_qs, u"iğne"_qs, u"kâr"_qs, u"Kar"_qs,
        u"Şeker"_qs, u"sabun"_qs, u"Üzüm"_qs, u"Zeytin"_qs, u"ÖNCÜ"_qs, u"ödeme"_qs};
    for (const QString &name : names)
        db.exec(QStringLiteral(R"(INSERT INTO "01"."StokKartlar" ("StokAdi", "Barkod") VALUES ($1, $1))"), {name});

    const PgRows rows = db.exec(QStringLiteral(
        R"(SELECT "StokAdi", "Barkod_fold", "StokAdi_sort" FROM "01"."StokKartlar" ORDER BY "StokAdi_sort", id)"));
    QStringList expected = names;
    std::stable_sort(expected.begin(), expected.end(),
        [](const QString &a, const QString &b) { return sortKeyText(a) < sortKeyText(b); });
    QStringList ordered;
    for (const QVariantList &row : rows.rows) {
        ordered << row[0].toString();
        EXPECT_EQ(row[1].toString(), foldText(row[0].toString()));
        EXPECT_EQ(row[2].toString(), sortKeyText(row[0].toString()));
    }
    EXPECT_EQ(ordered, expected);

    db.exec(QStringLiteral("SET enable_seqscan = off"));
    const auto planOf = [&db](const QString &sql, const QVariantList &params) {
        QStringList steps;
        for (const QVariantList &row : db.exec(QStringLiteral("EXPLAIN ") + numberedParameters(sql), params).rows)
            steps << row.front().toString();
        return steps.join(u'\n').toStdString();
    };
    EXPECT_THAT(
        planOf(QStringLiteral(
                   R"(SELECT id FROM "01"."StokKartlar" WHERE "Barkod_fold" = ? ORDER BY "Barkod_fold", id LIMIT 1)"),
            {u"ÇAY"_qs}),
        HasSubstr("Scan using \"ix_StokKartlar_Barkod_fold\""));

    // The working list's keys, as the program asks for them, come from the
    // index of the visible cards alone.
    for (const WorkingListView view : {WorkingListView::AllByName, WorkingListView::DocumentByName}) {
        const RecordSourcePlan list = planRecordSource(workingListView(view), QStringLiteral("01"),
            [&db](const QString &table) { return db.tableInfo(QStringLiteral("01"), table); }, SqlDialect::Postgres);
        const SqlText keys = keysetStatement(QStringLiteral("id"), QStringLiteral(R"("01"."StokKartlar")"), list);
        EXPECT_THAT(planOf(keys.sql, keys.params), HasSubstr("using \"ix_StokKartlar_StokAdi_sort_visible\""));
    }
}

TEST(ServerSchemaTest, ADatabaseThatWouldFoldOtherwiseIsRefused)
{
    PUSLA_REQUIRE_PG(server);
    const ScratchDatabase scratch(server, QStringLiteral("C.UTF-8"));
    PgConnection db(scratch.conninfo());
    EXPECT_EQ(failureNumber([&] { serverschema::checkDatabase(db); }), DbError::CannotOpen);
}
