#include "ServerSet.h"

#include "data/ServerBooks.h"
#include "data/ServerLoad.h"
#include "data/ServerSchema.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

#include <QDir>
#include <QFile>

namespace pusla::harness {

namespace {

QStringList companies(const QDir &data)
{
    QStringList codes;
    for (const QString &file : data.entryList({QStringLiteral("??Cari.mdb")}, QDir::Files))
        codes << file.left(2);
    return codes;
}

} // namespace

QString moveSetToServer(const QString &dataDirectory, const QString &conninfo)
{
    const QDir data(dataDirectory);
    try {
        PgConnection db(conninfo);
        serverschema::checkDatabase(db);
        for (const QString &company : companies(data)) {
            const serverload::LoadResult loaded = serverload::loadCompany(
                db, data.filePath(company), data.filePath(QStringLiteral("FatNo.txt")), company, true);
            if (!loaded.ok)
                return company + QStringLiteral(": ") + loaded.errorText;
        }
    } catch (const DbError &error) {
        return error.text();
    }
    return removeSetFiles(dataDirectory);
}

QString removeSetFiles(const QString &dataDirectory)
{
    const QDir data(dataDirectory);
    for (const QString &file : data.entryList({QStringLiteral("*.mdb")}, QDir::Files)) {
        if (!QFile::remove(data.filePath(file)))
            return QStringLiteral("cannot remove ") + file;
    }
    return {};
}

QString cutTerminalConnections(const QString &conninfo)
{
    try {
        PgConnection(conninfo).exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                                   "WHERE application_name = 'pusla' AND pid <> pg_backend_pid()"));
    } catch (const DbError &error) {
        return error.text();
    }
    return {};
}

QString bringSetBack(const QString &dataDirectory, const QString &conninfo)
{
    const QDir data(dataDirectory);
    try {
        PgConnection db(conninfo);
        QString counter;
        for (const QString &company : serverbooks::companies(db)) {
            for (const auto &[kind, file] : serverschema::kCompanyFiles) {
                const QString name = QString(file).chopped(4);
                const QString target = data.filePath(company + QString(file));
                QFile::remove(target);
                serverbooks::exportFile(ServerFile {conninfo, company, name}, target);
            }
            const QString value = db.exec(QStringLiteral("SELECT value FROM %1.pusla_counter WHERE name = 'FatNo'")
                                              .arg(serverschema::quoted(company)))
                                      .value()
                                      .toString();
            if (value.toLongLong() > counter.toLongLong())
                counter = value;
        }
        if (!counter.isEmpty() && counter.toLongLong() > 0) {
            QFile file(data.filePath(QStringLiteral("FatNo.txt")));
            if (!file.open(QIODevice::WriteOnly) || file.write("\"" + counter.toLatin1() + "\"\r\n") < 0)
                return QStringLiteral("cannot write FatNo.txt");
        }
    } catch (const DbError &error) {
        return error.text();
    }
    return {};
}

} // namespace pusla::harness
