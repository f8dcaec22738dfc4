#include "demo/DemoData.h"
#include "data/SchemaDdl.h"
#include "support/TempTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

#include <memory>

namespace pusla {
namespace {

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

QString sqliteCli(const QString &file, const QString &sql)
{
    QProcess cli;
    cli.start(QStringLiteral("/usr/bin/sqlite3"), {file, sql});
    cli.waitForFinished(60000);
    return QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError()).trimmed();
}

/// Reads one database file of the demo with plain SQL.
class DemoFile
{
public:
    explicit DemoFile(const QString &path)
        : m_connection(path)
    {
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        EXPECT_TRUE(m_connection.open());
    }

    QVariant value(const QString &sql)
    {
        QSqlQuery query(m_connection.database());
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        return query.next() ? query.value(0) : QVariant();
    }

    qint64 count(const QString &sql) { return value(sql).toLongLong(); }

    QList<QStringList> rows(const QString &sql)
    {
        QSqlQuery query(m_connection.database());
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        QList<QStringList> result;
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.record().count(); ++i)
                row.append(query.value(i).toString());
            result.append(row);
        }
        return result;
    }

private:
    schema::ScopedConnection m_connection;
};

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
    for (const QString &file : expected) {
        EXPECT_EQ(sqliteCli(file, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok")) << file.toStdString();
    }
    // No counter file: the first invoice of the demo is S00001.
    EXPECT_FALSE(QFileInfo::exists(data(QStringLiteral("FatNo.txt"))));
    // The local databases are copies of the sets the server role would copy;
    // the working database is left as a selection leaves it, stock on hand in KalanA.
    EXPECT_EQ(sqliteCli(program(QStringLiteral("Temp.Mdb")),
                        QStringLiteral("SELECT count(*) FROM StokKartlar WHERE KalanB<>0 OR GirenTutar<>0 OR Fiyat2<>Fiyat")),
              QStringLiteral("0"));
    EXPECT_EQ(sqliteCli(program(QStringLiteral("Temp.Mdb")), QStringLiteral("SELECT total(KalanA) FROM StokKartlar")),
              sqliteCli(data(QStringLiteral("01Stok.mdb")), QStringLiteral("SELECT total(KalanB) FROM StokKartlar")));
    EXPECT_EQ(fileHash(program(QStringLiteral("Stok.mdb"))), fileHash(data(QStringLiteral("01Stok.mdb"))));
    EXPECT_EQ(fileHash(program(QStringLiteral("03Temp.Mdb"))), fileHash(data(QStringLiteral("03Stok.mdb"))));
}

class DemoStockTest : public DemoDataTest, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(DemoStockTest, CardsKeepTheStockBalanceRule)
{
    DemoFile stock(data(QString::fromLatin1(GetParam()) + QStringLiteral("Stok.mdb")));
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar")), 300);
    EXPECT_EQ(stock.count(QStringLiteral(
                  "SELECT count(*) FROM StokKartlar WHERE "
                  "abs(KalanB - max(round(GirenMik - CikanMik, 4), 0)) > 1e-9 "
                  "OR abs(KalanA - max(round(CikanMik - GirenMik, 4), 0)) > 1e-9 OR KalanA * KalanB <> 0")),
              0);
    // Each kind of card the operator meets is there.
    EXPECT_GT(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE KalanA > 0")), 0);
    EXPECT_GT(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE GirenMik = CikanMik AND GirenMik > 0")),
              0);
    EXPECT_GT(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE GirenMik <> round(GirenMik)")), 0);
    const qint64 hidden = stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokGizle = -1"));
    EXPECT_GT(hidden, 0);
    EXPECT_LT(hidden, 30);
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokGizle NOT IN (0, -1)")), 0);
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE NOT (Fiyat > gFiyat AND gFiyat > 0)")),
              0);
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE Kdv NOT IN (1, 8, 18)")), 0);
    EXPECT_GT(stock.count(QStringLiteral("SELECT count(DISTINCT Kdv) FROM StokKartlar")), 2);
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE Birim IS NULL OR Birim = ''")), 0);
    EXPECT_EQ(sqliteCli(data(QString::fromLatin1(GetParam()) + QStringLiteral("Stok.mdb")),
                        QStringLiteral("PRAGMA integrity_check")),
              QStringLiteral("ok"));
}

TEST_P(DemoStockTest, BranchCodeMarksTheCardsACountWouldTake)
{
    const QString company = QString::fromLatin1(GetParam());
    DemoFile stock(data(company + QStringLiteral("Stok.mdb")));
    if (company == QStringLiteral("01")) {
        EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE Sube IS NOT NULL")), 0);
        return;
    }
    const QString counted = QStringLiteral("StokGizle = 0 AND KalanB + KalanA <> 0");
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE (Sube = '%1') <> (%2)")
                              .arg(company, counted)),
              0);
    EXPECT_GT(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE Sube = '%1'").arg(company)), 200);
}

INSTANTIATE_TEST_SUITE_P(Sets, DemoStockTest, ::testing::Values("01", "02", "03"));

// Scans and lookups find one card per barcode, code and name.
TEST_F(DemoDataTest, BarcodesCodesAndNamesAreUnique)
{
    DemoFile stock(data(QStringLiteral("01Stok.mdb")));
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(DISTINCT StokAdi) FROM StokKartlar")), 300);
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(DISTINCT StokKod) FROM StokKartlar")), 300);
    QSet<QString> seen;
    int second = 0;
    for (const QStringList &row : stock.rows(QStringLiteral("SELECT Barkod, Barkod2 FROM StokKartlar"))) {
        for (int i = 0; i < 2; ++i) {
            if (i == 1 && row[1].isEmpty())
                continue;
            second += i;
            EXPECT_TRUE(isValidEan13(row[i])) << row[i].toStdString();
            EXPECT_FALSE(seen.contains(row[i])) << row[i].toStdString();
            seen.insert(row[i]);
        }
    }
    EXPECT_GT(second, 20);
    EXPECT_LT(second, 150);
}

TEST_F(DemoDataTest, AccountsHoldCustomersBranchesTheVatAccountAndMerkez)
{
    DemoFile centre(data(QStringLiteral("01Cari.mdb")));
    // The Depo list reads the branch cards in code order; position i is branch i + 2.
    EXPECT_EQ(centre.rows(QStringLiteral("SELECT CariKod, Unvan FROM CariKartlar WHERE Gurup = 'Şube' "
                                         "ORDER BY CariKod ASC")),
              (QList<QStringList>{{QStringLiteral("Şube02"), QStringLiteral("Şube 02")},
                                  {QStringLiteral("Şube03"), QStringLiteral("Şube 03")}}));
    EXPECT_EQ(centre.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE CariKod = '=110'")), 1);
    EXPECT_GE(centre.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE Gurup = 'Müşteri'")), 10);
    EXPECT_EQ(centre.count(QStringLiteral("SELECT count(DISTINCT Unvan) FROM CariKartlar")),
              centre.count(QStringLiteral("SELECT count(*) FROM CariKartlar")));
    EXPECT_EQ(centre.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE Unvan = 'Merkez'")), 0);
    EXPECT_GT(centre.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE Hesap = 'Alacak' AND Bakiye > 0")),
              0);
    EXPECT_GT(centre.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE Hesap = 'Borç' AND Bakiye > 0")), 0);

    for (const QString &company : {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")}) {
        DemoFile accounts(data(company + QStringLiteral("Cari.mdb")));
        EXPECT_EQ(accounts.count(QStringLiteral(
                      "SELECT count(*) FROM CariKartlar WHERE abs(Bakiye - abs(Borc - Alacak)) > 1e-9 "
                      "OR Hesap <> CASE WHEN Alacak > Borc THEN 'Alacak' ELSE 'Borç' END")),
                  0)
            << company.toStdString();
        if (company != QStringLiteral("01")) {
            EXPECT_EQ(accounts.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE Unvan = 'Merkez'")), 1);
            EXPECT_EQ(accounts.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE CariKod = '=110'")), 1);
        }
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
    {
        DemoFile accounts(data(QStringLiteral("01Cari.mdb")));
        accounts.value(QStringLiteral("INSERT INTO CariKartlar (CariKod, Unvan) VALUES ('X1', 'Posted meanwhile')"));
    }
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
    DemoFile accounts(data(QStringLiteral("01Cari.mdb")));
    EXPECT_EQ(accounts.count(QStringLiteral("SELECT count(*) FROM CariKartlar WHERE CariKod = 'X1'")), 0);
}

TEST_F(DemoDataTest, AFileInAnotherCaseCountsAsPresent)
{
    test::TempTree other;
    DemoOptions fresh = options;
    fresh.dataDirectory = other.dataFolder();
    fresh.programFolder = other.paths().programFolder;
    QDir().mkpath(fresh.programFolder);
    QFile file(fresh.programFolder + QStringLiteral("/TEMP.MDB"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const DemoResult found = createDemoData(fresh);
    EXPECT_TRUE(found.alreadyPresent);
    EXPECT_FALSE(QFileInfo::exists(fresh.dataDirectory + QStringLiteral("/01Cari.mdb")));
}

TEST_F(DemoDataTest, TheSameSeedMakesTheSameSetAndAnotherSeedAnotherOne)
{
    const auto catalogueOf = [this](quint32 seed) {
        test::TempTree other;
        DemoOptions copy = options;
        copy.dataDirectory = other.dataFolder();
        copy.programFolder = other.paths().programFolder;
        copy.seed = seed;
        EXPECT_TRUE(createDemoData(copy).ok);
        DemoFile stock(copy.dataDirectory + QStringLiteral("/02Stok.mdb"));
        return stock.rows(QStringLiteral("SELECT * FROM StokKartlar ORDER BY rowid"));
    };
    DemoFile mine(data(QStringLiteral("02Stok.mdb")));
    const QList<QStringList> rows = mine.rows(QStringLiteral("SELECT * FROM StokKartlar ORDER BY rowid"));
    EXPECT_EQ(catalogueOf(options.seed), rows);
    EXPECT_NE(catalogueOf(options.seed + 1), rows);
}

struct BadOptions
{
    const char *name;
    bool noDataDirectory;
    int itemCount;
    QStringList branches;
};

class DemoOptionsTest : public ::testing::TestWithParam<BadOptions>
{
};

TEST_P(DemoOptionsTest, AreRefusedBeforeAnythingIsWritten)
{
    test::TempTree tree;
    const BadOptions &bad = GetParam();
    DemoOptions options;
    options.dataDirectory = bad.noDataDirectory ? QString() : tree.dataFolder();
    options.programFolder = tree.paths().programFolder;
    options.itemCount = bad.itemCount;
    options.branches = bad.branches;

    const DemoResult result = createDemoData(options);

    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.errorText.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(tree.dataFolder()));
    EXPECT_TRUE(QDir(tree.paths().programFolder).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Bad, DemoOptionsTest,
    ::testing::Values(BadOptions{"NoDataDirectory", true, 10, {QStringLiteral("02")}},
                      BadOptions{"NegativeCount", false, -1, {QStringLiteral("02")}},
                      BadOptions{"CentreAsBranch", false, 10, {QStringLiteral("01")}},
                      BadOptions{"OneDigitBranch", false, 10, {QStringLiteral("2")}},
                      BadOptions{"RepeatedBranch", false, 10, {QStringLiteral("02"), QStringLiteral("02")}}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(DemoSeedToolTest, CreatesOnceAndLeavesAnExistingSetAlone)
{
    const QString tool = QStringLiteral(PUSLA_SEED_EXE);
    if (!QFileInfo(tool).isExecutable())
        GTEST_SKIP() << "pusla-seed is not built: " << tool.toStdString();
    test::TempTree tree;
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
    EXPECT_TRUE(createdText.contains(tree.dataFolder() + QStringLiteral("/01Stok.mdb")));
    DemoFile stock(tree.dataFolder() + QStringLiteral("/03Stok.mdb"));
    EXPECT_EQ(stock.count(QStringLiteral("SELECT count(*) FROM StokKartlar")), 40);

    const QByteArray before = fileHash(tree.dataFolder() + QStringLiteral("/01Stok.mdb"));
    const auto [again, againText] = run(arguments);
    EXPECT_EQ(again, 0);
    EXPECT_TRUE(againText.contains(QStringLiteral("already there")));
    EXPECT_EQ(fileHash(tree.dataFolder() + QStringLiteral("/01Stok.mdb")), before);

    const auto [forced, forcedText] = run(arguments + QStringList{QStringLiteral("--force"), QStringLiteral("--seed"),
                                                                  QStringLiteral("9")});
    EXPECT_EQ(forced, 0);
    EXPECT_NE(fileHash(tree.dataFolder() + QStringLiteral("/01Stok.mdb")), before);

    EXPECT_NE(run({QStringLiteral("--items"), QStringLiteral("many")}).first, 0);
}

} // namespace
} // namespace pusla
