#include "StockGenerator.h"

#include "base/TextFold.h"

#include <QFile>
#include <QStringList>

#include <array>
#include <sqlite3.h>

namespace pusla::bench {
namespace {

constexpr std::array kBrands = {u"Ülker", u"Eti", u"Çaykur", u"Pınar", u"Torku", u"Şölen", u"Dimes", u"Tamek", u"Sütaş",
    u"İçim", u"Bizim", u"Komili", u"Yudum", u"Tat", u"Tukaş", u"Öncü", u"Filiz", u"Nuh'un", u"Duru", u"Bağdat"};
constexpr std::array kProducts
    = {u"Çay", u"Bisküvi", u"Gofret", u"Süt", u"Ayran", u"Yoğurt", u"Peynir", u"Zeytin", u"Makarna", u"Pirinç",
        u"Bulgur", u"Şeker", u"Un", u"Salça", u"Ketçap", u"Reçel", u"Bal", u"Yağ", u"Sabun", u"Şampuan", u"Deterjan",
        u"Kahve", u"Çikolata", u"Lokum", u"Helva", u"Kraker", u"Cips", u"Meyve Suyu", u"Gazoz", u"Maden Suyu"};
constexpr std::array kVariants = {u"Klasik", u"Light", u"Kakaolu", u"Fındıklı", u"Sade", u"Ekstra", u"Doğal",
    u"Organik", u"Aile Boyu", u"Mini", u"Tam Yağlı", u"Yarım Yağlı", u"Acılı", u"Tatlı", u"Limonlu", u"Çilekli"};
constexpr std::array kSizes = {u"100 gr", u"250 gr", u"500 gr", u"1 kg", u"2 kg", u"200 ml", u"1 lt", u"2,5 lt"};

const char *const kFields[] = {"Barkod", "Barkod2", "Barkod3", "StokKod", "StokAdi"};

QString ean13(qint64 body12)
{
    QString digits = QString::number(body12).rightJustified(12, u'0');
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (digits.at(i).unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}

bool run(sqlite3 *db, const QString &sql)
{
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool createIndexes(sqlite3 *db)
{
    const QString ddl = QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON StokKartlar(%2)");
    bool ok = true;
    for (const char *field : kFields) {
        const QString name = QString::fromLatin1(field);
        ok = ok && run(db, ddl.arg(name + QStringLiteral("Fold"), foldSqlExpression(name)));
    }
    return ok && run(db, ddl.arg(QStringLiteral("StokAdiSort"), sortKeySqlExpression(QStringLiteral("StokAdi"))));
}

} // namespace

QString StockGenerator::code(int card)
{
    return QStringLiteral("STK%1").arg(card, 7, 10, QChar(u'0'));
}

QString StockGenerator::barcode(int card, int which)
{
    if ((which == 2 && card % 3 != 0) || (which == 3 && card % 7 != 0))
        return {};
    return ean13(869000000000LL + qint64(which - 1) * 10000000 + card);
}

QString StockGenerator::name(int card)
{
    // Half in capitals on purpose: lookups must find names whatever their case.
    const int brand = card % int(kBrands.size());
    const int product = (card / int(kBrands.size())) % int(kProducts.size());
    const int variant = (card / 7) % int(kVariants.size());
    const int size = (card / 3) % int(kSizes.size());
    QString text = QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(QString::fromUtf16(kBrands[size_t(brand)]), QString::fromUtf16(kProducts[size_t(product)]),
                           QString::fromUtf16(kVariants[size_t(variant)]), QString::fromUtf16(kSizes[size_t(size)]))
                       .arg(card, 7, 36, QChar(u'0'));
    return card % 2 == 0 ? text : foldText(text);
}

bool StockGenerator::write(const QString &path, int count)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = run(db, QStringLiteral("PRAGMA journal_mode=OFF")) && run(db, QStringLiteral("PRAGMA synchronous=OFF"))
        && run(db,
            QStringLiteral("CREATE TABLE StokKartlar (StokKod TEXT, StokAdi TEXT, Barkod TEXT, Barkod2 TEXT, "
                           "Barkod3 TEXT, Birim TEXT, Kdv REAL, Fiyat REAL, gFiyat REAL, Fiyat2 REAL, "
                           "GirenMik REAL, GirenTutar REAL, CikanMik REAL, CikanTutar REAL, KalanB REAL DEFAULT 0, "
                           "KalanA REAL DEFAULT 0, Kar REAL, StokGizle BOOLEAN DEFAULT 0, Sube TEXT)"))
        && run(db, QStringLiteral("BEGIN"));
    sqlite3_stmt *insert = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db,
               "INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, Barkod2, Barkod3, Birim, Kdv, Fiyat, gFiyat, "
               "Fiyat2, GirenMik, GirenTutar, CikanMik, CikanTutar, KalanB, KalanA, Kar, StokGizle, Sube) "
               "VALUES (?, ?, ?, ?, ?, 'Adet', 18, ?, ?, ?, ?, 0, ?, 0, ?, 0, 0, ?, '02')",
               -1, &insert, nullptr)
            == SQLITE_OK;
    for (int card = 0; ok && card < count; ++card) {
        const QString texts[] = {code(card), name(card), barcode(card, 1), barcode(card, 2), barcode(card, 3)};
        for (int i = 0; i < 5; ++i)
            sqlite3_bind_text16(insert, i + 1, texts[i].utf16(), int(texts[i].size() * 2), SQLITE_TRANSIENT);
        const double price = 1.0 + (card % 997) / 4.0;
        const double in = card % 13;
        const double out = card % 5;
        sqlite3_bind_double(insert, 6, price);
        sqlite3_bind_double(insert, 7, price * 0.8);
        sqlite3_bind_double(insert, 8, price);
        sqlite3_bind_double(insert, 9, in);
        sqlite3_bind_double(insert, 10, out);
        sqlite3_bind_double(insert, 11, in > out ? in - out : 0);
        sqlite3_bind_int(insert, 12, hidden(card) ? -1 : 0);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && run(db, QStringLiteral("COMMIT")) && createIndexes(db)
        && run(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
    sqlite3_close(db);
    return ok;
}

bool StockGenerator::addIndexes(const QString &path)
{
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK && createIndexes(db);
    sqlite3_close(db);
    return ok;
}

} // namespace pusla::bench
