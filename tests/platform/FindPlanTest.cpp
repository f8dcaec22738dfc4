#include "platform/Database.h"
#include "platform/TextFold.h"

#include "platform/DbTestSupport.h"

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
    {"Barkod='8690000000017'", "BarkodFold"},
    {"Barkod2='8690000000017'", "Barkod2Fold"},
    {"Barkod3='8690000000017'", "Barkod3Fold"},
    {"StokKod='K-17'", "StokKodFold"},
    {"StokAdi='ÇAY BARDAĞI'", "StokAdiFold"},
    {"StokAdi like 'çay b*'", "StokAdiFold"},
};

const char *const kSources[] = {
    "StokKartlar",
    "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc",
    "Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc",
};

class FindPlanTest : public test::DbFixture, public ::testing::WithParamInterface<PlanCase>
{ };

TEST_P(FindPlanTest, LookupSeeksTheFoldedIndex)
{
    QStringList ddl = test::stockCardDdl();
    for (const char *field : {"Barkod", "Barkod2", "Barkod3", "StokKod", "StokAdi"}) {
        const QString name = QString::fromLatin1(field);
        ddl.append(QStringLiteral("CREATE INDEX %1Fold ON StokKartlar(%2)").arg(name, foldSqlExpression(name)));
    }
    test::runOnFile(programFile(QStringLiteral("Stok.mdb")), ddl);
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
