#include "data/ServerFiles.h"

#include "data/ServerSchema.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

namespace pusla::serverfiles {

namespace {

QString table(const QString &company)
{
    return serverschema::quoted(company) + QStringLiteral(".pusla_files");
}

} // namespace

void lockFiles(PgConnection &db, const QString &company, QStringList files)
{
    files.sort();
    files.removeDuplicates();
    // One statement, its rows locked in the order of the sort.
    const PgRows locked = db.exec(
        QStringLiteral("SELECT file FROM %1 WHERE file = ANY(string_to_array($1, ',')) ORDER BY file FOR UPDATE")
            .arg(table(company)),
        {files.join(u',')});
    if (locked.rows.size() != size_t(files.size()))
        throw DbError(DbError::ItemNotFound,
            QStringLiteral("The company %1 has not every one of the files %2.").arg(company, files.join(u',')));
}

void markWritten(PgConnection &db, const QString &company, const QStringList &files)
{
    db.exec(QStringLiteral("UPDATE %1 SET version = version + 1 WHERE file = ANY(string_to_array($1, ','))")
                .arg(table(company)),
        {files.join(u',')});
}

qint64 version(PgConnection &db, const QString &company, const QString &file)
{
    const PgRows found = db.exec(QStringLiteral("SELECT version FROM %1 WHERE file = $1").arg(table(company)), {file});
    if (found.rows.empty())
        throw DbError(DbError::ItemNotFound, QStringLiteral("The company %1 has no file %2.").arg(company, file));
    return found.value().toLongLong();
}

} // namespace pusla::serverfiles
