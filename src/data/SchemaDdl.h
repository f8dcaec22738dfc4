#pragma once

#include "data/Schema.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <span>

namespace pusla::schema {

/// The kinds of database file the system reads and writes.
enum class DatabaseKind {
    Cari,   ///< NNCari.mdb: CariKartlar, CariHareket
    Stok,   ///< NNStok.mdb: StokKartlar, StokHareket
    Fatura, ///< NNFatura.mdb: Faturalar, FatHareket
    Index,  ///< NNIndex.mdb: Tarih, Mdbindex
    /// Stok.mdb, Temp.Mdb, SayTmp.Mdb and NNTemp.Mdb of the program folder.
    /// Same layout as Stok: every stock file carries the working-list fields
    /// (Barkod3, Fiyat2, Kar, Sube), because the count build writes Sube into
    /// the branches' stock files and the count copy needs every source field
    /// name in its target.
    LocalStock,
};

/// How a field is stored. Numbers are REAL, 16-bit integers and booleans are
/// INTEGER (a true boolean is -1, as the suite writes it), dates and times are
/// TEXT: 'yyyy-MM-ddTHH:mm:ss' from the system, or the "dd/mm/yyyy HH:MM"
/// texts some postings write.
enum class ColumnType { Text, Number, Integer, Boolean, DateTime };

struct Column
{
    Name name;
    ColumnType type;
};

struct TableLayout
{
    Name name;
    std::span<const Column> columns;
};

/// What an index orders its rows by.
enum class IndexKey {
    Stored,   ///< the field as stored: the suite's own lookups
    Folded,   ///< exactly foldSqlExpression(column): "foldSqlExpression(column) = ?" uses it
    SortKey,  ///< exactly sortKeySqlExpression(column): a list in that field's order walks it
};

/// An index that lookups or a list's order rely on.
struct LookupIndex
{
    Name table;
    Name column;
    IndexKey key;
};

/// The tables of a file kind with their fields, in declaration order.
std::span<const TableLayout> tableLayouts(DatabaseKind kind);

std::span<const LookupIndex> lookupIndexes(DatabaseKind kind);

/// The stock files' indexes on Barkod, Barkod2, Barkod3 and StokKod: the
/// scan box finds cards and lines by them.
std::span<const LookupIndex> cardCodeIndexes();

/// The index's name in the file: ix_<table>_<column>, with the suffix _fold
/// for a folded one and _sort for a sort key.
QString indexName(const LookupIndex &index);

/// What the index is on: the column, or the fold or sort-key expression of it.
QString indexExpression(const LookupIndex &index);

/// CREATE TABLE statements. Numbers, integers and booleans default to 0 (a new
/// movement's Borc is added to, so it must not start as NULL); texts and dates
/// default to NULL, as the suite's fields do. No key column is declared: rows
/// keep their stored order by rowid, and the count copy, which copies every
/// named field, never collides on a key.
QStringList tableStatements(DatabaseKind kind);

/// CREATE INDEX statements for lookupIndexes(kind).
QStringList indexStatements(DatabaseKind kind);

/// Creates the tables (and, with `withIndexes`, the indexes) in an open database.
/// Bulk loaders create the indexes after their inserts, which is much faster.
bool createTables(QSqlDatabase &db, DatabaseKind kind, QString *errorText = nullptr);
bool createIndexes(QSqlDatabase &db, DatabaseKind kind, QString *errorText = nullptr);

/// Creates an empty database file of the given kind at a local path, in
/// rollback-journal mode (never WAL: the stock sqlite3 tool and other
/// terminals must be able to open it). Refuses a path that already exists.
bool createDatabaseFile(const QString &localPath, DatabaseKind kind, QString *errorText = nullptr);

/// A QSQLITE connection of its own under a unique name; the connection is
/// closed and removed from Qt's registry when the object goes.
class ScopedConnection
{
public:
    explicit ScopedConnection(const QString &localPath);
    ~ScopedConnection();
    ScopedConnection(const ScopedConnection &) = delete;
    ScopedConnection &operator=(const ScopedConnection &) = delete;

    /// Opens the file (creating it if missing) and selects the rollback journal.
    bool open(QString *errorText = nullptr);
    QSqlDatabase &database() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

} // namespace pusla::schema
