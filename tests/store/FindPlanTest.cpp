#include "store/Database.h"
#include "data/SchemaDdl.h"
#include "store/AttachedFile.h"
#include "store/SharedConnection.h"
#include "store/jet/RecordSourcePlan.h"

#include "support/Cases.h"
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

using schema::DatabaseKind;

// One lookup on a file as the schema creates it, and the index that must
// answer it: without one, every scan would walk a million cards.
struct PlanCase
{
    DatabaseKind kind;
    const char *source; // the record set's source; nullptr: `lookup` is plain SQL run on the file
    const char *lookup; // a FindFirst criterion, or the WHERE clause of the plain SQL
    const char *index;
};

// The scan box searches by these, in this order, on each of its sources. In
// a list by name, a name's beginning is read from the name's sort index, in
// the list's order: the first match is the first row read.
struct ScanLookup
{
    const char *criteria;
    const char *index;
    const char *inNameOrder;
};

const ScanLookup kScanLookups[] = {
    {"Barkod='8690000000017'", "ix_StokKartlar_Barkod_fold", "ix_StokKartlar_Barkod_fold"},
    {"Barkod2='8690000000017'", "ix_StokKartlar_Barkod2_fold", "ix_StokKartlar_Barkod2_fold"},
    {"Barkod3='8690000000017'", "ix_StokKartlar_Barkod3_fold", "ix_StokKartlar_Barkod3_fold"},
    {"StokKod='K-17'", "ix_StokKartlar_StokKod_fold", "ix_StokKartlar_StokKod_fold"},
    {"StokAdi='ÇAY BARDAĞI'", "ix_StokKartlar_StokAdi_fold", "ix_StokKartlar_StokAdi_fold"},
    {"StokAdi like 'çay b*'", "ix_StokKartlar_StokAdi_fold", "ix_StokKartlar_StokAdi_sort"},
    {"StokAdi like 'çay*b?r*'", "ix_StokKartlar_StokAdi_fold", "ix_StokKartlar_StokAdi_sort"},
};

const std::pair<const char *, bool> kScanSources[] = {
    {"StokKartlar", false},
    {"Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc", true},
    {"Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc", true},
};

const PlanCase kOtherLookups[] = {
    {DatabaseKind::LocalStock, "StokKartlar", "Barkod3='8690000000017'", "ix_StokKartlar_Barkod3_fold"},
    {DatabaseKind::Cari, "CariKartlar", "CariKod='C001'", "ix_CariKartlar_CariKod_fold"},
    {DatabaseKind::Cari, "CariKartlar", "Unvan='Şube 02'", "ix_CariKartlar_Unvan_fold"},
    {DatabaseKind::Fatura, "Faturalar", "FaturaNo='S00001'", "ix_Faturalar_FaturaNo_fold"},
    {DatabaseKind::Index, "Tarih", "Tarih='2017'", "ix_Tarih_Tarih_fold"},
    {DatabaseKind::Index, "Mdbindex", "Tarih='2017'", "ix_Mdbindex_Tarih_fold"},
    // The accounting suite's own lookups compare the field as stored.
    {DatabaseKind::Stok, nullptr, "StokKartlar WHERE Sube = ?", "ix_StokKartlar_Sube"},
    {DatabaseKind::Stok, nullptr, "StokHareket WHERE StokHarKod = ?", "ix_StokHareket_StokHarKod"},
    {DatabaseKind::Stok, nullptr, "StokHareket WHERE DigerId = ?", "ix_StokHareket_DigerId"},
    {DatabaseKind::Cari, nullptr, "CariHareket WHERE CariHarKod = ?", "ix_CariHareket_CariHarKod"},
};

std::vector<PlanCase> allCases()
{
    std::vector<PlanCase> cases;
    for (const auto &[source, nameOrder] : kScanSources) {
        for (const ScanLookup &lookup : kScanLookups)
            cases.push_back(
                {DatabaseKind::Stok, source, lookup.criteria, nameOrder ? lookup.inNameOrder : lookup.index});
    }
    cases.insert(cases.end(), std::begin(kOtherLookups), std::end(kOtherLookups));
    return cases;
}

