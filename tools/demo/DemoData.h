#pragma once

#include <QString>
#include <QStringList>

namespace pusla {

/// What the demo data set is made of and where it goes.
struct DemoOptions
{
    /// The local folder that stands for MuhasebeData (behind \\127.0.0.1\MuhasebeData).
    QString dataDirectory;
    /// The terminal's program folder: receives Stok.mdb, Temp.Mdb and one NNTemp.Mdb per branch.
    QString programFolder;
    /// Stock cards per database set (the same catalogue in every set).
    int itemCount = 300;
    quint32 seed = 1;
    /// Branch codes besides the centre "01", each two digits.
    QStringList branches{QStringLiteral("02"), QStringLiteral("03")};
    /// Replace an existing data set; without it an existing one is left alone.
    bool overwrite = false;
};

struct DemoResult
{
    /// False only on an error; an existing data set left alone is not one.
    bool ok = false;
    /// A data set was there already and `overwrite` was not set: nothing was touched.
    bool alreadyPresent = false;
    QString errorText;
    /// Local paths of the files written (or, with alreadyPresent, of those found).
    QStringList files;
};

/// Builds a complete demo data set: for the centre "01" and every branch the
/// four database files (accounts with customers, branch accounts, the VAT
/// account "=110" and in each branch the account "Merkez"; stock cards with
/// valid EAN-13 barcodes and Turkish names; empty invoice and numbering
/// tables), and the terminal's local stock databases copied from them.
/// The invoice counter file FatNo.txt is left absent: the first invoice is then S00001.
/// Deterministic for a seed. Large sets (a million cards) take one
/// transaction per file and build the lookup indexes after the inserts.
/// Never shows anything; failures come back as error text.
DemoResult createDemoData(const DemoOptions &options);

/// One card of the demo catalogue. The catalogue is the same in every set;
/// only the quantities differ.
struct DemoItem
{
    QString stokKod;
    QString stokAdi;
    QString barkod;
    QString barkod2; ///< empty for most items
    QString birim;
    double kdv = 0;
    double fiyat = 0;  ///< sale price, always above gFiyat
    double gFiyat = 0; ///< purchase price
    bool hidden = false;
};

DemoItem demoItem(int index, quint32 seed);

/// A quantity movement of one card in one database set, with the running
/// balance that the postings keep: KalanB = GirenMik - CikanMik rounded to
/// 4 decimals when not negative, else 0; KalanA = the shortage, else 0.
struct DemoStock
{
    double girenMik = 0;
    double cikanMik = 0;
    double kalanB = 0;
    double kalanA = 0;
};

DemoStock demoStock(int index, quint32 seed, const QString &companyCode);

/// The twelve digits followed by their EAN-13 check digit.
QString ean13(const QString &twelveDigits);
bool isValidEan13(const QString &code);

} // namespace pusla
