#include "data/Schema.h"
#include "data/SchemaDdl.h"
#include "base/TextFold.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace pusla::schema {
namespace {

const QString kSqliteCli = QStringLiteral("/usr/bin/sqlite3");

/// Runs the stock sqlite3 tool, which knows nothing of Qt: what it reads is what
/// another program (or the suite's own tools) would read.
QString sqliteCli(const QString &file, const QString &sql)
{
    QProcess cli;
    cli.start(kSqliteCli, {file, sql});
    if (!cli.waitForFinished(60000))
        return QStringLiteral("<sqlite3 did not finish>");
    return QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError()).trimmed();
}

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

QString kindName(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Cari:
        return QStringLiteral("Cari");
    case DatabaseKind::Stok:
        return QStringLiteral("Stok");
    case DatabaseKind::Fatura:
        return QStringLiteral("Fatura");
    case DatabaseKind::Index:
        return QStringLiteral("Index");
    case DatabaseKind::LocalStock:
        return QStringLiteral("LocalStock");
    }
    return {};
}

// The layouts as the accounting suite documents them, written out here on
// purpose rather than taken from the schema header.
const QStringList kStokKartlar{
    QStringLiteral("StokKod"),  QStringLiteral("StokAdi"),    QStringLiteral("Barkod"),   QStringLiteral("Barkod2"),
    QStringLiteral("Barkod3"),  QStringLiteral("Birim"),      QStringLiteral("Kdv"),      QStringLiteral("Fiyat"),
    QStringLiteral("Fiyat2"),   QStringLiteral("gFiyat"),     QStringLiteral("GirenMik"), QStringLiteral("GirenTutar"),
    QStringLiteral("CikanMik"), QStringLiteral("CikanTutar"), QStringLiteral("KalanB"),   QStringLiteral("KalanA"),
    QStringLiteral("Kar"),      QStringLiteral("StokGizle"),  QStringLiteral("Sube")};
const QStringList kStokHareket{
    QStringLiteral("StokHarKod"), QStringLiteral("Tarih"),  QStringLiteral("Aciklama"),    QStringLiteral("Birim"),
    QStringLiteral("Fiyat"),      QStringLiteral("Miktar"), QStringLiteral("Tutar"),       QStringLiteral("GirisCikis"),
    QStringLiteral("Carisi"),     QStringLiteral("DigerId"), QStringLiteral("Nerde"),      QStringLiteral("SatTar"),
    QStringLiteral("StokAd"),     QStringLiteral("SeriNoDiger"), QStringLiteral("Unvan"),  QStringLiteral("Barkod"),
    QStringLiteral("Maliyet"),    QStringLiteral("KdvTut"), QStringLiteral("Sube"),        QStringLiteral("tGurup"),
    QStringLiteral("Yeni"),       QStringLiteral("Server")};

const std::map<DatabaseKind, std::map<QString, QStringList>> kExpectedLayouts{
    {DatabaseKind::Cari,
     {{QStringLiteral("CariKartlar"),
       {QStringLiteral("CariKod"), QStringLiteral("Unvan"), QStringLiteral("Gurup"), QStringLiteral("Borc"),
        QStringLiteral("Alacak"), QStringLiteral("Bakiye"), QStringLiteral("Hesap")}},
      {QStringLiteral("CariHareket"),
       {QStringLiteral("CariHarKod"), QStringLiteral("Tarih"), QStringLiteral("Aciklama"), QStringLiteral("Borc"),
        QStringLiteral("Alacak"), QStringLiteral("Carisi"), QStringLiteral("DigerId"), QStringLiteral("Nerde"),
        QStringLiteral("Unvan"), QStringLiteral("Sube"), QStringLiteral("Yeni"), QStringLiteral("Server")}}}},
    {DatabaseKind::Stok, {{QStringLiteral("StokKartlar"), kStokKartlar}, {QStringLiteral("StokHareket"), kStokHareket}}},
    {DatabaseKind::LocalStock,
     {{QStringLiteral("StokKartlar"), kStokKartlar}, {QStringLiteral("StokHareket"), kStokHareket}}},
    {DatabaseKind::Fatura,
     {{QStringLiteral("Faturalar"),
       {QStringLiteral("FaturaNo"), QStringLiteral("FatTarih"), QStringLiteral("FatCari"), QStringLiteral("Nakit"),
        QStringLiteral("DigerId"), QStringLiteral("Unvan"), QStringLiteral("FatTop"), QStringLiteral("FatKdvTut"),
        QStringLiteral("Toplam"), QStringLiteral("Gurup"), QStringLiteral("KdvHarDahil")}},
      {QStringLiteral("FatHareket"),
       {QStringLiteral("FatHarNo"), QStringLiteral("FatGirisCikis"), QStringLiteral("FatCari"),
        QStringLiteral("FatStok"), QStringLiteral("Stok"), QStringLiteral("FatAciklama"), QStringLiteral("FatMiktar"),
        QStringLiteral("FatFiyat"), QStringLiteral("FatTutar"), QStringLiteral("DigerId"), QStringLiteral("Nerde"),
        QStringLiteral("FatTotal"), QStringLiteral("FatKdv"), QStringLiteral("Birim"), QStringLiteral("SeriNoDiger"),
        QStringLiteral("Barkod"), QStringLiteral("Tarih"), QStringLiteral("KdvSi"), QStringLiteral("Yeni")}}}},
    {DatabaseKind::Index,
     {{QStringLiteral("Tarih"), {QStringLiteral("Tarih")}},
      {QStringLiteral("Mdbindex"), {QStringLiteral("Tarih"), QStringLiteral("Serino"), QStringLiteral("Indexi")}}}},
};

