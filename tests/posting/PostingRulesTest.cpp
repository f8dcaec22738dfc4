// The posting rules driven directly, without the screen: a document value
// and a database set in, rows in the books out.

#include "base/Dialogs.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "data/DatabaseSet.h"
#include "support/DemoSet.h"
#include "posting/MovementDocument.h"
#include "posting/SalesInvoice.h"
#include "store/DataControl.h"
#include "store/SharedConnection.h"
#include "store/jet/JetSql.h"
#include "support/DbTestSupport.h"
#include "support/FakeProgram.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <array>

namespace pusla::test {
namespace {

/// A posting rule never speaks to the operator: any dialog fails the test.
class MuteDialogs final : public Dialogs
{
public:
    MessageAnswer messageBox(const QString &text, MessageButtons) override
    {
        ADD_FAILURE() << "a posting rule showed: " << text.toStdString();
        return MessageAnswer::No;
    }
    QString inputBox(const QString &prompt, const QString &, const QString &) override
    {
        ADD_FAILURE() << "a posting rule asked: " << prompt.toStdString();
        return {};
    }
    void popupMenu(QMenu &) override { ADD_FAILURE() << "a posting rule opened a menu"; }
    void beep() override {}
    void setBusy(bool) override {}
};

enum class Kind { Movement, Invoice };

const QString kCustomer = QStringLiteral("Yılmaz Gıda Ltd. Şti.");
const QString kBranch03 = QStringLiteral("Şube 03");

/// The demo set (centre 01, branches 02 and 03) with the data controls bound
/// as the selection binds them: to the centre for a Cari document, to the
/// branch for a Depo transfer. Cards and accounts start at zero.
class PostingRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        createDemoSet(tree);
        if (HasFatalFailure())
            return;
        // The connection's main file sits beside the books, as the role choice puts it.
        SharedConnection::setAnchorFolder(tree.dataFolder());
        for (const char *company : {"01", "03"}) {
            runOnFile(setFile(company, "Cari"), {QStringLiteral("UPDATE CariKartlar SET Borc=0, Alacak=0")});
            runOnFile(setFile(company, "Stok"),
                {QStringLiteral("UPDATE StokKartlar SET GirenMik=0, CikanMik=0, GirenTutar=0, CikanTutar=0")});
        }
    }

    void TearDown() override { SharedConnection::setAnchorFolder(QString()); }

    void bindSet(const char *company)
    {
        openDatabaseSet(controls(), QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\") + QLatin1String(company),
            program.folder());
        m_temp.close();
        m_temp.setDatabaseName(program.folder() + QStringLiteral("\\Temp.Mdb"));
    }

    DataControls controls()
    {
        return {&m_cari, &m_cariHar, &m_stok, &m_stokHar, &m_fatura, &m_fatHar, &m_index1, &m_index2, &m_temp,
            &m_data1};
    }

    QString setFile(const char *company, const char *kind) const
    {
        return tree.dataFolder() + u'/' + QLatin1String(company) + QLatin1String(kind) + QStringLiteral(".mdb");
    }
    QString tempFile() const { return tree.paths().programFolder + QStringLiteral("/Temp.Mdb"); }

    /// A captured line: quantity, unit price, amount and VAT amount.
    void setLine(const char *code, double quantity, double price, double amount, double vat = 0)
    {
        runOnFile(tempFile(),
            {QStringLiteral("UPDATE StokKartlar SET KalanB=%1, Fiyat=%2, GirenTutar=%3, Kar=%4 WHERE StokKod='%5'")
                    .arg(quantity)
                    .arg(price)
                    .arg(amount)
                    .arg(vat)
                    .arg(QLatin1String(code))});
    }

    QString value(const char *company, const char *kind, const char *sql) const
    {
        return cliValue(setFile(company, kind), QString::fromUtf8(sql));
    }

    /// Every row and running total a posting writes, in both sets.
    QString books() const
    {
        QStringList rows;
        for (const char *company : {"01", "03"}) {
            rows << value(company, "Cari", "SELECT count(*), total(Borc), total(Alacak) FROM CariHareket")
                 << value(company, "Cari", "SELECT total(Borc), total(Alacak) FROM CariKartlar")
                 << value(company, "Stok", "SELECT count(*) FROM StokHareket")
                 << value(company, "Stok", "SELECT total(GirenMik), total(CikanMik) FROM StokKartlar")
                 << value(company, "Fatura", "SELECT count(*) FROM Faturalar")
                 << value(company, "Index", "SELECT count(*) FROM Mdbindex");
        }
        return rows.join(u'|');
    }

