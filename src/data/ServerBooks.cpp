#include "data/ServerBooks.h"

#include "base/PathMapper.h"
#include "data/Schema.h"
#include "data/SchemaDdl.h"
#include "data/ServerCounter.h"
#include "data/ServerSchema.h"
#include "data/StoreSettings.h"
#include "store/DbError.h"
#include "store/pg/PgStore.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace pusla::serverbooks {

using namespace schema;

namespace {

// Rows read from the server at a time while a file is exported.
constexpr int kFetchRows = 2000;

std::optional<DatabaseKind> kindOf(const QString &file)
{
    for (const auto &[kind, name] : serverschema::kCompanyFiles) {
        if (QString(name).chopped(4) == file)
            return kind;
    }
    return std::nullopt;
}

[[noreturn]] void failed(const QSqlQuery &query, const QString &file)
{
    throw DbError(DbError::Generic, query.lastError().text(), file);
}

void exportTable(PgConnection &server, const QString &schemaName, const QString &table, const QStringList &fileColumns,
    QSqlDatabase &file)
{
    QStringList serverColumns;
    for (const QString &column : fileColumns)
        serverColumns << serverschema::quoted(column);
    QSqlQuery insert(file);
    const QStringList marks(fileColumns.size(), QStringLiteral("?"));
    if (!insert.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, fileColumns.join(u','), marks.join(u','))))
        failed(insert, file.databaseName());
    server.exec(QStringLiteral("DECLARE export NO SCROLL CURSOR FOR SELECT %1 FROM %2.%3 ORDER BY id")
                    .arg(serverColumns.join(u','), serverschema::quoted(schemaName), serverschema::quoted(table)));
    for (;;) {
        const PgRows rows = server.exec(QStringLiteral("FETCH %1 FROM export").arg(kFetchRows));
        for (const QVariantList &row : rows.rows) {
            for (qsizetype i = 0; i < row.size(); ++i)
                insert.bindValue(int(i), row[i]);
            if (!insert.exec())
                failed(insert, file.databaseName());
        }
        if (rows.rows.size() < size_t(kFetchRows))
            break;
    }
    server.exec(QStringLiteral("CLOSE export"));
}

} // namespace

