#include "demo/DemoData.h"

#include "data/Schema.h"
#include "data/SchemaDdl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <array>
#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

namespace pusla {
namespace {

using namespace schema;

// --- deterministic randomness -------------------------------------------------

// splitmix64: a pure function of its input, so any card can be made on its own
// and every platform makes the same data set.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

quint64 hashOf(quint32 seed, quint64 index, quint64 salt)
{
    return mix(mix(mix(seed) ^ salt) ^ index);
}

double round2(double value)
{
    return std::nearbyint(value * 100.0) / 100.0;
}

// The demo's quantities have at most three decimals, so no tie ever arises here.
double roundQuantity(double value)
{
    return std::nearbyint(value * 10000.0) / 10000.0;
}

// --- the catalogue ------------------------------------------------------------

enum class SizeGroup { Weight, Volume, Count, Piece };

struct Product
{
    const char16_t *name;
    const char16_t *unit;
    SizeGroup sizes;
    int kdv;
};

using enum SizeGroup;

constexpr std::array kProducts{
    Product{u"Şeker Toz", u"Paket", Weight, 8},         Product{u"Şeker Küp", u"Kutu", Weight, 8},
    Product{u"Çay Siyah", u"Paket", Weight, 8},         Product{u"Çay Yeşil", u"Kutu", Weight, 8},
    Product{u"Un Buğday", u"Paket", Weight, 1},         Product{u"Pirinç Baldo", u"Paket", Weight, 1},
    Product{u"Pirinç Osmancık", u"Paket", Weight, 1},   Product{u"Bulgur Pilavlık", u"Paket", Weight, 1},
    Product{u"Makarna Spagetti", u"Paket", Weight, 1},  Product{u"Makarna Burgu", u"Paket", Weight, 1},
    Product{u"Mercimek Kırmızı", u"Kg", Weight, 1},     Product{u"Nohut", u"Kg", Weight, 1},
    Product{u"Kuru Fasulye", u"Kg", Weight, 1},         Product{u"Zeytinyağı Sızma", u"Şişe", Volume, 8},
    Product{u"Ayçiçek Yağı", u"Şişe", Volume, 8},       Product{u"Salça Domates", u"Kutu", Weight, 8},
    Product{u"Salça Biber", u"Kutu", Weight, 8},        Product{u"Zeytin Siyah", u"Kg", Weight, 8},
    Product{u"Zeytin Yeşil", u"Kg", Weight, 8},         Product{u"Peynir Beyaz", u"Kg", Weight, 8},
    Product{u"Peynir Kaşar", u"Kg", Weight, 8},         Product{u"Yoğurt", u"Kutu", Weight, 8},
    Product{u"Süt", u"Litre", Volume, 8},               Product{u"Tereyağı", u"Paket", Weight, 8},
    Product{u"Yumurta", u"Koli", Count, 8},             Product{u"Bal Çiçek", u"Kavanoz", Weight, 8},
    Product{u"Reçel Vişne", u"Kavanoz", Weight, 8},     Product{u"Tahin", u"Kavanoz", Weight, 8},
    Product{u"Pekmez Üzüm", u"Şişe", Volume, 8},        Product{u"Helva Tahinli", u"Kutu", Weight, 8},
    Product{u"Lokum Gül", u"Kutu", Weight, 8},          Product{u"Bisküvi Kakaolu", u"Paket", Count, 8},
    Product{u"Çikolata Sütlü", u"Adet", Piece, 8},      Product{u"Gofret Fındıklı", u"Adet", Piece, 8},
    Product{u"Kahve Türk", u"Paket", Weight, 8},        Product{u"Su", u"Adet", Volume, 8},
    Product{u"Maden Suyu", u"Koli", Count, 8},          Product{u"Meyve Suyu Şeftali", u"Adet", Volume, 8},
    Product{u"Ayran", u"Adet", Volume, 8},              Product{u"Sucuk", u"Kg", Weight, 8},
    Product{u"Kıyma Dana", u"Kg", Weight, 1},           Product{u"Tavuk Göğüs", u"Kg", Weight, 1},
    Product{u"Ekmek Köy", u"Adet", Piece, 1},           Product{u"Simit Susamlı", u"Adet", Piece, 1},
    Product{u"Fıstık Kavrulmuş", u"Paket", Weight, 8},  Product{u"Fındık İç", u"Paket", Weight, 8},
    Product{u"Ceviz İç", u"Paket", Weight, 8},          Product{u"Üzüm Kuru", u"Paket", Weight, 8},
    Product{u"İncir Kuru", u"Paket", Weight, 8},        Product{u"Kayısı Kuru", u"Paket", Weight, 8},
    Product{u"Deterjan Çamaşır", u"Paket", Weight, 18}, Product{u"Deterjan Bulaşık", u"Şişe", Volume, 18},
    Product{u"Sabun Zeytinyağlı", u"Adet", Count, 18},  Product{u"Şampuan", u"Şişe", Volume, 18},
    Product{u"Diş Macunu", u"Adet", Piece, 18},         Product{u"Kağıt Havlu", u"Paket", Count, 18},
    Product{u"Tuvalet Kağıdı", u"Paket", Count, 18},    Product{u"Peçete", u"Paket", Count, 18},
    Product{u"Çöp Torbası", u"Rulo", Piece, 18},        Product{u"Pil Kalem", u"Paket", Count, 18},
    Product{u"Ampul Led", u"Adet", Piece, 18},          Product{u"Kibrit", u"Paket", Count, 18},
    Product{u"Çakmak", u"Adet", Piece, 18},             Product{u"Kalem Tükenmez", u"Adet", Count, 18},
    Product{u"Defter Kareli", u"Adet", Piece, 18},      Product{u"Islak Mendil", u"Paket", Count, 18},
    Product{u"Yumuşatıcı", u"Şişe", Volume, 18},        Product{u"Çamaşır Suyu", u"Şişe", Volume, 18},
    Product{u"Cam Temizleyici", u"Şişe", Volume, 18},   Product{u"Bebek Bezi", u"Paket", Count, 18},
};

constexpr std::array<const char16_t *, 24> kBrands{
    u"Altınbaşak", u"Gölbaşı", u"Yıldız", u"Güneşli", u"Çınar",     u"Kardelen", u"Başak",  u"Dağlı",
    u"Öncü",       u"Şafak",   u"İpek",   u"Ilgaz",   u"Uludağ",    u"Erciyes",  u"Kaçkar", u"Munzur",
    u"Ağrı",       u"Sapanca", u"Çağlayan", u"Yeşilırmak", u"Kızılırmak", u"Fırat", u"Dicle", u"Aras",
};

constexpr std::array<const char16_t *, 12> kVariants{
    u"Klasik", u"Ekonomik", u"Ekstra", u"Organik", u"Aile Boyu", u"Hafif",
    u"Doğal",  u"Geleneksel", u"Seçme", u"Gurme", u"Yerli", u"Özel Seri",
};

constexpr std::array<const char16_t *, 7> kPackages{
    u"Poşet", u"Karton", u"Cam", u"Pet", u"Teneke", u"Vakumlu", u"Kağıt",
};

constexpr std::array<std::array<const char16_t *, 8>, 4> kSizes{{
    {u"250 g", u"500 g", u"750 g", u"1 kg", u"2 kg", u"3 kg", u"5 kg", u"10 kg"},
    {u"200 ml", u"330 ml", u"500 ml", u"750 ml", u"1 L", u"1,5 L", u"2 L", u"5 L"},
    {u"4'lü", u"6'lı", u"8'li", u"10'lu", u"12'li", u"20'li", u"24'lü", u"30'lu"},
    {u"Mini", u"Küçük", u"Orta", u"Büyük", u"Jumbo", u"Tekli", u"İkili Paket", u"Üçlü Paket"},
}};

constexpr quint64 kNameSpace = kProducts.size() * kBrands.size() * kVariants.size() * kPackages.size() * 8;
// A prime above the name space: multiplying by it permutes the space, so the
// first N indexes get N different names.
constexpr quint64 kNameStride = 1000003;
static_assert(kNameSpace % kNameStride != 0 && kNameSpace > 1000000);

// Barcode digits after the country prefix: a permutation of 0..10^9-1.
constexpr quint64 kBarcodeSpace = 1000000000;
constexpr quint64 kBarcodeStride = 387420489; // 3^18, coprime with 10^9

QString itemName(int index, quint32 seed)
{
    const quint64 slot = static_cast<quint64>(index) % kNameSpace;
    quint64 j = (slot * kNameStride + hashOf(seed, 0, 1) % kNameSpace) % kNameSpace;
    const auto take = [&j](quint64 radix) {
        const quint64 digit = j % radix;
        j /= radix;
        return static_cast<std::size_t>(digit);
    };
    const Product &product = kProducts[take(kProducts.size())];
    const char16_t *brand = kBrands[take(kBrands.size())];
    const char16_t *variant = kVariants[take(kVariants.size())];
    const char16_t *package = kPackages[take(kPackages.size())];
    const char16_t *size = kSizes[static_cast<std::size_t>(product.sizes)][take(8)];
    QString name = QString::fromUtf16(product.name) + QLatin1Char(' ') + QString::fromUtf16(brand) + QLatin1Char(' ')
        + QString::fromUtf16(variant) + QLatin1Char(' ') + QString::fromUtf16(package) + QLatin1Char(' ')
        + QString::fromUtf16(size);
    if (static_cast<quint64>(index) >= kNameSpace)
        name += QStringLiteral(" No %1").arg(static_cast<quint64>(index) / kNameSpace + 1);
    return name;
}

const Product &productOf(int index, quint32 seed)
{
    const quint64 slot = static_cast<quint64>(index) % kNameSpace;
    const quint64 j = (slot * kNameStride + hashOf(seed, 0, 1) % kNameSpace) % kNameSpace;
    return kProducts[static_cast<std::size_t>(j % kProducts.size())];
}

QString barcodeDigits(int index, quint32 seed)
{
    const quint64 n = (static_cast<quint64>(index) * kBarcodeStride + hashOf(seed, 0, 2)) % kBarcodeSpace;
    return QStringLiteral("%1").arg(n, 9, 10, QLatin1Char('0'));
}

// --- accounts -----------------------------------------------------------------

struct Account
{
    QString code;
    QString title;
    QString group;
    double borc = 0;
    double alacak = 0;
};

const QString kCustomerGroup = QStringLiteral("Müşteri");
const QString kBranchGroup = QStringLiteral("Şube");

const std::array<const char16_t *, 16> kCustomerTitles{
    u"Yılmaz Gıda Ltd. Şti.",   u"Öztürk Market",          u"Çelik Bakkaliyesi",    u"Şahin Ticaret",
    u"Güneş Kırtasiye",         u"Doğan Şarküteri",        u"Aydın Kuruyemiş",      u"Kaya İnşaat A.Ş.",
    u"Özdemir Eczanesi",        u"Arslan Lokantası",       u"Koç Büfe",             u"Kılıç Manav",
    u"Erdoğan Fırını",          u"Polat Kasap",            u"Işık Elektrik",        u"Ağaoğlu Toptan Gıda",
};

QString branchAccountCode(const QString &branch)
{
    return kBranchGroup + branch;
}

std::vector<Account> accountsOf(const QString &company, const QStringList &branches, quint32 seed)
{
    std::vector<Account> accounts;
    accounts.push_back({QStringLiteral("=110"), QStringLiteral("Hesaplanan KDV"), QStringLiteral("Vergi")});
    const bool centre = company == CentreCode;
    if (!centre)
        accounts.push_back({QStringLiteral("Merkez"), QStringLiteral("Merkez"), QStringLiteral("Merkez")});
    // Every set carries the branch accounts, so the Depo list reads the same
    // whichever set the account control was last pointed at.
    for (const QString &branch : branches)
        accounts.push_back({branchAccountCode(branch), kBranchGroup + QLatin1Char(' ') + branch, kBranchGroup});

    const int customers = centre ? static_cast<int>(kCustomerTitles.size()) : 6;
    const int offset = centre ? 0 : static_cast<int>(company.toInt() * 3 % kCustomerTitles.size());
    for (int i = 0; i < customers; ++i) {
        const auto title = static_cast<std::size_t>((offset + i) % static_cast<int>(kCustomerTitles.size()));
        Account customer{QStringLiteral("C%1").arg(i + 1, 3, 10, QLatin1Char('0')),
                         QString::fromUtf16(kCustomerTitles[title]), kCustomerGroup};
        const quint64 h = hashOf(seed, static_cast<quint64>(i), 100 + static_cast<quint64>(company.toInt()));
        switch (h % 4) {
        case 0: // settled or new
            break;
        case 1: // owes us
            customer.borc = round2(static_cast<double>(h % 2000000) / 100.0 + 100.0);
            break;
        case 2: // paid in advance
            customer.alacak = round2(static_cast<double>(h % 500000) / 100.0 + 50.0);
            break;
        default:
            customer.borc = round2(static_cast<double>(h % 3000000) / 100.0);
            customer.alacak = round2(static_cast<double>((h >> 20) % 3000000) / 100.0);
            break;
        }
        accounts.push_back(customer);
    }
    return accounts;
}

// --- files --------------------------------------------------------------------

struct SetFiles
{
    QString company;
    QString cari, stok, fatura, index;
};

QString sqlError(const QSqlQuery &query)
{
    return query.lastError().text();
}

bool fail(DemoResult &result, const QString &text)
{
    result.ok = false;
    result.errorText = text;
    return false;
}

/// The file in `folder` whose name equals `name` without regard to case, or an empty text.
QString existingAnyCase(const QString &folder, const QString &name)
{
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(entry);
    }
    return {};
}

bool fillAccounts(const QString &path, const std::vector<Account> &accounts, DemoResult &result)
{
    ScopedConnection connection(path);
    QString error;
    if (!connection.open(&error))
        return fail(result, error);
    QSqlDatabase &db = connection.database();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8) VALUES (?, ?, ?, ?, ?, ?, ?)")
                       .arg(CariKartlar::Table, CariKartlar::CariKod, CariKartlar::Unvan, CariKartlar::Gurup,
                            CariKartlar::Borc, CariKartlar::Alacak, CariKartlar::Bakiye, CariKartlar::Hesap));
    for (const Account &account : accounts) {
        // The same balance rule the postings apply.
        const bool credit = account.alacak > account.borc;
        insert.bindValue(0, account.code);
        insert.bindValue(1, account.title);
        insert.bindValue(2, account.group);
        insert.bindValue(3, account.borc);
        insert.bindValue(4, account.alacak);
        insert.bindValue(5, credit ? account.alacak - account.borc : account.borc - account.alacak);
        insert.bindValue(6, credit ? QStringLiteral("Alacak") : QStringLiteral("Borç"));
        if (!insert.exec()) {
            db.rollback();
            return fail(result, sqlError(insert));
        }
    }
    if (!db.commit())
        return fail(result, db.lastError().text());
    return true;
}

