#include "data/SchemaDdl.h"

#include "base/TextFold.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <array>

namespace pusla::schema {
namespace {

using T = ColumnType;

constexpr std::array kCariKartlar{
    Column{CariKartlar::CariKod, T::Text}, Column{CariKartlar::Unvan, T::Text},
    Column{CariKartlar::Gurup, T::Text},   Column{CariKartlar::Borc, T::Number},
    Column{CariKartlar::Alacak, T::Number}, Column{CariKartlar::Bakiye, T::Number},
    Column{CariKartlar::Hesap, T::Text},
};

constexpr std::array kCariHareket{
    Column{CariHareket::CariHarKod, T::Text}, Column{CariHareket::Tarih, T::DateTime},
    Column{CariHareket::Aciklama, T::Text},   Column{CariHareket::Borc, T::Number},
    Column{CariHareket::Alacak, T::Number},   Column{CariHareket::Carisi, T::Text},
    Column{CariHareket::DigerId, T::Text},    Column{CariHareket::Nerde, T::Text},
    Column{CariHareket::Unvan, T::Text},      Column{CariHareket::Sube, T::Text},
    Column{CariHareket::Yeni, T::Integer},    Column{CariHareket::Server, T::Integer},
};

constexpr std::array kStokKartlar{
    Column{StokKartlar::StokKod, T::Text},      Column{StokKartlar::StokAdi, T::Text},
    Column{StokKartlar::Barkod, T::Text},       Column{StokKartlar::Barkod2, T::Text},
    Column{StokKartlar::Barkod3, T::Text},      Column{StokKartlar::Birim, T::Text},
    Column{StokKartlar::Kdv, T::Number},        Column{StokKartlar::Fiyat, T::Number},
    Column{StokKartlar::Fiyat2, T::Number},     Column{StokKartlar::gFiyat, T::Number},
    Column{StokKartlar::GirenMik, T::Number},   Column{StokKartlar::GirenTutar, T::Number},
    Column{StokKartlar::CikanMik, T::Number},   Column{StokKartlar::CikanTutar, T::Number},
    Column{StokKartlar::KalanB, T::Number},     Column{StokKartlar::KalanA, T::Number},
    Column{StokKartlar::Kar, T::Number},        Column{StokKartlar::StokGizle, T::Boolean},
    Column{StokKartlar::Sube, T::Text},
};

constexpr std::array kStokHareket{
    Column{StokHareket::StokHarKod, T::Text},  Column{StokHareket::Tarih, T::DateTime},
    Column{StokHareket::Aciklama, T::Text},    Column{StokHareket::Birim, T::Text},
    Column{StokHareket::Fiyat, T::Number},     Column{StokHareket::Miktar, T::Number},
    Column{StokHareket::Tutar, T::Number},     Column{StokHareket::GirisCikis, T::Text},
    Column{StokHareket::Carisi, T::Text},      Column{StokHareket::DigerId, T::Text},
    Column{StokHareket::Nerde, T::Text},       Column{StokHareket::SatTar, T::DateTime},
    Column{StokHareket::StokAd, T::Text},      Column{StokHareket::SeriNoDiger, T::Text},
    Column{StokHareket::Unvan, T::Text},       Column{StokHareket::Barkod, T::Text},
    Column{StokHareket::Maliyet, T::Number},   Column{StokHareket::KdvTut, T::Number},
    Column{StokHareket::Sube, T::Text},        Column{StokHareket::tGurup, T::Text},
    Column{StokHareket::Yeni, T::Integer},     Column{StokHareket::Server, T::Integer},
};

constexpr std::array kFaturalar{
    Column{Faturalar::FaturaNo, T::Text},    Column{Faturalar::FatTarih, T::DateTime},
    Column{Faturalar::FatCari, T::Text},     Column{Faturalar::Nakit, T::Integer},
    Column{Faturalar::DigerId, T::Text},     Column{Faturalar::Unvan, T::Text},
    Column{Faturalar::FatTop, T::Number},    Column{Faturalar::FatKdvTut, T::Number},
    Column{Faturalar::Toplam, T::Number},    Column{Faturalar::Gurup, T::Text},
    Column{Faturalar::KdvHarDahil, T::Integer},
};

constexpr std::array kFatHareket{
    Column{FatHareket::FatHarNo, T::Text},     Column{FatHareket::FatGirisCikis, T::Integer},
    Column{FatHareket::FatCari, T::Text},      Column{FatHareket::FatStok, T::Text},
    Column{FatHareket::Stok, T::Text},         Column{FatHareket::FatAciklama, T::Text},
    Column{FatHareket::FatMiktar, T::Number},  Column{FatHareket::FatFiyat, T::Number},
    Column{FatHareket::FatTutar, T::Number},   Column{FatHareket::DigerId, T::Text},
    Column{FatHareket::Nerde, T::Text},        Column{FatHareket::FatTotal, T::Number},
    Column{FatHareket::FatKdv, T::Number},     Column{FatHareket::Birim, T::Text},
    Column{FatHareket::SeriNoDiger, T::Text},  Column{FatHareket::Barkod, T::Text},
    Column{FatHareket::Tarih, T::DateTime},    Column{FatHareket::KdvSi, T::Number},
    Column{FatHareket::Yeni, T::Integer},
};

constexpr std::array kTarih{Column{Tarih::Tarih, T::Text}};

constexpr std::array kMdbindex{
    Column{Mdbindex::Tarih, T::Text},
    Column{Mdbindex::Serino, T::Text},
    Column{Mdbindex::Indexi, T::Text},
};

constexpr std::array kCariTables{
    TableLayout{CariKartlar::Table, kCariKartlar},
    TableLayout{CariHareket::Table, kCariHareket},
};
constexpr std::array kStokTables{
    TableLayout{StokKartlar::Table, kStokKartlar},
    TableLayout{StokHareket::Table, kStokHareket},
};
constexpr std::array kFaturaTables{
    TableLayout{Faturalar::Table, kFaturalar},
    TableLayout{FatHareket::Table, kFatHareket},
};
constexpr std::array kIndexTables{
    TableLayout{Tarih::Table, kTarih},
    TableLayout{Mdbindex::Table, kMdbindex},
};

using K = IndexKey;

// The scan box searches Barkod, Barkod2, Barkod3, then StokKod, then the name;
// the count view filters on Sube. The barcode and code indexes come first.
// The working list, the branch's cards and the count are listed by name.
constexpr std::size_t kCardCodeIndexCount = 4;
constexpr std::array kStokIndexes{
    LookupIndex{StokKartlar::Table, StokKartlar::Barkod, K::Folded},
    LookupIndex{StokKartlar::Table, StokKartlar::Barkod2, K::Folded},
    LookupIndex{StokKartlar::Table, StokKartlar::Barkod3, K::Folded},
    LookupIndex{StokKartlar::Table, StokKartlar::StokKod, K::Folded},
    LookupIndex{StokKartlar::Table, StokKartlar::StokAdi, K::Folded},
    LookupIndex{StokKartlar::Table, StokKartlar::StokAdi, K::SortKey},
    LookupIndex{StokKartlar::Table, StokKartlar::Sube, K::Stored},
    LookupIndex{StokHareket::Table, StokHareket::StokHarKod, K::Stored},
    LookupIndex{StokHareket::Table, StokHareket::DigerId, K::Stored},
};
// The account list is read in code order whenever the set is opened or a
// document posted.
constexpr std::array kCariIndexes{
    LookupIndex{CariKartlar::Table, CariKartlar::CariKod, K::Folded},
    LookupIndex{CariKartlar::Table, CariKartlar::CariKod, K::SortKey},
    LookupIndex{CariKartlar::Table, CariKartlar::Unvan, K::Folded},
    LookupIndex{CariHareket::Table, CariHareket::CariHarKod, K::Stored},
};
// A drawn invoice number is checked against the set's invoices.
constexpr std::array kFaturaIndexes{
    LookupIndex{Faturalar::Table, Faturalar::FaturaNo, K::Folded},
};
constexpr std::array kIndexIndexes{
    LookupIndex{Tarih::Table, Tarih::Tarih, K::Folded},
    LookupIndex{Mdbindex::Table, Mdbindex::Tarih, K::Folded},
};

QString sqlDeclaration(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
    case ColumnType::DateTime:
        return QStringLiteral("TEXT");
    case ColumnType::Number:
        return QStringLiteral("REAL DEFAULT 0");
    case ColumnType::Integer:
    case ColumnType::Boolean:
        return QStringLiteral("INTEGER DEFAULT 0");
    }
    return QStringLiteral("TEXT");
}

bool runAll(QSqlDatabase &db, const QStringList &statements, QString *errorText)
{
    QSqlQuery query(db);
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            if (errorText)
                *errorText = query.lastError().text() + QStringLiteral(" (") + statement + QLatin1Char(')');
            return false;
        }
    }
    return true;
}

