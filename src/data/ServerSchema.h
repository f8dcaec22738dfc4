#pragma once

#include "data/SchemaDdl.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace pusla {

class PgConnection;

/// The shop's books on a PostgreSQL server: one database (UTF-8, character
/// type "C", so that the program's Turkish fold and name order come out as
/// on SQLite), one schema per company ("01", "02", ...) holding the tables of
/// its Cari, Stok, Fatura and Index files.
///
/// Every table gets an identity key `id` in place of SQLite's row id (never
/// reused; it orders rows as stored). A field that lookups fold or lists
/// sort on gets a stored generated column beside it (`Barkod_fold`,
/// `StokAdi_sort`) with an index on (that column, id), so that a lookup, a
/// prefix search and a name-ordered list are index scans. `pusla_files`
/// holds a version row per file, the row a file's write lock takes, and
/// `pusla_counter` the invoice counter as the counter file writes it
/// ("00000": its width carries over to the next number).
namespace serverschema {

/// A company's files, in the order they are laid out and loaded.
struct CompanyFile
{
    schema::DatabaseKind kind;
    schema::Name file; ///< its name in a set: "Cari.mdb"; its version row drops the ".mdb"
};
inline constexpr CompanyFile kCompanyFiles[]
    = {{schema::DatabaseKind::Cari, schema::files::Cari}, {schema::DatabaseKind::Stok, schema::files::Stok},
        {schema::DatabaseKind::Fatura, schema::files::Fatura}, {schema::DatabaseKind::Index, schema::files::Index}};

/// The statements that lay out a company's schema.
QStringList companyStatements(const QString &company);

/// Throws DbError(CannotOpen) for a database the books cannot live in: not
/// UTF-8, or a character type other than "C".
void checkDatabase(PgConnection &db);

/// Lays out a company's schema in one transaction; throws DbError when it
/// cannot, leaving nothing behind.
void createCompany(PgConnection &db, const QString &company);

/// Runs `statements` in one transaction: all of them or, on the first
/// failure (thrown on), none.
void runInTransaction(PgConnection &db, const std::function<void()> &statements);

/// An identifier as PostgreSQL keeps it, case and all.
QString quoted(const QString &name);

} // namespace serverschema
} // namespace pusla