bool bulkConnection(ScopedConnection &connection, DemoResult &result)
{
    QString error;
    if (!connection.open(&error))
        return fail(result, error);
    QSqlQuery pragma(connection.database());
    // A fresh file that nobody else has open: a crash costs only the demo.
    pragma.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    pragma.exec(QStringLiteral("PRAGMA cache_size=-65536"));
    pragma.exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    return true;
}

QString placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks.append(QStringLiteral("?"));
    return marks.join(QStringLiteral(", "));
}

/// Writes the catalogue with the centre's quantities and builds the indexes
/// after the inserts. Card i is row i + 1.
bool fillCentreStock(const QString &path, const DemoOptions &options, DemoResult &result)
{
    ScopedConnection connection(path);
    if (!bulkConnection(connection, result))
        return false;
    QSqlDatabase &db = connection.database();
    QString error;
    if (!createTables(db, DatabaseKind::Stok, &error))
        return fail(result, error);

    const QStringList fields{QStringLiteral("rowid"),  StokKartlar::StokKod,    StokKartlar::StokAdi,
                             StokKartlar::Barkod,      StokKartlar::Barkod2,    StokKartlar::Birim,
                             StokKartlar::Kdv,         StokKartlar::Fiyat,      StokKartlar::gFiyat,
                             StokKartlar::GirenMik,    StokKartlar::GirenTutar, StokKartlar::CikanMik,
                             StokKartlar::CikanTutar,  StokKartlar::KalanB,     StokKartlar::KalanA,
                             StokKartlar::StokGizle};
    db.transaction();
    {
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(StokKartlar::Table, fields.join(QStringLiteral(", ")),
                                     placeholders(fields.size())))) {
            return fail(result, sqlError(insert));
        }
        const QVariant nullText(QMetaType::fromType<QString>());
        for (int i = 0; i < options.itemCount; ++i) {
            const DemoItem item = demoItem(i, options.seed);
            const DemoStock stock = demoStock(i, options.seed, CentreCode);
            insert.bindValue(0, i + 1);
            insert.bindValue(1, item.stokKod);
            insert.bindValue(2, item.stokAdi);
            insert.bindValue(3, item.barkod);
            insert.bindValue(4, item.barkod2.isEmpty() ? nullText : QVariant(item.barkod2));
            insert.bindValue(5, item.birim);
            insert.bindValue(6, item.kdv);
            insert.bindValue(7, item.fiyat);
            insert.bindValue(8, item.gFiyat);
            insert.bindValue(9, stock.girenMik);
            insert.bindValue(10, round2(stock.girenMik * item.gFiyat));
            insert.bindValue(11, stock.cikanMik);
            insert.bindValue(12, round2(stock.cikanMik * item.fiyat));
            insert.bindValue(13, stock.kalanB);
            insert.bindValue(14, stock.kalanA);
            insert.bindValue(15, item.hidden ? -1 : 0);
            if (!insert.exec())
                return fail(result, sqlError(insert));
        }
    }
    if (!db.commit())
        return fail(result, db.lastError().text());
    if (!createIndexes(db, DatabaseKind::Stok, &error))
        return fail(result, error);
    return true;
}

