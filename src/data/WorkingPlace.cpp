#include "data/WorkingPlace.h"

#include "data/DatabaseFailure.h"
#include "data/Schema.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "base/PathMapper.h"
#include "store/Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace pusla {
namespace {

bool takesNewFiles(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".pusla-probe-XXXXXX")));
    return probe.open() && probe.write("x", 1) == 1 && probe.flush();
}

} // namespace

QString workingPlaceProblem(const PathMapper &paths, const QString &programFolder)
{
    const std::optional<QString> folder = paths.toLocal(programFolder);
    if (!folder || !QFileInfo(*folder).isDir())
        return QStringLiteral("Program klasörü bulunamadı: %1").arg(programFolder);
    if (!takesNewFiles(*folder))
        return QStringLiteral("Program klasörüne yazılamıyor (salt okunur ya da erişim izni yok): %1").arg(*folder);

    const QString workingList = programFolder + QLatin1Char('\\') + QString(schema::files::Temp);
    try {
        Database file = Database::open(paths, workingList);
        try {
            file.requireTable(QString(schema::StokKartlar::Table));
        } catch (const DbError &error) {
            // An empty file reads as a database without tables.
            if (error.number() != DbError::TableNotFound)
                throw;
            throw DbError(DbError::UnrecognizedFormat, error.text());
        }
        if (const std::optional<DbError> fault = Transaction::check(file, true))
            throw *fault;
    } catch (const DbError &error) {
        // Named where the administrator finds it on this machine.
        return databaseFailureReason(
            DbError(error.number(), error.text(), QDir(*folder).filePath(QString(schema::files::Temp))));
    }
    return {};
}

} // namespace pusla
