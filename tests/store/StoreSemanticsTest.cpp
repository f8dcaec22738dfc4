#include "store/Database.h"
#include "store/DbError.h"
#include "store/Transaction.h"
#include "store/pg/PgStore.h"
#include "support/TwoStores.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <future>
#include <thread>

// What the forms rely on from a record set, run on the files and on the
// server alike: the same Windows names, the same rows, orders, finds and
// protected edits.

namespace pusla {
namespace {

using test::StoreKind;

class StoreSemanticsTest : public test::TwoStoreFixture
{
protected:
    Database stock() { return Database::open(m_mapper, bookText(QStringLiteral("Stok.mdb"))); }

    void addCards(Database &db)
    {
        // Stored order 1..6; names that tie without regard to case, a
        // Turkish dotted capital, a card without a name, a hidden one, one
        // whose two quantities cancel out and one of another branch.
        const char *const cards[] = {"'1', 'elma', '869001', 9, -9, False, '03'",
            "'2', 'ELMA', '869002', 100, 0, False, '02'", "'3', 'İncir', '869003', 5, 0, False, '02'",
            "'4', Null, '869004', 0, 0, False, '02'", "'5', 'armut', '869005', 3, 0, True, '02'",
            "'6', 'Zeytin', 'abc-7', 1, 0, False, '02'"};
        for (const char *card : cards)
            db.execute(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, KalanB, KalanA, StokGizle, "
                                      "Sube) VALUES (%1)")
                           .arg(QString::fromUtf8(card)));
    }

    static QString codes(Recordset &rs)
    {
        QStringList values;
        if (rs.recordCount() == 0)
            return {};
        const int keep = rs.absolutePosition();
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            values.append(rs.field(QStringLiteral("StokKod")).toString());
        if (keep >= 0)
            rs.setAbsolutePosition(keep);
        return values.join(u',');
    }