QAtomicInteger<quint64> g_connectionSerial;

} // namespace

std::span<const TableLayout> tableLayouts(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Cari:
        return kCariTables;
    case DatabaseKind::Stok:
    case DatabaseKind::LocalStock:
        return kStokTables;
    case DatabaseKind::Fatura:
        return kFaturaTables;
    case DatabaseKind::Index:
        return kIndexTables;
    }
    return {};
}

std::span<const LookupIndex> lookupIndexes(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Cari:
        return kCariIndexes;
    case DatabaseKind::Stok:
    case DatabaseKind::LocalStock:
        return kStokIndexes;
    case DatabaseKind::Fatura:
        return kFaturaIndexes;
    case DatabaseKind::Index:
        return kIndexIndexes;
    }
    return {};
}

std::span<const LookupIndex> cardCodeIndexes()
{
    return std::span(kStokIndexes).first<kCardCodeIndexCount>();
}

QString indexName(const LookupIndex &index)
{
    QString name = QStringLiteral("ix_") + index.table + QLatin1Char('_') + index.column;
    switch (index.key) {
    case IndexKey::Stored:
        break;
    case IndexKey::Folded:
        name += QStringLiteral("_fold");
        break;
    case IndexKey::SortKey:
        name += QStringLiteral("_sort");
        break;
    }
    return name;
}