std::optional<ServerFile> fileAt(const QString &localPath, const QString &conninfo)
{
    static const QRegularExpression companyFile(
        QStringLiteral("^(.{2})(cari|stok|fatura|index)\\.mdb$"), QRegularExpression::CaseInsensitiveOption);
    const QFileInfo info(localPath);
    if (QFileInfo(info.absolutePath()).fileName().compare(u"MuhasebeData", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QRegularExpressionMatch match = companyFile.match(info.fileName());
    if (!match.hasMatch())
        return std::nullopt;
    QString file = match.captured(2).toLower();
    file[0] = file[0].toUpper();
    return ServerFile {conninfo, match.captured(1), file};
}

void route(const StoreSettings &settings)
{
    if (settings.kind != StoreSettings::Kind::Postgres || !settings.problem.isEmpty()) {
        setServerRoute({});
        return;
    }
    setServerRoute([conninfo = settings.conninfo](const QString &local) { return fileAt(local, conninfo); });
}

QStringList companies(PgConnection &server)
{
    QStringList codes;
    const PgRows schemas
        = server.exec(QStringLiteral("SELECT nspname FROM pg_namespace n WHERE EXISTS (SELECT 1 FROM pg_tables "
                                     "WHERE schemaname = n.nspname AND tablename = 'pusla_files') ORDER BY 1"));
    for (const QVariantList &row : schemas.rows)
        codes << row[0].toString();
    return codes;
}

QStringList listFiles(const PathMapper &mapper, const QString &windowsFolder, const QString &pattern)
{
    const std::optional<QString> folder = mapper.toLocal(windowsFolder);
    // Any company file of the folder says whether a server keeps them.
    const std::optional<ServerFile> probe
        = folder ? serverFileFor(*folder + QStringLiteral("/00Stok.mdb")) : std::nullopt;
    if (!probe)
        return mapper.listFiles(windowsFolder, pattern);
    const QRegularExpression wanted(
        QRegularExpression::wildcardToRegularExpression(pattern), QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    try {
        for (const QString &company : companies(PgStore::forThisThread(probe->conninfo)->session())) {
            for (const auto &[kind, file] : serverschema::kCompanyFiles) {
                const QString name = company + QString(file);
                if (wanted.match(name).hasMatch())
                    names << name;
            }
        }
    } catch (const DbError &) {
        return {}; // as a folder that cannot be read
    }
    names.sort();
    return names;
}

bool exists(const PathMapper &mapper, const QString &windowsPath)
{
    const std::optional<QString> local = mapper.toLocal(windowsPath);
    if (!local)
        return false;
    const std::optional<ServerFile> server = serverFileFor(*local);
    if (!server)
        return QFileInfo(*local).isFile();
    try {
        PgStore::forThisThread(server->conninfo)->attach(server->schema, server->file, *local);
        return true;
    } catch (const DbError &) {
        return false;
    }
}

QString drawInvoiceCounter(const PathMapper &mapper, const QString &dataPath, const InvoiceCounterTaken &isTaken)
{
    const std::optional<QString> invoices = mapper.toLocal(dataPath + QString(files::Fatura));
    const std::optional<ServerFile> server = invoices ? serverFileFor(*invoices) : std::nullopt;
    if (!server)
        return pusla::drawInvoiceCounter(mapper, dataPath.left(dataPath.size() - 2) + QString(files::FatNo), isTaken);
    try {
        std::shared_ptr<PgStore> store = PgStore::forThisThread(server->conninfo);
        if (store->inTransaction())
            throw InvoiceCounterError(QStringLiteral("Fatura numarası bir kaydın ortasında alınamaz."));
        return drawServerInvoiceCounter(store->session(), server->schema, isTaken);
    } catch (const DbError &error) {
        throw InvoiceCounterError(QStringLiteral("Fatura numarası sunucudan alınamadı: %1").arg(error.text()));
    }
}

void exportFile(const ServerFile &file, const QString &localTarget)
{
    const std::optional<DatabaseKind> kind = kindOf(file.file);
    if (!kind)
        throw DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(file.file));
    QString errorText;
    if (!createDatabaseFile(localTarget, *kind, &errorText))
        throw DbError(DbError::Generic, errorText, localTarget);
    try {
        PgConnection server(file.conninfo);
        ScopedConnection connection(localTarget);
        if (!connection.open(&errorText))
            throw DbError(DbError::Generic, errorText, localTarget);
        QSqlDatabase &target = connection.database();
        // One snapshot of the server, one commit of the file.
        server.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        target.transaction();
        for (const TableLayout &table : tableLayouts(*kind)) {
            QStringList columns;
            for (const Column &column : table.columns)
                columns << QString(column.name);
            exportTable(server, file.schema, QString(table.name), columns, target);
        }
        if (*kind == DatabaseKind::Index) {
            // The posted documents' keys, in the table the posting makes in a file.
            const QStringList keys {QString(PuslaKayit::Anahtar), QString(PuslaKayit::Tarih)};
            QSqlQuery create(target);
            if (!create.exec(QStringLiteral("CREATE TABLE %1 (%2 TEXT PRIMARY KEY, %3 TEXT)")
                                 .arg(QString(PuslaKayit::Table), keys[0], keys[1])))
                failed(create, localTarget);
            exportTable(server, file.schema, QString(PuslaKayit::Table), keys, target);
        }
        if (!target.commit())
            throw DbError(DbError::Generic, target.lastError().text(), localTarget);
        server.exec(QStringLiteral("COMMIT"));
    } catch (const DbError &) {
        QFile::remove(localTarget);
        throw;
    }
}

} // namespace pusla::serverbooks
