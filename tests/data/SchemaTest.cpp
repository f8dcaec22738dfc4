#include "data/Schema.h"
#include "data/SchemaDdl.h"
#include "base/TextFold.h"

#include "support/DbTestSupport.h"

#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

namespace pusla::schema {
namespace {

QStringList sorted(QStringList names)
{
    for (QString &name : names)
        name = name.toLower();
    names.sort();
    return names;
}

QStringList columnsOf(QSqlDatabase &db, const QString &table)
{
    QStringList names;
    const QSqlRecord record = db.record(table);
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i));
    return names;
}

// The layouts as the accounting suite documents them, written out here on
// purpose rather than taken from the schema header.
const char *const kStokKartlar = "StokKod StokAdi Barkod Barkod2 Barkod3 Birim Kdv Fiyat Fiyat2 gFiyat GirenMik "
                                 "GirenTutar CikanMik CikanTutar KalanB KalanA Kar StokGizle Sube";
const char *const kStokHareket = "StokHarKod Tarih Aciklama Birim Fiyat Miktar Tutar GirisCikis Carisi DigerId Nerde "
                                 "SatTar StokAd SeriNoDiger Unvan Barkod Maliyet KdvTut Sube tGurup Yeni Server";

struct Layout
{
    DatabaseKind kind;
    const char *name;
    std::map<QString, const char *> tables; // table -> its fields, blank-separated
};

const Layout kLayouts[] = {
    {DatabaseKind::Cari, "Cari",
     {{"CariKartlar", "CariKod Unvan Gurup Borc Alacak Bakiye Hesap"},
      {"CariHareket", "CariHarKod Tarih Aciklama Borc Alacak Carisi DigerId Nerde Unvan Sube Yeni Server"}}},
    {DatabaseKind::Stok, "Stok", {{"StokKartlar", kStokKartlar}, {"StokHareket", kStokHareket}}},
    {DatabaseKind::LocalStock, "LocalStock", {{"StokKartlar", kStokKartlar}, {"StokHareket", kStokHareket}}},
    {DatabaseKind::Fatura, "Fatura",
     {{"Faturalar", "FaturaNo FatTarih FatCari Nakit DigerId Unvan FatTop FatKdvTut Toplam Gurup KdvHarDahil"},
      {"FatHareket", "FatHarNo FatGirisCikis FatCari FatStok Stok FatAciklama FatMiktar FatFiyat FatTutar DigerId "
                     "Nerde FatTotal FatKdv Birim SeriNoDiger Barkod Tarih KdvSi Yeni"}}},
    {DatabaseKind::Index, "Index", {{"Tarih", "Tarih"}, {"Mdbindex", "Tarih Serino Indexi"}}},
};

// Every kind has its documented tables and fields, passes the stock tool in
// rollback-journal mode, and is never made over an existing file.
TEST(SchemaFileTest, HasEveryDocumentedTableAndFieldAndReplacesNoFile)
{
    for (const Layout &layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.mdb"));
        const QStringList connectionsBefore = QSqlDatabase::connectionNames();
        QString error;
        ASSERT_TRUE(createDatabaseFile(path, layout.kind, &error)) << error.toStdString();
        EXPECT_EQ(QSqlDatabase::connectionNames(), connectionsBefore) << "the connection was left registered";
        {
            ScopedConnection connection(path);
            ASSERT_TRUE(connection.open());
            QStringList expectedTables;
            for (const auto &[table, fields] : layout.tables) {
                expectedTables.append(table);
                EXPECT_EQ(sorted(columnsOf(connection.database(), table)),
                          sorted(QString::fromLatin1(fields).split(u' '))) << table.toStdString();
            }
            EXPECT_EQ(sorted(connection.database().tables()), sorted(expectedTables));
        }
        EXPECT_EQ(test::integrityCheck(path), QStringLiteral("ok"));
        EXPECT_EQ(test::cliValue(path, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the operator's own file");
        file.close();
        EXPECT_FALSE(createDatabaseFile(path, layout.kind, &error));
        EXPECT_FALSE(error.isEmpty());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("the operator's own file"));
    }
}

// The folded name of a card matches the operator's text, Turkish letters
// included, for this program and for the stock tool alike.
TEST(SchemaStockTest, FoldedNamesMatchTheOperatorsText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("01Stok.mdb"));
    ASSERT_TRUE(createDatabaseFile(path, DatabaseKind::Stok));
    test::runOnFile(path, {QStringLiteral("INSERT INTO StokKartlar (StokAdi) VALUES ('şeker toz 1 kg'), "
                                          "('IŞIK AMPUL'), ('İncir Kuru'), ('istanbul simidi')")});
    const std::pair<const char *, const char *> cases[] = {
        {"ŞEKER TOZ 1 KG", "şeker toz 1 kg"},
        {"ışık ampul", "IŞIK AMPUL"},
        {"incir kuru", "İncir Kuru"},
        {"ISTANBUL SIMIDI", ""}, // dotted and dotless i are different letters
    };
    const QString byName = QStringLiteral("SELECT group_concat(StokAdi) FROM StokKartlar WHERE ")
                           + foldSqlExpression(QStringLiteral("StokAdi")) + QStringLiteral(" = ?");
    {
        ScopedConnection connection(path);
        ASSERT_TRUE(connection.open());
        QSqlQuery query(connection.database());
        ASSERT_TRUE(query.prepare(byName));
        for (const auto &[text, name] : cases) {
            query.addBindValue(foldText(QString::fromUtf8(text)));
            ASSERT_TRUE(query.exec() && query.next());
            EXPECT_EQ(query.value(0).toString(), QString::fromUtf8(name)) << text;
        }
    }
    EXPECT_EQ(test::integrityCheck(path), QStringLiteral("ok"));
    EXPECT_EQ(test::cliValue(path, QString(byName).replace(u'?', QStringLiteral("'İNCİR KURU'"))),
              QStringLiteral("İncir Kuru"));
}

// The invoice posting adds its total to the value a new movement already
// holds; texts and dates start as NULL, as the suite's fields do.
TEST(SchemaCariTest, ANewMovementsDebitCanBeAddedTo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("01Cari.mdb"));
    ASSERT_TRUE(createDatabaseFile(path, DatabaseKind::Cari));
    test::runOnFile(path, {QStringLiteral("INSERT INTO CariHareket (CariHarKod) VALUES ('C001')"),
                           QStringLiteral("UPDATE CariHareket SET Borc = Borc + 20")});
    EXPECT_EQ(test::cliValue(path, QStringLiteral("SELECT quote(Borc) || ' ' || quote(Alacak) || ' ' || quote(Yeni) "
                                                  "|| ' ' || quote(Aciklama) || ' ' || quote(Tarih) FROM CariHareket")),
              QStringLiteral("20.0 0.0 0 NULL NULL"));
}

} // namespace
} // namespace pusla::schema
