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
        test::runOnFile(dataFile(QStringLiteral("02Stok.mdb")), test::stockCardDdl() << QStringLiteral(
            "INSERT INTO StokKartlar (KalanB, GirenTutar) VALUES (3, 30), (5, 50), (0, 7), (1.5, 4.5)"));
        test::runOnFile(programFile(QStringLiteral("SayTmp.Mdb")), test::stockCardDdl());
    }

    const QString jet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

    int errorOf(const QString &text)
    {
        AdoConnection connection(m_mapper);
        const int number = test::dbErrorOf([&] { connection.open(text, {}, {}); });
        EXPECT_EQ(connection.isOpen(), number == 0) << text.toStdString();
        return number;
    }
};

TEST_F(AdoConnectionTest, OpensTheDataSourceOfTheJetProviderOnly)
{
    const QString stock = dataText(QStringLiteral("02Stok.mdb"));
    const QString count = programText(QStringLiteral("SayTmp.Mdb"));
    const std::pair<QString, int> cases[] = {
        {jet + stock + QStringLiteral(";Persist Security Info=False"), 0},
        {jet + stock + u';', 0},
        {QStringLiteral("provider = microsoft.jet.oledb.4.0 ; Data Source=") + count, 0},
        {QStringLiteral("Provider=SQLOLEDB;Data Source=") + count, DbError::ProviderNotFound},
        {QStringLiteral("Data Source=") + count, DbError::ProviderNotFound},
        {QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;"), DbError::InvalidArgument},
        {jet + dataText(QStringLiteral("09Stok.mdb")), DbError::FileNotFound},
    };
    for (const auto &[text, number] : cases)
        EXPECT_EQ(errorOf(text), number) << text.toStdString();
}

TEST_F(AdoConnectionTest, DocumentTotalFromASum)
{
    AdoConnection connection(m_mapper);
    connection.open(jet + dataText(QStringLiteral("02Stok.mdb")) + u';', {}, {});
    AdoRecordset total;
    total.open(QStringLiteral("select sum(GirenTutar) FROM StokKartlar Where KalanB<>0"), connection, 2, 2);
    EXPECT_DOUBLE_EQ(total.value(0).toDouble(), 84.5);
    EXPECT_THROW(total.value(1), DbError);
    total.close();
    EXPECT_THROW(total.moveFirst(), DbError);
}

} // namespace
} // namespace pusla
