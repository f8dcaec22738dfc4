// Lists in name order follow the Turkish alphabet, whatever the case of the
// names, whether the file's name index gives the order or SQLite sorts; a
// lookup finds the first match in that order.

#include "data/SchemaDdl.h"
#include "store/Database.h"

#include "support/Cases.h"
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

// In alphabetical order.
const char *const kAlphabetical[]
    = {"Ceviz", "çay", "ÇORBA", "DAĞ", "Dal", "Dut", "gazoz", "Gül", "Hurma", "Iğdır", "ılık", "IRMAK", "İncir", "inek",
        "Jale", "Kâğıt", "kalem", "Ot", "ölçü", "Pide", "Sabun", "şeker", "Tuz", "uzun", "ÜZÜM", "Vişne", "Zeytin"};

struct OrderCase
{
    const char *name;
    const char *source;
    bool descending;
    bool nameIndex; // the file has the sort index on StokAdi
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
    const QString file = programFile(QStringLiteral("Temp.Mdb"));
    ASSERT_TRUE(schema::createDatabaseFile(file, schema::DatabaseKind::LocalStock));
    QStringList statements;
    if (!c.nameIndex)
        statements.append(QStringLiteral("DROP INDEX ix_StokKartlar_StokAdi_sort"));
    // Stored out of order, so that neither the storage nor the code order gives the answer.
    const int count = int(std::size(kAlphabetical));
    for (int i = 0; i < count; ++i) {
        const int card = (i * 11) % count;
        statements.append(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, StokGizle) VALUES ('%1', '%2', 0)")
                              .arg(count - card)
                              .arg(QString::fromUtf8(kAlphabetical[card])));
    }
    test::runOnFile(file, statements);

    Database database = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
    std::unique_ptr<Recordset> list = database.openRecordset(QString::fromUtf8(c.source));
    QStringList listed;
    for (; !list->eof(); list->moveNext())
        listed.append(list->field(QStringLiteral("StokAdi")).toString());
    QStringList expected;
    for (const char *name : kAlphabetical)
        expected.append(QString::fromUtf8(name));
    if (c.descending)
        std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(listed.join(u", ").toStdString(), expected.join(u", ").toStdString());

    // A name's beginning finds the first of its names in the list's order.
    const char *const finds[][3] = {{"ç*", "çay", "ÇORBA"}, {"ı*", "Iğdır", "IRMAK"}, {"i*", "İncir", "inek"},
        {"kâ*", "Kâğıt", "Kâğıt"}, {"d*", "DAĞ", "Dut"}};
    for (const auto &[pattern, first, last] : finds) {
        list->findFirst(QStringLiteral("StokAdi like '%1'").arg(QString::fromUtf8(pattern)));
        EXPECT_EQ(list->field(QStringLiteral("StokAdi")).toString(), QString::fromUtf8(c.descending ? last : first))
            << pattern;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, NameOrderTest, ::testing::ValuesIn(kOrders),
    [](const ::testing::TestParamInfo<OrderCase> &order) { return std::string(order.param.name); });

} // namespace
} // namespace pusla