class SchemaFileTest : public ::testing::TestWithParam<DatabaseKind>
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("set.mdb")); }
    QTemporaryDir m_dir;
};

TEST_P(SchemaFileTest, HasEveryDocumentedTableAndFieldAndPassesTheStockTool)
{
    const QStringList connectionsBefore = QSqlDatabase::connectionNames();
    QString error;
    ASSERT_TRUE(createDatabaseFile(path(), GetParam(), &error)) << error.toStdString();
    EXPECT_EQ(QSqlDatabase::connectionNames(), connectionsBefore) << "the connection was left registered";

    ScopedConnection connection(path());
    ASSERT_TRUE(connection.open());
    const auto &expected = kExpectedLayouts.at(GetParam());
    QStringList expectedTables;
    for (const auto &entry : expected)
        expectedTables.append(entry.first);
    EXPECT_EQ(sorted(connection.database().tables()), sorted(expectedTables));
    for (const auto &[table, fields] : expected)
        EXPECT_EQ(sorted(columnsOf(connection.database(), table)), sorted(fields)) << table.toStdString();

    ASSERT_TRUE(QFileInfo(kSqliteCli).isExecutable());
    EXPECT_EQ(sqliteCli(path(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    EXPECT_EQ(sqliteCli(path(), QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
}

TEST_P(SchemaFileTest, RefusesToReplaceAnExistingFile)
{
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the operator's own file");
    }
    QString error;
    EXPECT_FALSE(createDatabaseFile(path(), GetParam(), &error));
    EXPECT_FALSE(error.isEmpty());
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the operator's own file"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SchemaFileTest,
                         ::testing::Values(DatabaseKind::Cari, DatabaseKind::Stok, DatabaseKind::Fatura,
                                           DatabaseKind::Index, DatabaseKind::LocalStock),
                         [](const auto &param) { return kindName(param.param).toStdString(); });

// --- the lookups the scan box and the numbering make --------------------------

struct Lookup
{
    DatabaseKind kind;
    const char *table;
    const char *column;
    bool folded;
};

class SchemaLookupTest : public ::testing::TestWithParam<Lookup>
{
protected:
    QTemporaryDir m_dir;
};

// The database layer compares foldSqlExpression(column) = ?; the plan must
// read an index for it, or every scan would walk a million cards.
TEST_P(SchemaLookupTest, UsesAnIndex)
{
    const Lookup &lookup = GetParam();
    const QString path = m_dir.filePath(QStringLiteral("set.mdb"));
    ASSERT_TRUE(createDatabaseFile(path, lookup.kind));
    const QString column = QString::fromLatin1(lookup.column);
    const QString operand = lookup.folded ? foldSqlExpression(column) : column;

    ScopedConnection connection(path);
    ASSERT_TRUE(connection.open());
    QSqlQuery plan(connection.database());
    ASSERT_TRUE(plan.prepare(QStringLiteral("EXPLAIN QUERY PLAN SELECT * FROM %1 WHERE %2 = ?")
                                 .arg(QString::fromLatin1(lookup.table), operand)));
    plan.addBindValue(QStringLiteral("X"));
    ASSERT_TRUE(plan.exec());
    QString details;
    while (plan.next())
        details += plan.value(3).toString() + u'\n';
    EXPECT_TRUE(details.contains(QStringLiteral("USING INDEX"))) << details.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, SchemaLookupTest,
    ::testing::Values(Lookup{DatabaseKind::Stok, "StokKartlar", "Barkod", true},
                      Lookup{DatabaseKind::Stok, "StokKartlar", "Barkod2", true},
                      Lookup{DatabaseKind::Stok, "StokKartlar", "Barkod3", true},
                      Lookup{DatabaseKind::Stok, "StokKartlar", "StokKod", true},
                      Lookup{DatabaseKind::Stok, "StokKartlar", "StokAdi", true},
                      Lookup{DatabaseKind::Stok, "StokKartlar", "Sube", false},
                      Lookup{DatabaseKind::LocalStock, "StokKartlar", "Barkod3", true},
                      Lookup{DatabaseKind::Stok, "StokHareket", "StokHarKod", false},
                      Lookup{DatabaseKind::Stok, "StokHareket", "DigerId", false},
                      Lookup{DatabaseKind::Cari, "CariKartlar", "CariKod", true},
                      Lookup{DatabaseKind::Cari, "CariKartlar", "Unvan", true},
                      Lookup{DatabaseKind::Cari, "CariHareket", "CariHarKod", false},
                      Lookup{DatabaseKind::Index, "Tarih", "Tarih", true},
                      Lookup{DatabaseKind::Index, "Mdbindex", "Tarih", true}),
    [](const auto &param) {
        return kindName(param.param.kind).toStdString() + "_" + param.param.table + "_" + param.param.column;
    });

// --- rows in a stock file -------------------------------------------------------

class SchemaStockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.filePath(QStringLiteral("01Stok.mdb"));
        ASSERT_TRUE(createDatabaseFile(m_path, DatabaseKind::Stok));
        m_connection = std::make_unique<ScopedConnection>(m_path);
        ASSERT_TRUE(m_connection->open());
        const char *rows[][5] = {
            // StokAdi, Barkod, KalanB, KalanA, StokGizle
            {"şeker toz 1 kg", "8690000000017", "5", "0", "0"},
            {"IŞIK AMPUL", "8690000000024", "0", "2", "0"},
            {"İncir Kuru", "8690000000031", "3", "0", "-1"},
            {"istanbul simidi", "8690000000048", "0", "0", "0"},
        };
        QSqlQuery insert(db());
        ASSERT_TRUE(insert.prepare(
            QStringLiteral("INSERT INTO StokKartlar (StokAdi, Barkod, KalanB, KalanA, StokGizle) VALUES (?,?,?,?,?)")));
        for (const auto &row : rows) {
            for (int i = 0; i < 5; ++i)
                insert.bindValue(i, QString::fromUtf8(row[i]));
            ASSERT_TRUE(insert.exec());
        }
    }

    QSqlDatabase &db() { return m_connection->database(); }

    QStringList namesWhere(const QString &condition, const QString &value = {})
    {
        QSqlQuery query(db());
        EXPECT_TRUE(query.prepare(QStringLiteral("SELECT StokAdi FROM StokKartlar WHERE ") + condition
                                  + QStringLiteral(" ORDER BY StokAdi")));
        if (!value.isNull())
            query.addBindValue(value);
        EXPECT_TRUE(query.exec());
        QStringList names;
        while (query.next())
            names.append(query.value(0).toString());
        return names;
    }

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ScopedConnection> m_connection;
};

TEST_F(SchemaStockTest, FoldedNamesMatchTheOperatorsTextTurkishLettersIncluded)
{
    const QString byName = foldSqlExpression(QStringLiteral("StokAdi")) + QStringLiteral(" = ?");
    EXPECT_EQ(namesWhere(byName, foldText(QStringLiteral("ŞEKER TOZ 1 KG"))), QStringList{QStringLiteral("şeker toz 1 kg")});
    EXPECT_EQ(namesWhere(byName, foldText(QStringLiteral("ışık ampul"))), QStringList{QStringLiteral("IŞIK AMPUL")});
    EXPECT_EQ(namesWhere(byName, foldText(QStringLiteral("incir kuru"))), QStringList{QStringLiteral("İncir Kuru")});
    // Dotted and dotless i are different letters.
    EXPECT_TRUE(namesWhere(byName, foldText(QStringLiteral("ISTANBUL SIMIDI"))).isEmpty());
}

TEST_F(SchemaStockTest, IndexesWithTurkishTextStayValidForTheStockTool)
{
    m_connection.reset();
    EXPECT_EQ(sqliteCli(m_path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    // The tool computes the same folded keys, so it finds rows through the index too.
    EXPECT_EQ(sqliteCli(m_path, QStringLiteral("SELECT StokAdi FROM StokKartlar WHERE ")
                                    + foldSqlExpression(QStringLiteral("StokAdi")) + QStringLiteral(" = 'İNCİR KURU'")),
              QStringLiteral("İncir Kuru"));
}

TEST(SchemaCariTest, ANewMovementsDebitCanBeAddedTo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("01Cari.mdb"));
    ASSERT_TRUE(createDatabaseFile(path, DatabaseKind::Cari));
    ScopedConnection connection(path);
    ASSERT_TRUE(connection.open());
    QSqlQuery query(connection.database());
    // The invoice posting adds its total to the value a new record already holds.
    ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO CariHareket (CariHarKod) VALUES ('C001')")));
    ASSERT_TRUE(query.exec(QStringLiteral("UPDATE CariHareket SET Borc = Borc + 20")));
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT Borc, Alacak, Yeni, Aciklama, Tarih FROM CariHareket")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toDouble(), 20.0);
    EXPECT_FALSE(query.value(1).isNull());
    EXPECT_EQ(query.value(1).toDouble(), 0.0);
    EXPECT_FALSE(query.value(2).isNull());
    // Texts and dates start as NULL, as the suite's fields do.
    EXPECT_TRUE(query.value(3).isNull());
    EXPECT_TRUE(query.value(4).isNull());
}

} // namespace
} // namespace pusla::schema