/// A branch's stock file: the centre's catalogue with the branch's own
/// quantities. Only fields outside the folded name and code indexes change,
/// so the copy keeps its indexes and no card is inserted twice.
bool fillBranchStock(const QString &path, const QString &branch, const DemoOptions &options, DemoResult &result)
{
    ScopedConnection connection(path);
    if (!bulkConnection(connection, result))
        return false;
    QSqlDatabase &db = connection.database();
    const QStringList fields{StokKartlar::GirenMik, StokKartlar::GirenTutar, StokKartlar::CikanMik,
                             StokKartlar::CikanTutar, StokKartlar::KalanB, StokKartlar::KalanA, StokKartlar::Sube};
    // The branch code index is rebuilt after the update rather than kept up
    // to date row by row.
    const LookupIndex subeIndex{StokKartlar::Table, StokKartlar::Sube, IndexKey::Stored};
    QSqlQuery(db).exec(QStringLiteral("DROP INDEX ") + indexName(subeIndex));
    db.transaction();
    {
        QSqlQuery update(db);
        if (!update.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                                .arg(StokKartlar::Table, fields.join(QStringLiteral(" = ?, "))))) {
            return fail(result, sqlError(update));
        }
        const QVariant nullText(QMetaType::fromType<QString>());
        const QVariant branchCode(branch);
        for (int i = 0; i < options.itemCount; ++i) {
            const DemoItem item = demoItem(i, options.seed);
            const DemoStock stock = demoStock(i, options.seed, branch);
            update.bindValue(0, stock.girenMik);
            update.bindValue(1, round2(stock.girenMik * item.gFiyat));
            update.bindValue(2, stock.cikanMik);
            update.bindValue(3, round2(stock.cikanMik * item.fiyat));
            update.bindValue(4, stock.kalanB);
            update.bindValue(5, stock.kalanA);
            // The file looks as the count build leaves it: the branch code on
            // every visible card that has stock or a shortage.
            const bool counted = !item.hidden && stock.kalanB + stock.kalanA != 0;
            update.bindValue(6, counted ? branchCode : nullText);
            update.bindValue(7, i + 1);
            if (!update.exec())
                return fail(result, sqlError(update));
        }
    }
    if (!db.commit())
        return fail(result, db.lastError().text());
    QSqlQuery createIndex(db);
    const QString statement = QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                                  .arg(indexName(subeIndex), subeIndex.table, subeIndex.column);
    if (!createIndex.exec(statement))
        return fail(result, sqlError(createIndex));
    return true;
}