QString indexExpression(const LookupIndex &index)
{
    const QString column(index.column);
    switch (index.key) {
    case IndexKey::Stored:
        break;
    case IndexKey::Folded:
        return foldSqlExpression(column);
    case IndexKey::SortKey:
        return sortKeySqlExpression(column);
    }
    return column;
}

QStringList tableStatements(DatabaseKind kind)
{
    QStringList statements;
    for (const TableLayout &table : tableLayouts(kind)) {
        QStringList columns;
        for (const Column &column : table.columns)
            columns.append(column.name + QLatin1Char(' ') + sqlDeclaration(column.type));
        statements.append(QStringLiteral("CREATE TABLE ") + table.name + QStringLiteral(" (")
                          + columns.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    return statements;
}

QStringList indexStatements(DatabaseKind kind)
{
    QStringList statements;
    for (const LookupIndex &index : lookupIndexes(kind)) {
        statements.append(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                              .arg(indexName(index), index.table, indexExpression(index)));
    }
    return statements;
}

bool createTables(QSqlDatabase &db, DatabaseKind kind, QString *errorText)
{
    return runAll(db, tableStatements(kind), errorText);
}

bool createIndexes(QSqlDatabase &db, DatabaseKind kind, QString *errorText)
{
    return runAll(db, indexStatements(kind), errorText);
}

bool createDatabaseFile(const QString &localPath, DatabaseKind kind, QString *errorText)
{
    if (QFileInfo::exists(localPath)) {
        if (errorText)
            *errorText = QStringLiteral("%1 already exists").arg(localPath);
        return false;
    }
    ScopedConnection connection(localPath);
    if (!connection.open(errorText))
        return false;
    QSqlDatabase &db = connection.database();
    if (!db.transaction()) {
        if (errorText)
            *errorText = db.lastError().text();
        return false;
    }
    if (!createTables(db, kind, errorText) || !createIndexes(db, kind, errorText)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (errorText)
            *errorText = db.lastError().text();
        return false;
    }
    return true;
}

ScopedConnection::ScopedConnection(const QString &localPath)
    : m_name(QStringLiteral("pusla-schema-%1").arg(++g_connectionSerial))
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(localPath);
}

ScopedConnection::~ScopedConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool ScopedConnection::open(QString *errorText)
{
    if (!m_db.open()) {
        if (errorText)
            *errorText = m_db.lastError().text();
        return false;
    }
    QSqlQuery query(m_db);
    // A WAL file would not travel with a copied database, and terminals reach
    // these files over a share: keep the classic rollback journal.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=DELETE"))) {
        if (errorText)
            *errorText = query.lastError().text();
        return false;
    }
    return true;
}

} // namespace pusla::schema