class FindPlanTest : public test::DbFixture, public ::testing::WithParamInterface<PlanCase>
{
};

TEST_P(FindPlanTest, LookupSeeksItsIndex)
{
    const PlanCase &c = GetParam();
    ASSERT_TRUE(schema::createDatabaseFile(programFile(QStringLiteral("Set.mdb")), c.kind));
    const QString lookup = QString::fromUtf8(c.lookup);
    QStringList plan;
    if (c.source) {
        Database database = Database::open(m_mapper, programText(QStringLiteral("Set.mdb")));
        plan = database.openRecordset(QString::fromUtf8(c.source))->explainFind(lookup);
    } else {
        schema::ScopedConnection connection(programFile(QStringLiteral("Set.mdb")));
        ASSERT_TRUE(connection.open());
        QSqlQuery query(connection.database());
        ASSERT_TRUE(query.prepare(QStringLiteral("EXPLAIN QUERY PLAN SELECT * FROM ") + lookup));
        query.addBindValue(QStringLiteral("X"));
        ASSERT_TRUE(query.exec());
        while (query.next())
            plan.append(query.value(3).toString());
    }
    const QString joined = plan.join(u" | ");
    EXPECT_TRUE(joined.contains(QStringLiteral("USING INDEX %1 ").arg(QString::fromLatin1(c.index))))
        << c.lookup << ": " << joined.toStdString();
    for (const QString &line : plan)
        EXPECT_FALSE(line.startsWith(u"SCAN")) << c.lookup << ": " << joined.toStdString();
    if (QString::fromLatin1(c.index).endsWith(u"_sort")) {
        EXPECT_FALSE(joined.contains(u"TEMP B-TREE")) << c.lookup << ": " << joined.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Lookups, FindPlanTest, ::testing::ValuesIn(allCases()));

// A list in name (or account code) order, and the index that must give the
// order: without one, every refresh would sort a million cards. The stock
// sqlite3 tool reads the plan, so the index is one it can use too.
struct OrderPlanCase
{
    DatabaseKind kind;
    const char *source;
    const char *index;
};

const OrderPlanCase kOrderPlans[] = {
    {DatabaseKind::LocalStock, "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc",
        "ix_StokKartlar_StokAdi_sort"},
    {DatabaseKind::LocalStock, "StokKartlar ORDER BY StokAdi DESC", "ix_StokKartlar_StokAdi_sort"},
    {DatabaseKind::Stok, "Select * From StokKartlar Where Sube='02' Order By StokAdi Asc",
        "ix_StokKartlar_StokAdi_sort"},
    {DatabaseKind::Cari, "Select * FROM CariKartlar Order By CariKod Asc", "ix_CariKartlar_CariKod_sort"},
};

using OrderPlanTest = test::Cases<test::DbFixture, OrderPlanCase>;

TEST_P(OrderPlanTest, ListWalksItsIndex)
{
    const OrderPlanCase &c = GetParam();
    const QString file = programFile(QStringLiteral("Set.mdb"));
    ASSERT_TRUE(schema::createDatabaseFile(file, c.kind));
    Database database = Database::open(m_mapper, programText(QStringLiteral("Set.mdb")));
    const AttachedFile &attached = *database.file();
    const RecordSourcePlan plan = planRecordSource(QString::fromUtf8(c.source), attached.alias(),
        [&attached](const QString &table) { return attached.connection().tableInfo(attached.alias(), table); });
    // The rows in the list's order, as a refresh reads them before it applies the condition.
    const QString steps = test::cliValue(file,
        QStringLiteral("EXPLAIN QUERY PLAN SELECT rowid FROM %1 ORDER BY %2").arg(plan.table.name, plan.orderBy.sql));
    EXPECT_TRUE(steps.contains(QStringLiteral("USING INDEX %1").arg(QString::fromLatin1(c.index))))
        << c.source << ": " << steps.toStdString();
    EXPECT_FALSE(steps.contains(u"TEMP B-TREE")) << c.source << ": " << steps.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Orders, OrderPlanTest, ::testing::ValuesIn(kOrderPlans));

} // namespace
} // namespace pusla