/// The working database as a selection leaves it: stock on hand in KalanA,
/// nothing captured yet, the sale price shown, no movements. A fresh
/// terminal in the user role starts from this state.
bool prepareWorkingList(const QString &path, DemoResult &result)
{
    ScopedConnection connection(path);
    if (!bulkConnection(connection, result))
        return false;
    QSqlQuery query(connection.database());
    const QStringList statements{
        QStringLiteral("UPDATE %1 SET %2 = %3, %3 = 0, %4 = 0, %5 = %6")
            .arg(StokKartlar::Table, StokKartlar::KalanA, StokKartlar::KalanB, StokKartlar::GirenTutar,
                 StokKartlar::Fiyat2, StokKartlar::Fiyat),
        QStringLiteral("DELETE FROM %1").arg(StokHareket::Table),
    };
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return fail(result, sqlError(query));
    }
    return true;
}

bool copyFile(const QString &source, const QString &target, DemoResult &result)
{
    QFile::remove(target);
    if (!QFile::copy(source, target))
        return fail(result, QStringLiteral("%1 -> %2: copy failed").arg(source, target));
    result.files.append(target);
    return true;
}

bool validBranch(const QString &code)
{
    return code.size() == 2 && code.at(0).isDigit() && code.at(1).isDigit() && code != CentreCode;
}

} // namespace