    QString current(Recordset &rs) { return rs.field(QStringLiteral("StokKod")).toString(); }
};

TEST_P(StoreSemanticsTest, SourcesListTheirRowsInTheSameOrder)
{
    Database db = stock();
    addCards(db);
    const std::pair<const char *, const char *> cases[] = {
        {"StokKartlar", "1,2,3,4,5,6"},
        {"Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc", "4,1,2,3,6"},
        {"Select * From StokKartlar Where StokGizle=False ORDER BY StokAdi DESC", "6,3,2,1,4"},
        {"Select * From StokKartlar Order By KalanB Desc", "2,1,3,5,6,4"},
        {"Select StokKod, KalanB From StokKartlar Where KalanB > 3 And StokAdi Like 'e*'", "1,2"},
        {"StokKartlar ORDER BY StokAdi ASC", "4,5,1,2,3,6"},
        {"Select * From StokKartlar Where StokGizle=False And KalanB+KalanA<>0 Order By StokAdi Asc", "2,3,6"},
        {"Select * From StokKartlar Where Sube='02' Order By StokAdi Asc", "4,5,2,3,6"},
        {"SELECT * FROM StokKartlar Where StokGizle=False And KalanB<>0", "1,2,3,6"},
        {"Select * FROM StokKartlar Where StokGizle=False And KalanB<>0 Order By StokKod Desc", "6,3,2,1"},
    };
    for (const auto &[source, expected] : cases) {
        SCOPED_TRACE(source);
        std::unique_ptr<Recordset> rs = db.openRecordset(QString::fromUtf8(source));
        EXPECT_EQ(codes(*rs), QString::fromLatin1(expected));
    }
    std::unique_ptr<Recordset> sums = db.openRecordset(QStringLiteral("Select Sum(KalanB), Count(*) From StokKartlar"));
    EXPECT_FALSE(sums->isUpdatable());
    EXPECT_THROW(sums->edit(), DbError);
    EXPECT_DOUBLE_EQ(sums->field(0).toDouble(), 118);
    EXPECT_EQ(sums->field(1).toInt(), 6);
    EXPECT_TRUE(db.openRecordset(QStringLiteral("Select Sum(KalanB) From StokKartlar Where KalanB > 1000"))
                    ->field(0)
                    .isNull());
}

TEST_P(StoreSemanticsTest, FindFirstTakesTheSetsOrderAndKeepsTheRecordWithoutAMatch)
{
    Database db = stock();
    addCards(db);
    std::unique_ptr<Recordset> rs
        = db.openRecordset(QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Desc"));
    const std::pair<const char *, const char *> cases[] = {
        {"Barkod='ABC-7'", "6"}, // codes compare without regard to case
        {"StokAdi like 'elm*'", "2"}, // the set's first, here the later of two ties
        {"StokAdi='incir'", "3"}, // İ folds to i
        {"StokKod='5'", ""}, // hidden: not in the set
        {"StokAdi like '*t*'", "6"},
        {"Barkod='869004' And KalanB=0", "4"},
    };
    for (const auto &[criteria, expected] : cases) {
        SCOPED_TRACE(criteria);
        rs->moveLast();
        rs->findFirst(QString::fromUtf8(criteria));
        EXPECT_EQ(rs->noMatch(), *expected == 0);
        EXPECT_EQ(current(*rs), *expected ? QString::fromLatin1(expected) : QStringLiteral("4"));
    }
}

// Inside a posting the finds of all its lines go out at once: each then
// finds what findFirst would, the rows as the set last wrote them, and on the
// server without another round trip, until a write touches what they read.
TEST_P(StoreSemanticsTest, FindsMadeAheadFindWhatFindFirstWould)
{
    Database db = stock();
    addCards(db);
    Transaction transaction(m_mapper);
    transaction.begin();
    std::unique_ptr<Recordset> rs
        = db.openRecordset(QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Desc"));
    const std::pair<const char *, const char *> cases[] = {
        {"Barkod='ABC-7'", "6"}, {"StokAdi='elma'", "2"}, {"StokKod='5'", ""}, {"StokKod='7'", ""}, {"StokKod='3'", "3"}};
    QStringList criteria;
    for (const auto &[criterion, expected] : cases)
        criteria.append(QString::fromUtf8(criterion));
    rs->findAhead(criteria);
    PgStore *server = GetParam() == StoreKind::Postgres ? PgStore::openOnThisThread().get() : nullptr;
    const qint64 before = server ? server->session().roundTrips() : 0;
    for (const auto &[criterion, expected] : cases) {
        SCOPED_TRACE(criterion);
        rs->findFirst(QString::fromUtf8(criterion));
        EXPECT_EQ(rs->noMatch(), *expected == 0);
        if (!rs->noMatch()) {
            EXPECT_EQ(current(*rs), QString::fromLatin1(expected));
            rs->edit();
            rs->setField(QStringLiteral("KalanB"), rs->field(QStringLiteral("KalanB")).toDouble() + 1000);
            rs->update();
        }
    }
    if (server) {
        EXPECT_EQ(server->session().roundTrips(), before) << "answered from the finds made ahead";
    }
    rs->findFirst(QStringLiteral("StokKod='3'"));
    EXPECT_DOUBLE_EQ(rs->field(QStringLiteral("KalanB")).toDouble(), 1005) << "the row as written";

    // A write to a field the finds read: they are made again.
    rs->findFirst(QStringLiteral("Barkod='ABC-7'"));
    rs->edit();
    rs->setField(QStringLiteral("Barkod"), u"xyz"_qs);
    rs->update();
    rs->findFirst(QStringLiteral("Barkod='ABC-7'"));
    EXPECT_TRUE(rs->noMatch());
    transaction.commit();
    std::unique_ptr<Recordset> after = db.openRecordset(QStringLiteral("Select Sum(KalanB) From StokKartlar"));
    EXPECT_DOUBLE_EQ(after->field(0).toDouble(), 118 + 3000);
}

TEST_P(StoreSemanticsTest, AddEditAndDeleteKeepTheDynasetsRows)
{
    Database db = stock();
    addCards(db);
    std::unique_ptr<Recordset> rs
        = db.openRecordset(QStringLiteral("Select * From StokKartlar Where KalanB > 2 Order By StokAdi Asc"));
    ASSERT_EQ(codes(*rs), QStringLiteral("5,1,2,3"));
    rs->moveNext(); // on 1

    rs->addNew();
    rs->setField(QStringLiteral("StokKod"), u"7"_qs);
    rs->setField(QStringLiteral("StokAdi"), u"aaa"_qs);
    rs->setField(QStringLiteral("KalanB"), 0.5);
    rs->update();
    EXPECT_EQ(current(*rs), u"1") << "the record current before the add stays current";
    EXPECT_EQ(codes(*rs), QStringLiteral("5,1,2,3,7")) << "an added record joins the end";
    rs->findFirst(QStringLiteral("StokKod='7'"));
    EXPECT_FALSE(rs->noMatch());

    rs->findFirst(QStringLiteral("StokKod='2'"));
    rs->edit();
    rs->setField(QStringLiteral("KalanB"), 1);
    rs->setField(QStringLiteral("StokGizle"), true);
    rs->update();
    EXPECT_EQ(codes(*rs), QStringLiteral("5,1,2,3,7")) << "an edited record stays where it was";
    EXPECT_EQ(rs->field(QStringLiteral("StokGizle")).toInt(), -1) << "Yes is stored as -1";

    rs->findFirst(QStringLiteral("StokKod='1'"));
    rs->deleteCurrent();
    EXPECT_EQ(codes(*rs), QStringLiteral("5,2,3,7"));

    std::unique_ptr<Recordset> again
        = db.openRecordset(QStringLiteral("Select * From StokKartlar Where KalanB > 2 Order By StokAdi Asc"));
    EXPECT_EQ(codes(*again), QStringLiteral("5,3"));
    EXPECT_EQ(db.execute(QStringLiteral("UPDATE StokKartlar SET KalanA = KalanB WHERE StokGizle = True")), 2);
}

TEST_P(StoreSemanticsTest, ARollbackUndoesEveryWriteOfTheTransaction)
{
    Database db = stock();
    addCards(db);
    std::unique_ptr<Recordset> rs = db.openRecordset(QStringLiteral("StokKartlar"));
    {
        Transaction transaction(m_mapper);
        transaction.begin();
        rs->edit();
        rs->setField(QStringLiteral("KalanB"), 42);
        rs->update();
        rs->addNew();
        rs->setField(QStringLiteral("StokKod"), u"9"_qs);
        rs->update();
        db.execute(QStringLiteral("DELETE FROM StokKartlar WHERE StokKod = '6'"));
        transaction.rollback();
    }
    std::unique_ptr<Recordset> after = db.openRecordset(QStringLiteral("StokKartlar"));
    EXPECT_EQ(codes(*after), QStringLiteral("1,2,3,4,5,6"));
    EXPECT_DOUBLE_EQ(after->field(QStringLiteral("KalanB")).toDouble(), 9);
}

// A posting's new rows, which the server store sends without waiting for
// each, are there for its own reads and edits before the commit, with
// values of every kind; a rolled-back transaction's rows never reach the
// next one.
TEST_P(StoreSemanticsTest, RowsAddedInATransactionAreThereForItsOwnReads)
{
    Database db = stock();
    addCards(db);
    std::unique_ptr<Recordset> rs = db.openRecordset(QStringLiteral("StokKartlar"));
    const auto add = [&](const QString &code, const QVariant &name, const QVariant &quantity) {
        rs->addNew();
        rs->setField(QStringLiteral("StokKod"), code);
        rs->setField(QStringLiteral("StokAdi"), name);
        rs->setField(QStringLiteral("KalanB"), quantity);
        rs->update();
    };
    {
        Transaction abandoned(m_mapper);
        abandoned.begin();
        add(u"undone"_qs, u"x"_qs, 1);
        abandoned.rollback();
    }
    constexpr int kAdded = 600;
    Transaction transaction(m_mapper);
    transaction.begin();
    for (int i = 0; i < kAdded; ++i)
        add(QStringLiteral("n%1").arg(i), i % 3 == 0 ? QVariant() : QVariant(u"Ürün %1"_qs.arg(i)),
            i % 2 == 0 ? QVariant(i) : QVariant(i + 0.25));
    rs->findFirst(QStringLiteral("StokKod='n300'"));
    ASSERT_FALSE(rs->noMatch());
    rs->edit();
    rs->setField(QStringLiteral("KalanB"), -3.5);
    rs->update();
    EXPECT_EQ(db.openRecordset(QStringLiteral("Select StokKod From StokKartlar Where StokKod Like 'n*'"))->recordCount(),
        kAdded);
    transaction.commit();

    std::unique_ptr<Recordset> after = db.openRecordset(QStringLiteral("StokKartlar"));
    EXPECT_EQ(after->recordCount(), 6 + kAdded);
    after->findFirst(QStringLiteral("StokKod='undone'"));
    EXPECT_TRUE(after->noMatch());
    after->findFirst(QStringLiteral("StokKod='n300'"));
    EXPECT_DOUBLE_EQ(after->field(QStringLiteral("KalanB")).toDouble(), -3.5);
    after->findFirst(QStringLiteral("StokKod='n599'"));
    EXPECT_EQ(after->field(QStringLiteral("StokAdi")).toString(), u"Ürün 599");
    EXPECT_DOUBLE_EQ(after->field(QStringLiteral("KalanB")).toDouble(), 599.25);
    after->findFirst(QStringLiteral("StokKod='n3'"));
    EXPECT_TRUE(after->field(QStringLiteral("StokAdi")).isNull());
}

// Another program's commit shows: the set knows its file changed and a
// re-open lists the new row.
TEST_P(StoreSemanticsTest, ASetSeesAnotherProgramsCommit)
{
    Database db = stock();
    addCards(db);
    std::unique_ptr<Recordset> rs = db.openRecordset(QStringLiteral("StokKartlar"));
    EXPECT_FALSE(rs->fileChangedSinceRead());
    const QString insert = QStringLiteral("INSERT INTO %1 (\"StokKod\") VALUES ('8')");
    if (GetParam() == StoreKind::Postgres) {
        PgConnection(conninfo()).exec(insert.arg(QStringLiteral("\"01\".\"StokKartlar\"")));
        QThread::msleep(50); // the notice crosses the socket
    } else {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(companyFolder() + QStringLiteral("/Stok.mdb"));
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(QSqlQuery(other).exec(insert.arg(QStringLiteral("StokKartlar"))));
        other.close();
        other = {};
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
    rs->findFirst(QStringLiteral("StokKod='8'")); // a file store learns of it at its next read
    EXPECT_TRUE(rs->fileChangedSinceRead());
    rs = db.openRecordset(QStringLiteral("StokKartlar"));
    EXPECT_EQ(codes(*rs), QStringLiteral("1,2,3,4,5,6,8"));
}

// Two terminals add to the same card's stock at once: Edit..Update reads
// under the write lock, so no addition is lost.
TEST_P(StoreSemanticsTest, ConcurrentEditsLoseNoUpdate)
{
    {
        Database db = stock();
        addCards(db);
    }
    constexpr int kAdds = 40;
    const auto terminal = [this] {
        routeThisThread();
        Database db = stock();
        std::unique_ptr<Recordset> rs = db.openRecordset(QStringLiteral("StokKartlar"));
        for (int i = 0; i < kAdds; ++i) {
            rs->findFirst(QStringLiteral("StokKod='3'"));
            rs->edit();
            rs->setField(QStringLiteral("KalanB"), rs->field(QStringLiteral("KalanB")).toDouble() + 1);
            rs->update();
        }
        setServerRoute({});
    };
    std::thread first(terminal);
    std::thread second(terminal);
    first.join();
    second.join();
    Database db = stock();
    std::unique_ptr<Recordset> rs
        = db.openRecordset(QStringLiteral("Select KalanB From StokKartlar Where StokKod='3'"));
    EXPECT_DOUBLE_EQ(rs->field(0).toDouble(), 5 + 2 * kAdds);
}

// A posting that waited for another terminal's posting to let go of the
// file sees what that one committed: its sets know they must read again.
TEST_P(StoreSemanticsTest, ATransactionThatWaitedSeesTheCommitItWaitedFor)
{
    Database db = stock();
    addCards(db);
    std::unique_ptr<Recordset> rs = db.openRecordset(QStringLiteral("StokKartlar"));
    std::promise<void> holding;
    std::thread other([&] {
        routeThisThread();
        {
            Database own = stock();
            Transaction transaction(m_mapper);
            transaction.begin();
            holding.set_value();
            QThread::msleep(200);
            own.execute(QStringLiteral("INSERT INTO StokKartlar (StokKod) VALUES ('9')"));
            transaction.commit();
        }
        setServerRoute({});
    });
    holding.get_future().wait();
    Transaction transaction(m_mapper);
    transaction.begin(); // waits for the other's commit
    EXPECT_TRUE(rs->fileChangedSinceRead());
    rs = db.openRecordset(QStringLiteral("StokKartlar"));
    EXPECT_EQ(codes(*rs), QStringLiteral("1,2,3,4,5,6,9"));
    transaction.commit();
    other.join();
}

INSTANTIATE_TEST_SUITE_P(
    Stores, StoreSemanticsTest, ::testing::Values(StoreKind::Sqlite, StoreKind::Postgres), test::storeName);

} // namespace
} // namespace pusla
