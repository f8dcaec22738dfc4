#include "store/AdoConnection.h"
#include "store/DbError.h"

#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

class AdoConnectionTest : public test::DbFixture
{
protected:
    void SetUp() override
    {
        QStringList source = test::stockCardDdl();
        source << QStringLiteral(
            "INSERT INTO StokKartlar (StokKod, StokAdi, KalanB, StokGizle, GirenTutar, Sube) VALUES "
            "('1', 'Çay', 3, 0, 30, '02'), ('2', 'Gizli', 5, -1, 50, '02'), "
            "('3', 'Şeker', 0, 0, 0, '02'), ('4', 'Un', 1.5, 0, 4.5, '02')");
        test::runOnFile(dataFile(QStringLiteral("02Stok.mdb")), source);
        test::runOnFile(programFile(QStringLiteral("SayTmp.Mdb")), test::stockCardDdl());
    }

    QString connectionText(
        const QString &file, const QString &tail = QStringLiteral(";Persist Security Info=False")) const
    {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + file + tail;
    }

    int errorOf(const QString &text)
    {
        AdoConnection connection(m_mapper);
        try {
            connection.open(text, {}, {});
        } catch (const DbError &e) {
            EXPECT_FALSE(connection.isOpen());
            return e.number();
        }
        return 0;
    }
};

TEST_F(AdoConnectionTest, OpensTheDataSourceOfTheJetProviderOnly)
{
    EXPECT_EQ(errorOf(connectionText(dataText(QStringLiteral("02Stok.mdb")))), 0);
    EXPECT_EQ(errorOf(connectionText(dataText(QStringLiteral("02Stok.mdb")), QStringLiteral(";"))), 0);
    EXPECT_EQ(errorOf(QStringLiteral("provider = microsoft.jet.oledb.4.0 ; Data Source=")
                  + programText(QStringLiteral("SayTmp.Mdb"))),
        0);
    EXPECT_EQ(errorOf(QStringLiteral("Provider=SQLOLEDB;Data Source=") + programText(QStringLiteral("SayTmp.Mdb"))),
        int(DbError::ProviderNotFound));
    EXPECT_EQ(errorOf(QStringLiteral("Data Source=") + programText(QStringLiteral("SayTmp.Mdb"))),
        int(DbError::ProviderNotFound));
    EXPECT_EQ(errorOf(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;")), int(DbError::InvalidArgument));
    EXPECT_EQ(errorOf(connectionText(dataText(QStringLiteral("09Stok.mdb")))), int(DbError::FileNotFound));
}

TEST_F(AdoConnectionTest, DocumentTotalFromASum)
{
    AdoConnection connection(m_mapper);
    connection.open(connectionText(dataText(QStringLiteral("02Stok.mdb")), QStringLiteral(";")), {}, {});
    AdoRecordset total;
    total.open(QStringLiteral("select sum(GirenTutar) FROM StokKartlar Where KalanB<>0"), connection, 2, 2);
    EXPECT_DOUBLE_EQ(total.value(0).toDouble(), 84.5);
    EXPECT_THROW(total.value(1), DbError);
    total.close();
    EXPECT_THROW(total.moveFirst(), DbError);
}

} // namespace
} // namespace pusla