DemoItem demoItem(int index, quint32 seed)
{
    const Product &product = productOf(index, seed);
    const quint64 h = hashOf(seed, static_cast<quint64>(index), 3);
    DemoItem item;
    item.stokKod = QStringLiteral("ST%1").arg(index + 1, 6, 10, QLatin1Char('0'));
    item.stokAdi = itemName(index, seed);
    const QString digits = barcodeDigits(index, seed);
    item.barkod = ean13(QStringLiteral("869") + digits);
    if (h % 5 == 0)
        item.barkod2 = ean13(QStringLiteral("868") + digits);
    item.birim = QString::fromUtf16(product.unit);
    item.kdv = product.kdv;
    item.gFiyat = round2(1.0 + static_cast<double>((h >> 8) % 50000) / 100.0);
    item.fiyat = round2(item.gFiyat * (1.10 + static_cast<double>((h >> 24) % 51) / 100.0));
    item.hidden = (h >> 40) % 50 == 0;
    return item;
}

DemoStock demoStock(int index, quint32 seed, const QString &companyCode)
{
    const quint64 h = hashOf(seed, static_cast<quint64>(index), 1000 + static_cast<quint64>(companyCode.toInt()));
    const Product &product = productOf(index, seed);
    const bool byWeight = QStringView(product.unit) == u"Kg";
    const bool centre = companyCode == CentreCode;
    const quint64 scale = centre ? 1000 : 200;
    const auto quantity = [byWeight](quint64 value, quint64 limit) {
        // Weighed goods carry grams: three decimals of a kilogram.
        return byWeight ? static_cast<double>(value % (limit * 1000)) / 1000.0 : static_cast<double>(value % limit);
    };

    DemoStock stock;
    switch (h % 40) {
    case 0: // never stocked here
        break;
    case 1: // sold out exactly
        stock.girenMik = stock.cikanMik = quantity(h >> 8, scale) + 1;
        break;
    case 2:
    case 3: // sold more than was booked in: a shortage
        stock.girenMik = quantity(h >> 8, scale / 4);
        stock.cikanMik = stock.girenMik + quantity(h >> 32, 20) + 1;
        break;
    default:
        stock.girenMik = quantity(h >> 8, scale) + 1;
        stock.cikanMik = std::floor(stock.girenMik * static_cast<double>((h >> 32) % 90) / 100.0);
        break;
    }
    if (stock.cikanMik > stock.girenMik)
        stock.kalanA = roundQuantity(stock.cikanMik - stock.girenMik);
    else
        stock.kalanB = roundQuantity(stock.girenMik - stock.cikanMik);
    return stock;
}

