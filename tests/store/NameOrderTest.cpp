// Lists in name order follow the Turkish alphabet, whatever the case of the
// names, whether the file's name index gives the order or SQLite sorts; a
// name's beginning finds the first of its names in that order.

#include "data/SchemaDdl.h"
#include "store/Database.h"

#include "support/Cases.h"
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

const char *const kAlphabetical[]
    = {"Ceviz", "çay", "ÇORBA", "DAĞ", "Dal", "Dut", "gazoz", "Gül", "Hurma", "Iğdır", "ılık", "IRMAK", "İncir", "inek",
        "Jale", "Kâğıt", "kalem", "Ot", "ölçü", "Pide", "Sabun", "şeker", "Tuz", "uzun", "ÜZÜM", "Vişne", "Zeytin"};

// A beginning, its first name in ascending and in descending order.
const char *const kBeginnings[][3] = {{"ç*", "çay", "ÇORBA"}, {"ı*", "Iğdır", "IRMAK"}, {"i*", "İncir", "inek"},
    {"kâ*", "Kâğıt", "Kâğıt"}, {"d*", "DAĞ", "Dut"}};

struct OrderCase
{
    const char *name;
    const char *source;
    bool descending;
    bool nameIndex;
};

const OrderCase kOrders[] = {
    {"WorkingList", "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc", false, true},
    {"HeaderTapDescending", "StokKartlar ORDER BY StokAdi DESC", true, true},
    {"WorkingListSorted", "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc", false, false},
    {"HeaderTapDescendingSorted", "StokKartlar ORDER BY StokAdi DESC", true, false},
};

using NameOrderTest = test::Cases<test::DbFixture, OrderCase>;

TEST_P(NameOrderTest, ListsNamesAlphabetically)
{
    const OrderCase &c = GetParam();
    ASSERT_TRUE(schema::createDatabaseFile(programFile(QStringLiteral("Temp.Mdb")), schema::DatabaseKind::LocalStock));
    QStringList statements;
    if (!c.nameIndex)
        statements.append(QStringLiteral("DROP INDEX ix_StokKartlar_StokAdi_sort"));
    QStringList expected;
    for (const char *name : kAlphabetical)
        expected.append(QString::fromUtf8(name));
    for (qsizetype i = 0; i < expected.size(); ++i) // stored out of order
        statements.append(QStringLiteral("INSERT INTO StokKartlar (StokAdi, StokGizle) VALUES ('%1', 0)")
                              .arg(expected[(i * 11) % expected.size()]));
    test::runOnFile(programFile(QStringLiteral("Temp.Mdb")), statements);
    if (c.descending)
        std::reverse(expected.begin(), expected.end());

    Database database = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
    std::unique_ptr<Recordset> list = database.openRecordset(QString::fromUtf8(c.source));
    QStringList listed;
    for (; !list->eof(); list->moveNext())
        listed.append(list->field(QStringLiteral("StokAdi")).toString());
    EXPECT_EQ(listed.join(u", ").toStdString(), expected.join(u", ").toStdString());
    for (const auto &[beginning, first, last] : kBeginnings) {
        list->findFirst(QStringLiteral("StokAdi like '%1'").arg(QString::fromUtf8(beginning)));
        EXPECT_EQ(list->field(QStringLiteral("StokAdi")).toString(), QString::fromUtf8(c.descending ? last : first))
            << beginning;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, NameOrderTest, ::testing::ValuesIn(kOrders),
    [](const ::testing::TestParamInfo<OrderCase> &order) { return std::string(order.param.name); });

} // namespace
} // namespace pusla
