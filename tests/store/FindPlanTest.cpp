#include "store/Database.h"

#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

struct Lookup
{
    const char *criteria;
    const char *index;
};

struct PlanCase
{
    const char *source;
    Lookup lookup;
};

// The scan box searches by these, in this order; each must be an index seek
// on the folded field, as the stock file's schema indexes it.
const Lookup kLookups[] = {
    {"Barkod='8690000000017'", "StokKartlarBarkodFold"},
    {"Barkod2='8690000000017'", "StokKartlarBarkod2Fold"},
    {"Barkod3='8690000000017'", "StokKartlarBarkod3Fold"},
    {"StokKod='K-17'", "StokKartlarStokKodFold"},
    {"StokAdi='ÇAY BARDAĞI'", "StokKartlarStokAdiFold"},
    {"StokAdi like 'çay b*'", "StokKartlarStokAdiFold"},
    {"StokAdi like 'çay*b?r*'", "StokKartlarStokAdiFold"},
};

const char *const kSources[] = {
    "StokKartlar",
    "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc",
    "Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc",
};

class FindPlanTest : public test::DbFixture, public ::testing::WithParamInterface<PlanCase>
{
};

TEST_P(FindPlanTest, LookupSeeksTheFoldedIndex)
{
    test::runOnFile(programFile(QStringLiteral("Stok.mdb")), test::stockCardDdl());
    Database database = Database::open(m_mapper, programText(QStringLiteral("Stok.mdb")));
    auto rs = database.openRecordset(QString::fromUtf8(GetParam().source));
    const QStringList plan = rs->explainFind(QString::fromUtf8(GetParam().lookup.criteria));
    const QString joined = plan.join(u" | ");
    EXPECT_TRUE(joined.contains(QStringLiteral("USING INDEX %1 ").arg(QString::fromLatin1(GetParam().lookup.index))))
        << joined.toStdString();
    for (const QString &line : plan)
        EXPECT_FALSE(line.startsWith(u"SCAN")) << joined.toStdString();
}

std::vector<PlanCase> allCases()
{
    std::vector<PlanCase> cases;
    for (const char *source : kSources) {
        for (const Lookup &lookup : kLookups)
            cases.push_back({source, lookup});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(ScanBoxLookups, FindPlanTest, ::testing::ValuesIn(allCases()));

} // namespace
} // namespace pusla
