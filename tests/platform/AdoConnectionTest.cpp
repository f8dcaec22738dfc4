#include "platform/AdoConnection.h"
#include "platform/DbError.h"

#include "platform/DbTestSupport.h"

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

// The count copy: visible cards with a quantity, field by field by name.
TEST_F(AdoConnectionTest, CopiesRecordsFieldByField)
{
    AdoConnection source(m_mapper);
    source.open(connectionText(dataText(QStringLiteral("02Stok.mdb"))), {}, {});
    AdoConnection target(m_mapper);
    target.open(connectionText(programText(QStringLiteral("SayTmp.Mdb"))), {}, {});
    AdoRecordset from;
    from.open(QStringLiteral("SELECT * FROM StokKartlar Where StokGizle=False And KalanB<>0"), source, 1, 3);
    AdoRecordset to;
    to.open(QStringLiteral("SELECT * FROM StokKartlar"), target, 1, 3);
    ASSERT_EQ(from.recordCount(), 2);
    from.moveFirst();
    while (!from.eof()) {
        to.addNew();
        for (int i = 0; i < from.fieldCount(); ++i)
            to.setValue(from.fieldName(i), from.value(i));
        to.update();
        EXPECT_EQ(to.value(QStringLiteral("StokKod")), from.value(QStringLiteral("stokkod")));
        from.moveNext();
    }
    from.close();
    to.moveLast();
    to.moveFirst();
    EXPECT_EQ(to.recordCount(), 2);
    to.close();
    EXPECT_EQ(test::cliValue(programFile(QStringLiteral("SayTmp.Mdb")),
                  QStringLiteral("SELECT group_concat(StokAdi || '=' || KalanB) FROM StokKartlar")),
        QStringLiteral("Çay=3.0,Un=1.5"));
}

TEST_F(AdoConnectionTest, DocumentTotalFromASum)
{
    AdoConnection connection(m_mapper);
    connection.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=")
            + dataText(QStringLiteral("02Stok.mdb")) + u';',
        {}, {});
    AdoRecordset total;
    total.open(QStringLiteral("select sum(GirenTutar) FROM StokKartlar Where KalanB<>0"), connection, 2, 2);
    EXPECT_DOUBLE_EQ(total.value(0).toDouble(), 84.5);
    EXPECT_THROW(total.value(1), DbError);
}

TEST_F(AdoConnectionTest, ChangeWithoutAddNewEditsTheCurrentRecordAndReadOnlyRefuses)
{
    AdoConnection connection(m_mapper);
    connection.open(connectionText(dataText(QStringLiteral("02Stok.mdb"))), {}, {});
    AdoRecordset rs;
    rs.open(QStringLiteral("SELECT * FROM StokKartlar"), connection, 1, 3);
    rs.setValue(QStringLiteral("KalanB"), 9);
    rs.moveNext(); // saves the pending change
    EXPECT_EQ(test::cliValue(dataFile(QStringLiteral("02Stok.mdb")),
                  QStringLiteral("SELECT KalanB FROM StokKartlar WHERE StokKod='1'")),
        QStringLiteral("9.0"));
    AdoRecordset readOnly;
    readOnly.open(QStringLiteral("SELECT * FROM StokKartlar"), connection, 0, 1);
    EXPECT_THROW(readOnly.addNew(), DbError);
    EXPECT_THROW(readOnly.setValue(0, QStringLiteral("x")), DbError);
    rs.close();
    EXPECT_THROW(rs.moveFirst(), DbError);
}

} // namespace
} // namespace pusla
