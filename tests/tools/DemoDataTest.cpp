#include "demo/DemoData.h"
#include "data/SchemaDdl.h"

#include "support/DbTestSupport.h"
#include "support/DemoSet.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>

#include <map>

namespace pusla {
namespace {

using schema::DatabaseKind;
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

/// The tables and lookup indexes the schema gives a file kind, sorted, blank-separated.
QString schemaNames(DatabaseKind kind)
{
    QStringList names;
    for (const schema::TableLayout &table : schema::tableLayouts(kind))
        names.append(QString(table.name));
    for (const schema::LookupIndex &index : schema::lookupIndexes(kind))
        names.append(schema::indexName(index));
    names.sort();
    return names.join(u' ');
}

// Every file opens with the stock sqlite3 tool and has the schema's tables and
// indexes; the count copy and the branches' copies are the sets they come from.
TEST(DemoDataTest, LaysOutEverySetAndTheTerminalsCopies)
{
    test::TempTree tree;
    const DemoOptions options = test::demoOptions(tree, 300);
    const DemoResult result = createDemoData(options);
    ASSERT_TRUE(result.ok) << result.errorText.toStdString();
    const auto data = [&](const QString &name) -> QString { return options.dataDirectory + u'/' + name; };
    const auto program = [&](const QString &name) -> QString { return options.programFolder + u'/' + name; };

    std::map<QString, DatabaseKind> expected;
    for (const QString &company : {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")}) {
        expected[data(company + QStringLiteral("Cari.mdb"))] = DatabaseKind::Cari;
        expected[data(company + QStringLiteral("Stok.mdb"))] = DatabaseKind::Stok;
        expected[data(company + QStringLiteral("Fatura.mdb"))] = DatabaseKind::Fatura;
        expected[data(company + QStringLiteral("Index.mdb"))] = DatabaseKind::Index;
    }
    for (const char *name : {"Stok.mdb", "Temp.Mdb", "02Temp.Mdb", "03Temp.Mdb"})
        expected[program(QString::fromLatin1(name))] = DatabaseKind::LocalStock;
    QStringList files;
    for (const auto &[file, kind] : expected) {
        files.append(file);
        EXPECT_EQ(test::integrityCheck(file), QStringLiteral("ok")) << file.toStdString();
        EXPECT_EQ(cliValue(file, QStringLiteral("SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master "
                                                "WHERE name NOT LIKE 'sqlite%' ORDER BY name)")),
                  schemaNames(kind))
            << file.toStdString();
    }
    EXPECT_EQ(QSet<QString>(result.files.begin(), result.files.end()), QSet<QString>(files.begin(), files.end()));
    EXPECT_EQ(fileHash(program(QStringLiteral("Stok.mdb"))), fileHash(data(QStringLiteral("01Stok.mdb"))));
    EXPECT_EQ(fileHash(program(QStringLiteral("02Temp.Mdb"))), fileHash(data(QStringLiteral("02Stok.mdb"))));
    EXPECT_EQ(fileHash(program(QStringLiteral("03Temp.Mdb"))), fileHash(data(QStringLiteral("03Stok.mdb"))));

    // A scan finds one card per barcode, and every barcode is a valid EAN-13.
    const QStringList barcodes = cliValue(data(QStringLiteral("01Stok.mdb")),
                                          QStringLiteral("SELECT Barkod FROM StokKartlar UNION ALL SELECT Barkod2 "
                                                         "FROM StokKartlar WHERE ifnull(Barkod2, '') <> ''"))
                                     .split(u'\n');
    EXPECT_GE(barcodes.size(), 300);
    EXPECT_EQ(QSet<QString>(barcodes.begin(), barcodes.end()).size(), barcodes.size());
    for (const QString &barcode : barcodes)
        EXPECT_TRUE(isValidEan13(barcode)) << barcode.toStdString();
}

TEST(DemoDataTest, BadOptionsAreRefusedBeforeAnythingIsWritten)
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
        DemoOptions options = test::demoOptions(tree, 10);
        options.branches = {QStringLiteral("02")};
        spoil(options);
        const DemoResult result = createDemoData(options);
        EXPECT_FALSE(result.ok) << what;
        EXPECT_FALSE(result.errorText.isEmpty()) << what;
        EXPECT_FALSE(QFileInfo::exists(tree.dataFolder())) << what;
        EXPECT_TRUE(QDir(tree.paths().programFolder).isEmpty()) << what;
    }
}

} // namespace
} // namespace pusla
