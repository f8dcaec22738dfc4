#include "store/Database.h"
#include "store/DbError.h"
#include "store/Transaction.h"

#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

class DatabaseBulkTest : public test::DbFixture
{
protected:
    void SetUp() override
    {
        // The same fields in another order, one field of the target's own with a default.
        test::runOnFile(dataFile(QStringLiteral("02Stok.mdb")),
            {QStringLiteral("CREATE TABLE StokKartlar (StokKod TEXT, StokAdi TEXT, KalanB REAL DEFAULT 0, "
                            "StokGizle BOOLEAN DEFAULT 0, Adet INTEGER)"),
                QStringLiteral("INSERT INTO StokKartlar (rowid, StokKod, StokAdi, KalanB, StokGizle, Adet) VALUES "
                               "(5, 'A5', 'O''Brien', 2.5, 0, 3), (2, 'A2', 'Gizli', 4, -1, 1), "
                               "(9, 'A9', NULL, 0, 0, 7), (7, 'A7', 'Çay', -1, 0, NULL)")});
        test::runOnFile(programFile(QStringLiteral("SayTmp.Mdb")),
            {QStringLiteral("CREATE TABLE stokkartlar (Sube TEXT DEFAULT 'XX', adet INTEGER, STOKADI TEXT, "
                            "StokGizle BOOLEAN, KalanB REAL, StokKod TEXT)"),
                QStringLiteral("INSERT INTO stokkartlar (StokKod) VALUES ('Z0')")});
    }

    int append(const QString &criteria, const QString &sourceTable = QStringLiteral("StokKartlar"))
    {
        Database target = Database::open(m_mapper, programText(QStringLiteral("SayTmp.Mdb")));
        const Database source = Database::open(m_mapper, dataText(QStringLiteral("02Stok.mdb")));
        return target.appendRows(QStringLiteral("StokKartlar"), source, sourceTable, criteria);
    }

    QString targetRows() const
    {
        return test::cliValue(programFile(QStringLiteral("SayTmp.Mdb")),
            QStringLiteral("SELECT group_concat(StokKod || ':' || ifnull(STOKADI, '-') || ':' || "
                           "ifnull(KalanB, '-') || ':' || ifnull(StokGizle, '-') || ':' || ifnull(adet, '-') || "
                           "':' || ifnull(Sube, '-') || ':' || typeof(adet), ' ') "
                           "FROM (SELECT * FROM stokkartlar ORDER BY rowid)"));
    }
};

TEST_F(DatabaseBulkTest, FieldsGoByNameInStoredOrderAfterTheRowsThere)
{
    const QString expected = QStringLiteral("Z0:-:-:-:-:XX:null A5:O'Brien:2.5:0:3:XX:integer A7:Çay:-1.0:0:-:XX:null");
    EXPECT_EQ(append(QStringLiteral("StokGizle=False And KalanB<>0")), 2);
    EXPECT_EQ(targetRows(), expected);
    // The criterion takes the engine's texts and wildcards: the same rows again.
    test::runOnFile(programFile(QStringLiteral("SayTmp.Mdb")), {QStringLiteral("DELETE FROM stokkartlar WHERE rowid > 1")});
    EXPECT_EQ(append(QStringLiteral("StokAdi='O''Brien' Or StokAdi Like 'ç*'")), 2);
    EXPECT_EQ(targetRows(), expected);
}

TEST_F(DatabaseBulkTest, SourceFieldMissingInTheTargetFailsOnlyWithRowsToCopy)
{
    test::runOnFile(
        dataFile(QStringLiteral("02Stok.mdb")), {QStringLiteral("ALTER TABLE StokKartlar ADD COLUMN Barkod3 TEXT")});
    const QString before = targetRows();
    EXPECT_EQ(append(QStringLiteral("KalanB>100")), 0);
    try {
        append(QStringLiteral("KalanB<>0"));
        ADD_FAILURE() << "a field without a namesake went nowhere";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), DbError::ItemNotFound);
        EXPECT_TRUE(e.text().contains(u"Barkod3")) << e.text().toStdString();
    }
    EXPECT_EQ(targetRows(), before);
    EXPECT_EQ(test::dbErrorOf([this] { append({}, QStringLiteral("Yok")); }), DbError::TableNotFound);
}

// Inside a transaction the rows go with it; without a criterion every row goes.
TEST_F(DatabaseBulkTest, JoinsAnOpenTransaction)
{
    const QString before = targetRows();
    {
        Transaction transaction(m_mapper);
        transaction.begin();
        EXPECT_EQ(append(QString()), 4);
        transaction.rollback();
    }
    EXPECT_EQ(targetRows(), before);
    EXPECT_EQ(append(QString()), 4);
    EXPECT_EQ(test::cliValue(programFile(QStringLiteral("SayTmp.Mdb")),
                  QStringLiteral("SELECT group_concat(StokKod, ',') FROM (SELECT * FROM stokkartlar ORDER BY rowid)")),
        QStringLiteral("Z0,A2,A5,A7,A9"));
}

TEST_F(DatabaseBulkTest, CacheSizeIsPerFile)
{
    Database count = Database::open(m_mapper, programText(QStringLiteral("SayTmp.Mdb")));
    const Database branch = Database::open(m_mapper, dataText(QStringLiteral("02Stok.mdb")));
    const int usual = count.cacheSize();
    ASSERT_GT(usual, 0);
    count.setCacheSize(usual * 4);
    EXPECT_EQ(count.cacheSize(), usual * 4);
    EXPECT_EQ(branch.cacheSize(), usual) << "the other file keeps its cache";
    EXPECT_EQ(Database::open(m_mapper, programText(QStringLiteral("SayTmp.Mdb"))).cacheSize(), usual * 4)
        << "one cache for every holder of the file";
}

} // namespace
} // namespace pusla