QString ean13(const QString &twelveDigits)
{
    int sum = 0;
    for (qsizetype i = 0; i < twelveDigits.size() && i < 12; ++i)
        sum += twelveDigits.at(i).digitValue() * (i % 2 == 0 ? 1 : 3);
    return twelveDigits + QChar(u'0' + (10 - sum % 10) % 10);
}

bool isValidEan13(const QString &code)
{
    if (code.size() != 13)
        return false;
    for (const QChar c : code) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return ean13(code.left(12)) == code;
}

DemoResult createDemoData(const DemoOptions &options)
{
    DemoResult result;
    if (options.dataDirectory.isEmpty() || options.programFolder.isEmpty()) {
        fail(result, QStringLiteral("The data directory and the program folder must be given"));
        return result;
    }
    if (options.itemCount < 0) {
        fail(result, QStringLiteral("The item count cannot be negative"));
        return result;
    }
    for (const QString &branch : options.branches) {
        if (!validBranch(branch) || options.branches.count(branch) > 1) {
            fail(result, QStringLiteral("Invalid branch code: %1").arg(branch));
            return result;
        }
    }

    const QDir data(options.dataDirectory);
    const QDir program(options.programFolder);
    std::vector<SetFiles> sets;
    for (const QString &company : QStringList{CentreCode} + options.branches) {
        sets.push_back({company, data.filePath(company + files::Cari), data.filePath(company + files::Stok),
                        data.filePath(company + files::Fatura), data.filePath(company + files::Index)});
    }
    QStringList planned;
    for (const SetFiles &set : sets)
        planned << set.cari << set.stok << set.fatura << set.index;
    const QString localStok = program.filePath(files::LocalStok);
    const QString temp = program.filePath(files::Temp);
    planned << localStok << temp;
    for (const QString &branch : options.branches)
        planned << program.filePath(branch + files::BranchTempSuffix);

    // The counter belongs to the invoices of the set being replaced.
    QStringList present;
    for (const QString &path : planned + QStringList{data.filePath(files::FatNo)}) {
        const QFileInfo info(path);
        const QString found = existingAnyCase(info.path(), info.fileName());
        if (!found.isEmpty())
            present.append(found);
    }
    if (!present.isEmpty() && !options.overwrite) {
        result.ok = true;
        result.alreadyPresent = true;
        result.files = present;
        return result;
    }
    for (const QString &path : std::as_const(present)) {
        if (!QFile::remove(path)) {
            fail(result, QStringLiteral("Cannot remove %1").arg(path));
            return result;
        }
    }
    if (!QDir().mkpath(options.dataDirectory) || !QDir().mkpath(options.programFolder)) {
        fail(result, QStringLiteral("Cannot create %1 or %2").arg(options.dataDirectory, options.programFolder));
        return result;
    }

    const auto build = [&]() {
        for (const SetFiles &set : sets) {
            QString error;
            if (!createDatabaseFile(set.cari, DatabaseKind::Cari, &error)
                || !createDatabaseFile(set.fatura, DatabaseKind::Fatura, &error)
                || !createDatabaseFile(set.index, DatabaseKind::Index, &error)) {
                return fail(result, error);
            }
            result.files << set.cari << set.fatura << set.index;
            if (!fillAccounts(set.cari, accountsOf(set.company, options.branches, options.seed), result))
                return false;
        }
        const SetFiles &centre = sets.front();
        if (!fillCentreStock(centre.stok, options, result))
            return false;
        result.files.append(centre.stok);
        // Branch files are independent of each other: fill them side by side.
        const std::size_t batch = static_cast<std::size_t>(std::max(1, QThread::idealThreadCount()));
        for (std::size_t first = 1; first < sets.size(); first += batch) {
            const std::size_t last = std::min(sets.size(), first + batch);
            std::vector<DemoResult> partial(last - first);
            std::vector<std::thread> workers;
            for (std::size_t i = first; i < last; ++i) {
                workers.emplace_back([&sets, &options, &centre, i, &out = partial[i - first]] {
                    out.ok = copyFile(centre.stok, sets[i].stok, out)
                        && fillBranchStock(sets[i].stok, sets[i].company, options, out);
                });
            }
            for (std::thread &worker : workers)
                worker.join();
            for (const DemoResult &branch : partial) {
                result.files += branch.files;
                if (!branch.ok)
                    return fail(result, branch.errorText);
            }
        }
        if (!copyFile(sets.front().stok, localStok, result) || !copyFile(sets.front().stok, temp, result)
            || !prepareWorkingList(temp, result))
            return false;
        for (std::size_t i = 1; i < sets.size(); ++i) {
            if (!copyFile(sets[i].stok, program.filePath(sets[i].company + files::BranchTempSuffix), result))
                return false;
        }
        return true;
    };
    if (!build()) {
        // Leave no half-built set behind: it would pass for a complete one next time.
        for (const QString &path : planned)
            QFile::remove(path);
        result.files.clear();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace pusla
