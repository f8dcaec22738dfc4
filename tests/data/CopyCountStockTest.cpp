#include "data/DataRoutines.h"
#include "data/SchemaDdl.h"
#include "store/DataControl.h"
#include "support/DbTestSupport.h"

using namespace pusla;

namespace {

class CopyCountStockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(tree.dataFolder());
        ASSERT_TRUE(schema::createDatabaseFile(branchPath(), schema::DatabaseKind::Stok));
        ASSERT_TRUE(schema::createDatabaseFile(countPath(), schema::DatabaseKind::LocalStock));
    }

    QString branchPath() const { return tree.dataFolder() + QStringLiteral("/02Stok.mdb"); }
    QString countPath() const { return tree.paths().programFolder + QStringLiteral("/SayTmp.Mdb"); }

    void copyFromBranch()
    {
        DataControl branch(mapper);
        branch.setDatabaseName(QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\02Stok.mdb"));
        branch.setRecordSource(QStringLiteral("StokKartlar"));
        RefreshData(branch);
        CopyCountStock(branch, mapper, tree.paths().programFolder);
    }

    QString countRows() const
    {
        return test::cliValue(countPath(), QStringLiteral("SELECT group_concat(StokKod || ':' || KalanB || ':' || "
                                                          "KalanA || ':' || ifnull(Sube, '') || ':' || Birim, ' ') "
                                                          "FROM (SELECT * FROM StokKartlar ORDER BY rowid)"));
    }

    test::TempTree tree;
    PathMapper mapper{tree.paths()};
};

} // namespace

TEST_F(CopyCountStockTest, AppendsOnlyVisibleCardsWithAQuantity)
{
    test::runOnFile(countPath(), {QStringLiteral("INSERT INTO StokKartlar (StokKod, KalanB, KalanA, Sube, Birim) "
                                                 "VALUES ('A0', 1, 0, '03', 'Adet')")});
    test::runOnFile(branchPath(),
                    {QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, KalanB, KalanA, StokGizle, Sube, Birim) "
                                    "VALUES ('A1', 'Şeker', 5, 0, 0, '02', 'Kg'), ('A2', 'Gizli', 3, 0, -1, '02', 'Kg'), "
                                    "('A3', 'Eksik', 0, 2, 0, '02', 'Adet'), ('A4', 'Çay', 2.5, 0, 0, '02', 'Paket')")});
    copyFromBranch();
    EXPECT_EQ(countRows(), QStringLiteral("A0:1.0:0.0:03:Adet A1:5.0:0.0:02:Kg A4:2.5:0.0:02:Paket"));
    EXPECT_EQ(test::integrityCheck(countPath()), QStringLiteral("ok"));
}

