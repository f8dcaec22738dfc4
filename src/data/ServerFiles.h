#pragma once

#include <QString>
#include <QStringList>

namespace pusla {

class PgConnection;

/// A company's files on a server ("Cari", "Stok", "Fatura", "Index") as the
/// terminals share them: each has a version row in `pusla_files`. A posting
/// takes the rows of every file it writes, in name order, so that two
/// postings never hold one each while waiting for the other's; it moves the
/// versions on in the transaction that writes, so that a record set that
/// read a file knows, by its version, whether someone wrote it since.
namespace serverfiles {

/// Takes the files' write locks for the running transaction, in name order
/// whatever order they come in. Throws DbError(Locked) when another terminal
/// holds one longer than the lock timeout, DbError(ItemNotFound) for a file
/// the company does not have.
void lockFiles(PgConnection &db, const QString &company, QStringList files);

/// Moves the files' versions on: call in the transaction that wrote them,
/// after lockFiles().
void markWritten(PgConnection &db, const QString &company, const QStringList &files);

/// The file's version as last committed.
qint64 version(PgConnection &db, const QString &company, const QString &file);

} // namespace serverfiles
} // namespace pusla
