#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace pusla {

class PgConnection;

/// A company's books moved from its SQLite files to its schema on the
/// server, and the proof that the server holds what the files hold.
namespace serverload {

/// What one table holds: its rows, and a checksum over every field of every
/// row in stored order, each field as its declared type reads it.
struct TableCheck
{
    QString table;
    qint64 rows = 0;
    QByteArray checksum;
    bool operator==(const TableCheck &) const = default;
};

struct LoadResult
{
    bool ok = false;
    QString errorText;
    /// The tables as loaded, checked on both sides.
    std::vector<TableCheck> tables;
};

/// The tables of a company's four files, `filePrefix` + "Cari.mdb" and so
/// on (a local path such as ".../MuhasebeData/01"). Throws DbError when a
/// file cannot be read.
std::vector<TableCheck> fileChecks(const QString &filePrefix);

/// The same tables in the company's schema on the server.
std::vector<TableCheck> serverChecks(PgConnection &db, const QString &company);

/// Lays out the company's schema and copies every row of its files into
/// it, and the invoice counter from `counterFile` (absent: "00000"), in one
/// transaction; then compares both sides table by table. A schema that
/// holds rows is replaced only with `replace`.
LoadResult loadCompany(
    PgConnection &db, const QString &filePrefix, const QString &counterFile, const QString &company, bool replace);

} // namespace serverload
} // namespace pusla
