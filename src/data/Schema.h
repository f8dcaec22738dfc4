#pragma once

#include <QLatin1StringView>

/// The names of the accounting suite's database files, tables and fields.
///
/// This header is the one place where they are spelled: every other file takes
/// them from here. Each name is a QLatin1StringView over a null-terminated
/// literal, so it can be pasted into a QString (`QString(KalanB)`, `% KalanB`,
/// `.arg(KalanB)`) and handed to C APIs as `name.data()`.
///
/// Field names are matched without regard to case by the store (the system
/// writes both `StokAdi` and `stokadi`); SQLite does the same for column names.
namespace pusla::schema {

using Name = QLatin1StringView;

/// File names. The four database files of a set are appended to the set's
/// prefix with no separator (`\\127.0.0.1\MuhasebeData\01` + "Cari.mdb").
namespace files {
inline constexpr Name Cari{"Cari.mdb"};
inline constexpr Name Stok{"Stok.mdb"};
inline constexpr Name Fatura{"Fatura.mdb"};
inline constexpr Name Index{"Index.mdb"};
/// The invoice counter file, directly in the MuhasebeData directory.
inline constexpr Name FatNo{"FatNo.txt"};

// Local databases in the program folder, all with the stock layout.
/// The working database of the sale, purchase and idle states.
inline constexpr Name Temp{"Temp.Mdb"};
/// The count database assembled from the branches' stock files.
inline constexpr Name SayTmp{"SayTmp.Mdb"};
/// The local stock database the working list starts on and the count database is made from.
inline constexpr Name LocalStok{"Stok.mdb"};
/// Suffix of a branch's local count copy: branch code + "Temp.Mdb" (02Temp.Mdb).
inline constexpr Name BranchTempSuffix{"Temp.Mdb"};

/// The local folder of the count reports, one "<branch or account>.txt" each.
inline constexpr Name ReportFolder{"C:\\MuhasebeData"};
} // namespace files

/// The data directory's share name and the centre's company code.
inline constexpr Name DataDirectoryName{"MuhasebeData"};
inline constexpr Name CentreCode{"01"};

/// Account cards (NNCari.mdb).
namespace CariKartlar {
inline constexpr Name Table{"CariKartlar"};
inline constexpr Name CariKod{"CariKod"};
inline constexpr Name Unvan{"Unvan"};
inline constexpr Name Gurup{"Gurup"};
inline constexpr Name Borc{"Borc"};
inline constexpr Name Alacak{"Alacak"};
inline constexpr Name Bakiye{"Bakiye"};
inline constexpr Name Hesap{"Hesap"};
} // namespace CariKartlar

/// Account movements (NNCari.mdb).
namespace CariHareket {
inline constexpr Name Table{"CariHareket"};
inline constexpr Name CariHarKod{"CariHarKod"};
inline constexpr Name Tarih{"Tarih"};
inline constexpr Name Aciklama{"Aciklama"};
inline constexpr Name Borc{"Borc"};
inline constexpr Name Alacak{"Alacak"};
inline constexpr Name Carisi{"Carisi"};
inline constexpr Name DigerId{"DigerId"};
inline constexpr Name Nerde{"Nerde"};
inline constexpr Name Unvan{"Unvan"};
inline constexpr Name Sube{"Sube"};
inline constexpr Name Yeni{"Yeni"};
inline constexpr Name Server{"Server"};
} // namespace CariHareket

/// Stock cards (NNStok.mdb), and the working list of every local stock database.
namespace StokKartlar {
inline constexpr Name Table{"StokKartlar"};
inline constexpr Name StokKod{"StokKod"};
inline constexpr Name StokAdi{"StokAdi"};
inline constexpr Name Barkod{"Barkod"};
inline constexpr Name Barkod2{"Barkod2"};
inline constexpr Name Barkod3{"Barkod3"};
inline constexpr Name Birim{"Birim"};
inline constexpr Name Kdv{"Kdv"};
inline constexpr Name Fiyat{"Fiyat"};
inline constexpr Name Fiyat2{"Fiyat2"};
inline constexpr Name gFiyat{"gFiyat"};
inline constexpr Name GirenMik{"GirenMik"};
inline constexpr Name GirenTutar{"GirenTutar"};
inline constexpr Name CikanMik{"CikanMik"};
inline constexpr Name CikanTutar{"CikanTutar"};
inline constexpr Name KalanB{"KalanB"};
inline constexpr Name KalanA{"KalanA"};
inline constexpr Name Kar{"Kar"};
inline constexpr Name StokGizle{"StokGizle"};
inline constexpr Name Sube{"Sube"};
} // namespace StokKartlar

/// Stock movements (NNStok.mdb and the local stock databases).
namespace StokHareket {
inline constexpr Name Table{"StokHareket"};
inline constexpr Name StokHarKod{"StokHarKod"};
inline constexpr Name Tarih{"Tarih"};
inline constexpr Name Aciklama{"Aciklama"};
inline constexpr Name Birim{"Birim"};
inline constexpr Name Fiyat{"Fiyat"};
inline constexpr Name Miktar{"Miktar"};
inline constexpr Name Tutar{"Tutar"};
inline constexpr Name GirisCikis{"GirisCikis"};
inline constexpr Name Carisi{"Carisi"};
inline constexpr Name DigerId{"DigerId"};
inline constexpr Name Nerde{"Nerde"};
inline constexpr Name SatTar{"SatTar"};
inline constexpr Name StokAd{"StokAd"};
inline constexpr Name SeriNoDiger{"SeriNoDiger"};
inline constexpr Name Unvan{"Unvan"};
inline constexpr Name Barkod{"Barkod"};
inline constexpr Name Maliyet{"Maliyet"};
inline constexpr Name KdvTut{"KdvTut"};
inline constexpr Name Sube{"Sube"};
inline constexpr Name tGurup{"tGurup"};
inline constexpr Name Yeni{"Yeni"};
inline constexpr Name Server{"Server"};
} // namespace StokHareket

/// Sales invoices (NNFatura.mdb).
namespace Faturalar {
inline constexpr Name Table{"Faturalar"};
inline constexpr Name FaturaNo{"FaturaNo"};
inline constexpr Name FatTarih{"FatTarih"};
inline constexpr Name FatCari{"FatCari"};
inline constexpr Name Nakit{"Nakit"};
inline constexpr Name DigerId{"DigerId"};
inline constexpr Name Unvan{"Unvan"};
inline constexpr Name FatTop{"FatTop"};
inline constexpr Name FatKdvTut{"FatKdvTut"};
inline constexpr Name Toplam{"Toplam"};
inline constexpr Name Gurup{"Gurup"};
inline constexpr Name KdvHarDahil{"KdvHarDahil"};
} // namespace Faturalar

/// Invoice lines (NNFatura.mdb).
namespace FatHareket {
inline constexpr Name Table{"FatHareket"};
inline constexpr Name FatHarNo{"FatHarNo"};
inline constexpr Name FatGirisCikis{"FatGirisCikis"};
inline constexpr Name FatCari{"FatCari"};
inline constexpr Name FatStok{"FatStok"};
inline constexpr Name Stok{"Stok"};
inline constexpr Name FatAciklama{"FatAciklama"};
inline constexpr Name FatMiktar{"FatMiktar"};
inline constexpr Name FatFiyat{"FatFiyat"};
inline constexpr Name FatTutar{"FatTutar"};
inline constexpr Name DigerId{"DigerId"};
inline constexpr Name Nerde{"Nerde"};
inline constexpr Name FatTotal{"FatTotal"};
inline constexpr Name FatKdv{"FatKdv"};
inline constexpr Name Birim{"Birim"};
inline constexpr Name SeriNoDiger{"SeriNoDiger"};
inline constexpr Name Barkod{"Barkod"};
inline constexpr Name Tarih{"Tarih"};
inline constexpr Name KdvSi{"KdvSi"};
inline constexpr Name Yeni{"Yeni"};
} // namespace FatHareket

/// Years that have been numbered (NNIndex.mdb).
namespace Tarih {
inline constexpr Name Table{"Tarih"};
inline constexpr Name Tarih{"Tarih"};
} // namespace Tarih

/// The per-year counters of the record numbering (NNIndex.mdb).
namespace Mdbindex {
inline constexpr Name Table{"Mdbindex"};
inline constexpr Name Tarih{"Tarih"};
inline constexpr Name Serino{"Serino"};
inline constexpr Name Indexi{"Indexi"};
} // namespace Mdbindex

/// The keys of the documents this system posted (NNIndex.mdb of the set the
/// document starts in), written in the transaction that posts the document.
/// Not the suite's own table: it is made on first use. A terminal that
/// crashed after the commit asks it whether its document landed.
namespace PuslaKayit {
inline constexpr Name Table{"PuslaKayit"};
inline constexpr Name Anahtar{"Anahtar"};
inline constexpr Name Tarih{"Tarih"};
} // namespace PuslaKayit

/// The terminal's marker of a document being posted, beside its working list.
namespace files {
inline constexpr Name PendingMarker{".pusla-pending"};
/// In the data directory: the local path under which the first terminal reached it.
inline constexpr Name SharePathRecord{".pusla-path"};
} // namespace files

} // namespace pusla::schema
