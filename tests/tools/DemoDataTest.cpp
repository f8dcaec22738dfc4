#include "demo/DemoData.h"

#include "support/DbTestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>

namespace pusla {
namespace {

using test::cliValue;

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

/// Cards or accounts of one demo file that meet a condition.
int countWhere(const QString &file, const QString &table, const QString &condition)
{
    return cliValue(file, QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, condition)).toInt();
}

class DemoDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        options.dataDirectory = tree.dataFolder();
        options.programFolder = tree.paths().programFolder;
        options.itemCount = 300;
        result = createDemoData(options);
        ASSERT_TRUE(result.ok) << result.errorText.toStdString();
    }

    QString data(const QString &name) const { return options.dataDirectory + u'/' + name; }
    QString program(const QString &name) const { return options.programFolder + u'/' + name; }

    test::TempTree tree;
    DemoOptions options;
    DemoResult result;
};

TEST_F(DemoDataTest, LaysOutEverySetAndTheTerminalsLocalFiles)
{
    QStringList expected;
    for (const QString &company : {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")}) {
        for (const QString &suffix : {QStringLiteral("Cari.mdb"), QStringLiteral("Stok.mdb"),
                                      QStringLiteral("Fatura.mdb"), QStringLiteral("Index.mdb")})
            expected.append(data(company + suffix));
    }
    expected << program(QStringLiteral("Stok.mdb")) << program(QStringLiteral("Temp.Mdb"))
             << program(QStringLiteral("02Temp.Mdb")) << program(QStringLiteral("03Temp.Mdb"));
    EXPECT_EQ(QSet<QString>(result.files.begin(), result.files.end()), QSet<QString>(expected.begin(), expected.end()));
    for (const QString &file : expected)
        EXPECT_EQ(test::integrityCheck(file), QStringLiteral("ok")) << file.toStdString();
    // No counter file: the first invoice of the demo is S00001.
    EXPECT_FALSE(QFileInfo::exists(data(QStringLiteral("FatNo.txt"))));
    // The local databases are copies of the sets the server role would copy;
    // the working database is left as a selection leaves it, stock on hand in KalanA.
    EXPECT_EQ(countWhere(program(QStringLiteral("Temp.Mdb")), QStringLiteral("StokKartlar"),
                         QStringLiteral("KalanB<>0 OR GirenTutar<>0 OR Fiyat2<>Fiyat")),
              0);
    EXPECT_EQ(cliValue(program(QStringLiteral("Temp.Mdb")), QStringLiteral("SELECT total(KalanA) FROM StokKartlar")),
              cliValue(data(QStringLiteral("01Stok.mdb")), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")));
    EXPECT_EQ(fileHash(program(QStringLiteral("Stok.mdb"))), fileHash(data(QStringLiteral("01Stok.mdb"))));
    EXPECT_EQ(fileHash(program(QStringLiteral("03Temp.Mdb"))), fileHash(data(QStringLiteral("03Stok.mdb"))));
}

class DemoStockTest : public DemoDataTest, public ::testing::WithParamInterface<const char *>
{
};

// The balances follow the movements as the suite keeps them, and a branch's
// code marks exactly the cards a count would take from it.
TEST_P(DemoStockTest, CardsKeepTheBalanceRuleAndTheBranchMarks)
{
    const QString company = QString::fromLatin1(GetParam());
    const QString file = data(company + QStringLiteral("Stok.mdb"));
    const auto count = [&file](const QString &condition) {
        return countWhere(file, QStringLiteral("StokKartlar"), condition);
    };
    EXPECT_EQ(count(QStringLiteral("1")), 300);
    EXPECT_EQ(count(QStringLiteral("abs(KalanB - max(round(GirenMik - CikanMik, 4), 0)) > 1e-9 "
                                   "OR abs(KalanA - max(round(CikanMik - GirenMik, 4), 0)) > 1e-9 OR KalanA * KalanB <> 0")),
              0);
    EXPECT_GT(count(QStringLiteral("KalanA > 0")), 0);
    EXPECT_GT(count(QStringLiteral("StokGizle = -1")), 0);
    EXPECT_EQ(count(QStringLiteral("StokGizle NOT IN (0, -1)")), 0);
    if (company == QStringLiteral("01")) {
        EXPECT_EQ(count(QStringLiteral("Sube IS NOT NULL")), 0);
        return;
    }
    EXPECT_EQ(count(QStringLiteral("(Sube = '%1') <> (StokGizle = 0 AND KalanB + KalanA <> 0)").arg(company)), 0);
    EXPECT_GT(count(QStringLiteral("Sube = '%1'").arg(company)), 200);
}

INSTANTIATE_TEST_SUITE_P(Sets, DemoStockTest, ::testing::Values("01", "02", "03"));

// Scans and lookups find one card per barcode, code and name.
TEST_F(DemoDataTest, BarcodesCodesAndNamesAreUnique)
{
    const QString stock = data(QStringLiteral("01Stok.mdb"));
    EXPECT_EQ(cliValue(stock, QStringLiteral("SELECT count(DISTINCT StokAdi) || ' ' || count(DISTINCT StokKod) "
                                             "FROM StokKartlar")),
              QStringLiteral("300 300"));
    const QStringList barcodes = cliValue(stock, QStringLiteral("SELECT Barkod FROM StokKartlar UNION ALL SELECT "
                                                                "Barkod2 FROM StokKartlar WHERE ifnull(Barkod2, '') <> ''"))
                                     .split(u'\n');
    EXPECT_EQ(QSet<QString>(barcodes.begin(), barcodes.end()).size(), barcodes.size());
    for (const QString &barcode : barcodes)
        EXPECT_TRUE(isValidEan13(barcode)) << barcode.toStdString();
    // Some cards, not most, carry a second barcode.
    EXPECT_GT(barcodes.size(), 320);
    EXPECT_LT(barcodes.size(), 450);
}

TEST_F(DemoDataTest, AccountsHoldTheBranchesTheVatAccountAndMerkez)
{
    // The Depo list reads the branch cards in code order; position i is branch i + 2.
    EXPECT_EQ(cliValue(data(QStringLiteral("01Cari.mdb")),
                       QStringLiteral("SELECT group_concat(CariKod || ':' || Unvan) FROM (SELECT * FROM CariKartlar "
                                      "WHERE Gurup = 'Şube' ORDER BY CariKod ASC)")),
              QStringLiteral("Şube02:Şube 02,Şube03:Şube 03"));
    for (const QString &company : {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")}) {
        const QString accounts = data(company + QStringLiteral("Cari.mdb"));
        const auto count = [&accounts](const char *condition) {
            return countWhere(accounts, QStringLiteral("CariKartlar"), QString::fromUtf8(condition));
        };
        EXPECT_EQ(count("abs(Bakiye - abs(Borc - Alacak)) > 1e-9 "
                        "OR Hesap <> CASE WHEN Alacak > Borc THEN 'Alacak' ELSE 'Borç' END"),
                  0)
            << company.toStdString();
        EXPECT_EQ(count("CariKod = '=110'"), 1) << company.toStdString();
        EXPECT_EQ(count("Unvan = 'Merkez'"), company == QStringLiteral("01") ? 0 : 1) << company.toStdString();
    }
}

TEST_F(DemoDataTest, AnExistingSetIsLeftAloneUnlessReplacingIsAsked)
{
    const QString counter = data(QStringLiteral("FatNo.txt"));
    {
        QFile file(counter);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\"00007\"\r\n");
    }
    test::runOnFile(data(QStringLiteral("01Cari.mdb")),
                    {QStringLiteral("INSERT INTO CariKartlar (CariKod, Unvan) VALUES ('X1', 'Posted meanwhile')")});
    const QByteArray before = fileHash(data(QStringLiteral("01Cari.mdb")));

    const DemoResult again = createDemoData(options);
    EXPECT_TRUE(again.ok);
    EXPECT_TRUE(again.alreadyPresent);
    EXPECT_TRUE(again.files.contains(counter));
    EXPECT_EQ(fileHash(data(QStringLiteral("01Cari.mdb"))), before);
    EXPECT_TRUE(QFileInfo::exists(counter));

    options.overwrite = true;
    const DemoResult replaced = createDemoData(options);
    ASSERT_TRUE(replaced.ok) << replaced.errorText.toStdString();
    EXPECT_FALSE(replaced.alreadyPresent);
    EXPECT_FALSE(QFileInfo::exists(counter));
    EXPECT_EQ(countWhere(data(QStringLiteral("01Cari.mdb")), QStringLiteral("CariKartlar"), QStringLiteral("CariKod = 'X1'")),
              0);
}

TEST_F(DemoDataTest, AFileInAnotherCaseCountsAsPresent)
{
    test::TempTree other;
    DemoOptions fresh = options;
    fresh.dataDirectory = other.dataFolder();
    fresh.programFolder = other.paths().programFolder;
    QFile file(fresh.programFolder + QStringLiteral("/TEMP.MDB"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_TRUE(createDemoData(fresh).alreadyPresent);
    EXPECT_FALSE(QFileInfo::exists(fresh.dataDirectory + QStringLiteral("/01Cari.mdb")));
}

TEST_F(DemoDataTest, TheSameSeedMakesTheSameSetAndAnotherSeedAnotherOne)
{
    const QString allCards = QStringLiteral("SELECT * FROM StokKartlar ORDER BY rowid");
    const auto catalogueOf = [this, &allCards](quint32 seed) {
        test::TempTree other;
        DemoOptions copy = options;
        copy.dataDirectory = other.dataFolder();
        copy.programFolder = other.paths().programFolder;
        copy.seed = seed;
        EXPECT_TRUE(createDemoData(copy).ok);
        return cliValue(copy.dataDirectory + QStringLiteral("/02Stok.mdb"), allCards);
    };
    const QString mine = cliValue(data(QStringLiteral("02Stok.mdb")), allCards);
    EXPECT_EQ(catalogueOf(options.seed), mine);
    EXPECT_NE(catalogueOf(options.seed + 1), mine);
}

TEST(DemoOptionsTest, BadOptionsAreRefusedBeforeAnythingIsWritten)
{
    const std::pair<const char *, void (*)(DemoOptions &)> cases[] = {
        {"no data directory", [](DemoOptions &o) { o.dataDirectory.clear(); }},
        {"negative count", [](DemoOptions &o) { o.itemCount = -1; }},
        {"centre as branch", [](DemoOptions &o) { o.branches = {QStringLiteral("01")}; }},
        {"one-digit branch", [](DemoOptions &o) { o.branches = {QStringLiteral("2")}; }},
        {"repeated branch", [](DemoOptions &o) { o.branches = {QStringLiteral("02"), QStringLiteral("02")}; }},
    };
    for (const auto &[what, spoil] : cases) {
        test::TempTree tree;
        DemoOptions options;
        options.dataDirectory = tree.dataFolder();
        options.programFolder = tree.paths().programFolder;
        options.itemCount = 10;
        options.branches = {QStringLiteral("02")};
        spoil(options);
        const DemoResult result = createDemoData(options);
        EXPECT_FALSE(result.ok) << what;
        EXPECT_FALSE(result.errorText.isEmpty()) << what;
        EXPECT_FALSE(QFileInfo::exists(tree.dataFolder())) << what;
        EXPECT_TRUE(QDir(tree.paths().programFolder).isEmpty()) << what;
    }
}

TEST(DemoSeedToolTest, CreatesOnceAndLeavesAnExistingSetAlone)
{
    const QString tool = QStringLiteral(PUSLA_SEED_EXE);
    if (!QFileInfo(tool).isExecutable())
        GTEST_SKIP() << "pusla-seed is not built: " << tool.toStdString();
    test::TempTree tree;
    const QString centre = tree.dataFolder() + QStringLiteral("/01Stok.mdb");
    const QStringList arguments{QStringLiteral("--items"), QStringLiteral("40"), QStringLiteral("--data"),
                                tree.dataFolder(), QStringLiteral("--program"), tree.paths().programFolder};
    const auto run = [&tool](const QStringList &args) {
        QProcess process;
        process.start(tool, args);
        process.waitForFinished(120000);
        return std::make_pair(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()));
    };

    const auto [created, createdText] = run(arguments);
    EXPECT_EQ(created, 0);
    EXPECT_TRUE(createdText.contains(centre));
    EXPECT_EQ(countWhere(tree.dataFolder() + QStringLiteral("/03Stok.mdb"), QStringLiteral("StokKartlar"),
                         QStringLiteral("1")),
              40);

    const QByteArray before = fileHash(centre);
    const auto [again, againText] = run(arguments);
    EXPECT_EQ(again, 0);
    EXPECT_TRUE(againText.contains(QStringLiteral("already there")));
    EXPECT_EQ(fileHash(centre), before);

    EXPECT_EQ(run(arguments + QStringList{QStringLiteral("--force"), QStringLiteral("--seed"), QStringLiteral("9")}).first,
              0);
    EXPECT_NE(fileHash(centre), before);
    EXPECT_NE(run({QStringLiteral("--items"), QStringLiteral("many")}).first, 0);
}

} // namespace
} // namespace pusla
