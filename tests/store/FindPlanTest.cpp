#include "store/Database.h"
#include "data/SchemaDdl.h"
#include "store/AttachedFile.h"
#include "store/SharedConnection.h"
#include "store/jet/RecordSourcePlan.h"

#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

using schema::DatabaseKind;

// One lookup or list on a file as the schema creates it, and the index that
// must answer it: without one, every scan would walk a million cards.
struct PlanCase
{
    DatabaseKind kind;
    const char *source; // the record set's source; nullptr: `lookup` is plain SQL run on the file
    const char *lookup; // a FindFirst criterion, the WHERE clause of the plain SQL, or nullptr: the list itself
    const char *index;
};

// The scan box searches by these, in this order, on each of its sources.
const std::pair<const char *, const char *> kScanLookups[] = {
    {"Barkod='8690000000017'", "ix_StokKartlar_Barkod_fold"},
    {"Barkod2='8690000000017'", "ix_StokKartlar_Barkod2_fold"},
    {"Barkod3='8690000000017'", "ix_StokKartlar_Barkod3_fold"},
    {"StokKod='K-17'", "ix_StokKartlar_StokKod_fold"},
    {"StokAdi='ÇAY BARDAĞI'", "ix_StokKartlar_StokAdi_fold"},
    {"StokAdi like 'çay b*'", "ix_StokKartlar_StokAdi_fold"},
    {"StokAdi like 'çay*b?r*'", "ix_StokKartlar_StokAdi_fold"},
};

const char *const kScanSources[] = {
    "StokKartlar",
    "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc",
    "Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc",
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
    // Lists in name or account code order, as a refresh reads them.
    {DatabaseKind::LocalStock, "Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc", nullptr,
        "ix_StokKartlar_StokAdi_sort"},
    {DatabaseKind::LocalStock, "StokKartlar ORDER BY StokAdi DESC", nullptr, "ix_StokKartlar_StokAdi_sort"},
    {DatabaseKind::Stok, "Select * From StokKartlar Where Sube='02' Order By StokAdi Asc", nullptr,
        "ix_StokKartlar_StokAdi_sort"},
    {DatabaseKind::Cari, "Select * FROM CariKartlar Order By CariKod Asc", nullptr, "ix_CariKartlar_CariKod_sort"},
};

std::vector<PlanCase> allCases()
{
    std::vector<PlanCase> cases;
    for (const char *source : kScanSources) {
        // In a list by name, a name's beginning is read from the name's sort
        // index, in the list's order: the first match is the first row read.
        const bool byName = QByteArray(source).contains("StokAdi");
        for (const auto &[criteria, index] : kScanLookups) {
            const bool beginning = byName && QByteArray(criteria).contains(" like ");
            cases.push_back({DatabaseKind::Stok, source, criteria, beginning ? "ix_StokKartlar_StokAdi_sort" : index});
        }
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
    if (c.source && !c.lookup) {
        // The stock sqlite3 tool reads the list's order from the index too.
        Database database = Database::open(m_mapper, programText(QStringLiteral("Set.mdb")));
        const AttachedFile &file = *database.file();
        const RecordSourcePlan list = planRecordSource(QString::fromUtf8(c.source), file.alias(),
            [&file](const QString &table) { return file.connection().tableInfo(file.alias(), table); });
        plan = test::cliValue(programFile(QStringLiteral("Set.mdb")),
            QStringLiteral("EXPLAIN QUERY PLAN SELECT rowid FROM %1 ORDER BY %2")
                .arg(list.table.name, list.orderBy.sql))
                   .split(u'\n');
    } else if (c.source) {
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
    const QString joined = plan.join(u" | ") + u' ';
    const char *what = c.lookup ? c.lookup : c.source;
    EXPECT_TRUE(joined.contains(QStringLiteral("USING INDEX %1 ").arg(QString::fromLatin1(c.index))))
        << what << ": " << joined.toStdString();
    for (const QString &line : plan)
        EXPECT_FALSE(line.startsWith(u"SCAN")) << what << ": " << joined.toStdString();
    if (QByteArray(c.index).endsWith("_sort")) {
        EXPECT_FALSE(joined.contains(u"TEMP B-TREE")) << what << ": " << joined.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Lookups, FindPlanTest, ::testing::ValuesIn(allCases()));

} // namespace
} // namespace pusla