    PostingResult post(Kind kind, bool depo, Direction direction, const QString &title, int index, double total)
    {
        bindSet(depo ? "03" : "01");
        if (kind == Kind::Invoice)
            return postSalesInvoice(controls(), services, {title, QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01")});
        return postMovements(controls(), services, {depo, direction, title, index, total});
    }

    TempTree tree;
    MuteDialogs dialogs;
    FakeProgram program {tree.paths().programFolder};
    FakeClock clock;
    SettingsStore settings {tree.paths().configFolder};
    PathMapper mapper {tree.paths()};
    RegionalFormat formats {QLocale(QLocale::Turkish, QLocale::Turkey)};
    Services services {dialogs, program, clock, settings, mapper, formats};

private:
    DataControl m_cari {mapper}, m_cariHar {mapper}, m_stok {mapper}, m_stokHar {mapper}, m_fatura {mapper},
        m_fatHar {mapper}, m_index1 {mapper}, m_index2 {mapper}, m_temp {mapper}, m_data1 {mapper};
};

// --- documents that post ----------------------------------------------------

/// Per set (centre 01, branch 03): the account movements, the card of the
/// first movement's account (debit:credit:balance:side), the stock movements
/// and the stock card of ST000001 (in:out) that one document leaves.
struct SetRows
{
    const char *accountMovements;
    const char *account;
    const char *stockMovements;
    const char *card;
};

struct RuleCase
{
    const char *name;
    Kind kind;
    bool depo;
    Direction direction;
    SetRows centre;
    SetRows branch;
    const char *invoices; ///< the centre's invoice headers
};

const RuleCase kRules[] = {
    {"CariSale", Kind::Movement, false, Direction::Sale,
        {"C001:Satış ile:30.0:0.0", "30.0:0.0:30.0:Borç", "ST000001:Satış:C001:C001:Şube,ST000002:Satış:C001:C001:Şube", "0.0:2.0"},
        {"", "", "", "0.0:0.0"}, ""},
    {"CariPurchase", Kind::Movement, false, Direction::Purchase,
        {"C001:Alış ile:0.0:30.0", "0.0:30.0:30.0:Alacak", "ST000001:Alış:C001:C001:Şube,ST000002:Alış:C001:C001:Şube", "2.0:0.0"},
        {"", "", "", "0.0:0.0"}, ""},
    // The centre sells to the branch: the branch buys from "Merkez" in its own set.
    {"DepoSale", Kind::Movement, true, Direction::Sale,
        {"Şube03:Satış ile:30.0:0.0", "30.0:0.0:30.0:Borç", "ST000001:Satış:Şube03:03:Şube,ST000002:Satış:Şube03:03:Şube", "0.0:2.0"},
        {"Merkez:Alış ile:0.0:30.0", "0.0:30.0:30.0:Alacak", "ST000001:Alış:Merkez:02:-,ST000002:Alış:Merkez:02:-", "2.0:0.0"}, ""},
    // The branch returns goods: it sells to "Merkez", the centre buys.
    {"DepoPurchase", Kind::Movement, true, Direction::Purchase,
        {"Şube03:Alış ile:0.0:30.0", "0.0:30.0:30.0:Alacak", "ST000001:Alış:Şube03:03:Şube,ST000002:Alış:Şube03:03:Şube", "2.0:0.0"},
        {"Merkez:Satış ile:30.0:0.0", "30.0:0.0:30.0:Borç", "ST000001:Satış:Merkez:02:-,ST000002:Satış:Merkez:02:-", "0.0:2.0"}, ""},
    // The invoice debits the customer and the VAT account.
    {"CariInvoice", Kind::Invoice, false, Direction::Sale,
        {"C001:S00001 Nolu Satış Faturası ile :30.0:0.0,=110:S00001 Nolu Satış Faturası ile :3.0:0.0", "30.0:0.0:30.0:Borç", "ST000001:Satış:C001::-,ST000002:Satış:C001::-", "0.0:2.0"},
        {"", "", "", "0.0:0.0"}, "S00001:C001:30.0"},
};

class PostingRuleTable : public PostingRulesTest, public ::testing::WithParamInterface<RuleCase>
{
};

TEST_P(PostingRuleTable, WritesBothSidesWithOneSerial)
{
    const RuleCase &rule = GetParam();
    setLine("ST000001", 2, 10, 20, 3);
    setLine("ST000002", 1, 10, 10);
    const bool depo = rule.depo;

    const PostingResult result
        = post(rule.kind, depo, rule.direction, depo ? kBranch03 : kCustomer, depo ? 1 : 0, 30);

    ASSERT_EQ(result.outcome, PostingResult::Outcome::Posted) << result.failure.toStdString();
    EXPECT_EQ(result.total, 30);
    const std::array<std::pair<const char *, const SetRows *>, 2> sets {{{"01", &rule.centre}, {"03", &rule.branch}}};
    for (const auto &[company, rows] : sets) {
        SCOPED_TRACE(company);
        EXPECT_EQ(value(company, "Cari",
                      "SELECT group_concat(CariHarKod || ':' || Aciklama || ':' || Borc || ':' || Alacak) "
                      "FROM (SELECT * FROM CariHareket ORDER BY rowid)"),
            QString::fromUtf8(rows->accountMovements));
        EXPECT_EQ(value(company, "Cari",
                      "SELECT Borc || ':' || Alacak || ':' || Bakiye || ':' || Hesap FROM CariKartlar "
                      "WHERE CariKod=(SELECT CariHarKod FROM CariHareket ORDER BY rowid LIMIT 1)"),
            QString::fromUtf8(rows->account));
        EXPECT_EQ(value(company, "Stok",
                      "SELECT group_concat(StokHarKod || ':' || GirisCikis || ':' || Carisi || ':' || Sube || ':' "
                      "|| ifnull(tGurup, '-')) FROM (SELECT * FROM StokHareket ORDER BY StokHarKod)"),
            QString::fromUtf8(rows->stockMovements));
        EXPECT_EQ(value(company, "Stok", "SELECT GirenMik || ':' || CikanMik FROM StokKartlar WHERE StokKod='ST000001'"),
            QString::fromUtf8(rows->card));
    }
    EXPECT_EQ(value("01", "Fatura", "SELECT ifnull(group_concat(FaturaNo || ':' || FatCari || ':' || FatTop), '') "
                                    "FROM Faturalar"),
        QString::fromUtf8(rule.invoices));
    // One serial, drawn from the set the document starts in, joins every movement of both sides.
    EXPECT_EQ(value(depo ? "03" : "01", "Index", "SELECT count(*) FROM Mdbindex"), QStringLiteral("1"));
    EXPECT_EQ(value(depo ? "01" : "03", "Index", "SELECT count(*) FROM Mdbindex"), QStringLiteral("0"));
    QStringList serials;
    for (const char *company : {"01", "03"}) {
        serials << value(company, "Cari", "SELECT DISTINCT DigerId FROM CariHareket")
                << value(company, "Stok", "SELECT DISTINCT DigerId FROM StokHareket");
    }
    serials.removeAll(QString());
    serials.removeDuplicates();
    EXPECT_EQ(serials.size(), 1) << serials.join(u' ').toStdString();
    // The working list is reset once the books hold the document.
    EXPECT_EQ(cliValue(tempFile(), QStringLiteral("SELECT total(KalanB), total(GirenTutar) FROM StokKartlar")),
        QStringLiteral("0.0|0.0"));
    // A transfer leaves the controls on the centre's set, where it ended.
    EXPECT_TRUE(controls().DataCari->databaseName().endsWith(QStringLiteral("01Cari.Mdb"), Qt::CaseInsensitive));
}

INSTANTIATE_TEST_SUITE_P(Documents, PostingRuleTable, ::testing::ValuesIn(kRules),
    [](const auto &param) { return std::string(param.param.name); });

// --- documents that are refused ---------------------------------------------

struct RefusalCase
{
    const char *name;
    Kind kind;
    bool depo;
    const char *spoil; ///< run on the set's file named by `spoiltFile`
    const char *spoiltFile;
    const char *reason; ///< empty: nothing to post
};

const RefusalCase kRefusals[] = {
    {"CariAccountRenamed", Kind::Movement, false, "UPDATE CariKartlar SET Unvan='Başka' WHERE CariKod='C001'", "01Cari",
        "Cari hesap bulunamadı: Yılmaz Gıda Ltd. Şti."},
    {"CariStockCardMissing", Kind::Movement, false, "DELETE FROM StokKartlar WHERE StokKod='ST000002'", "01Stok",
        "Stok kartı bulunamadı: ST000002"},
    {"DepoBranchAccountMissingInTheCentre", Kind::Movement, true, "DELETE FROM CariKartlar WHERE CariKod='Şube03'",
        "01Cari", "Cari hesap bulunamadı: Şube03"},
    {"DepoCardMissingInTheCentre", Kind::Movement, true, "DELETE FROM StokKartlar WHERE StokKod='ST000002'", "01Stok",
        "Stok kartı bulunamadı: ST000002"},
    {"InvoiceCustomerRenamed", Kind::Invoice, false, "UPDATE CariKartlar SET Unvan='Başka' WHERE CariKod='C001'",
        "01Cari", "Müşteri bulunamadı: Yılmaz Gıda Ltd. Şti."},
    {"InvoiceStockCardMissing", Kind::Invoice, false, "DELETE FROM StokKartlar WHERE StokKod='ST000002'", "01Stok",
        "Stok kartı bulunamadı: ST000002"},
    {"MovementWithoutAmount", Kind::Movement, false, "", "01Stok", ""},
};

class RefusedDocument : public PostingRulesTest, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(RefusedDocument, WritesNothingAndKeepsTheLinesAndTheSet)
{
    const RefusalCase &refusal = GetParam();
    const bool priced = refusal.reason[0] != '\0';
    setLine("ST000001", 2, 10, priced ? 20 : 0);
    setLine("ST000002", 1, 10, priced ? 10 : 0);
    if (priced) {
        runOnFile(tree.dataFolder() + u'/' + QLatin1String(refusal.spoiltFile) + QStringLiteral(".mdb"),
            {QString::fromUtf8(refusal.spoil)});
    }
    const QString before = books();

    const PostingResult result = post(refusal.kind, refusal.depo, Direction::Sale,
        refusal.depo ? kBranch03 : kCustomer, refusal.depo ? 1 : 0, priced ? 30 : 0);

    if (priced) {
        EXPECT_EQ(result.outcome, PostingResult::Outcome::Failed);
        EXPECT_TRUE(result.failure.contains(QString::fromUtf8(refusal.reason))) << result.failure.toStdString();
    } else {
        EXPECT_EQ(result.outcome, PostingResult::Outcome::NothingToPost);
    }
    EXPECT_EQ(books(), before);
    EXPECT_EQ(cliValue(tempFile(), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")), QStringLiteral("3.0"));
    // Back on the set the document was captured in, so that a retry posts there.
    EXPECT_TRUE(controls().DataCari->databaseName().endsWith(refusal.depo ? QStringLiteral("03Cari.mdb")
                                                                          : QStringLiteral("01Cari.mdb"),
        Qt::CaseInsensitive));
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedDocument, ::testing::ValuesIn(kRefusals),
    [](const auto &param) { return std::string(param.param.name); });

// The centre's files sit beside the branch's, whatever the folders are called.
TEST(CentrePrefix, CutsTheCompanyNumberOffTheFileNameOnly)
{
    const std::pair<const char *, const char *> cases[] = {
        {"\\\\127.0.0.1\\MuhasebeData\\03Cari.mdb", "\\\\127.0.0.1\\MuhasebeData\\"},
        {"\\\\127.0.0.1\\Cariler\\MuhasebeData\\02Cari.Mdb", "\\\\127.0.0.1\\Cariler\\MuhasebeData\\"},
        {"C:\\Cari\\Data\\12Cari.mdb", "C:\\Cari\\Data\\"},
    };
    for (const auto &[file, prefix] : cases)
        EXPECT_EQ(centrePrefix(QString::fromLatin1(file)), QString::fromLatin1(prefix)) << file;
}

} // namespace
} // namespace pusla::test
