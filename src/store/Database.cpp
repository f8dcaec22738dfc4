#include "store/Database.h"

#include "base/PathMapper.h"
#include "base/TextFold.h"
#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/ServerRoute.h"
#include "store/SharedConnection.h"
#include "store/pg/PgStore.h"

#include <QFileInfo>

#include <algorithm>
#include <sqlite3.h>

namespace pusla {

std::shared_ptr<AttachedFile> Database::attachFile(const PathMapper &mapper, const QString &windowsPath)
{
    const std::optional<QString> local = mapper.toLocal(windowsPath);
    if (!local)
        throw DbError(DbError::InvalidPath, QStringLiteral("'%1' is not a valid path.").arg(windowsPath));
    if (const std::optional<ServerFile> server = serverFileFor(*local))
        return PgStore::forThisThread(server->conninfo)->attach(server->schema, server->file, *local);
    if (!QFileInfo::exists(*local))
        throw DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(windowsPath));
    return SharedConnection::forThisThread(mapper.paths().programFolder)->attach(*local);
}

Database Database::open(const PathMapper &mapper, const QString &windowsPath)
{
    return Database(attachFile(mapper, windowsPath));
}

Database Database::sharing(std::shared_ptr<AttachedFile> file)
{
    return Database(std::move(file));
}

Database::Database(std::shared_ptr<AttachedFile> file)
    : m_file(std::move(file))
{ }

Database::~Database() = default;

QString Database::localPath() const
{
    return m_file ? m_file->localPath() : QString();
}

void Database::requireOpen() const
{
    if (!m_file)
        throw DbError(
            DbError::ObjectClosed, QStringLiteral("Object invalid or no longer set: the database is closed."));
}

void Database::requireLocal() const
{
    requireOpen();
    if (m_file->isOnServer())
        throw DbError(DbError::Generic,
            QStringLiteral("'%1' is kept on the server: its indexes and cache are the server's.").arg(localPath()));
}

void Database::requireTable(const QString &table) const
{
    requireOpen();
    m_file->connection().tableInfo(m_file->alias(), table);
}

int Database::execute(const QString &statement)
{
    requireOpen();
    StoreConnection &db = m_file->connection();
    const QString alias = m_file->alias();
    const SqlText sql = translateStatement(
        statement, alias, [&db, &alias](const QString &table) { return db.tableInfo(alias, table); }, db.dialect());
    return db.execute(sql.sql, sql.params);
}

int Database::appendRows(
    const QString &table, const Database &source, const QString &sourceTable, const QString &criteria)
{
    requireOpen();
    source.requireOpen();
    StoreConnection &db = m_file->connection();
    StoreConnection &from = source.m_file->connection();
    const TableInfo fromInfo = from.tableInfo(source.m_file->alias(), sourceTable);
    const TableInfo target = db.tableInfo(m_file->alias(), table);
    const SqlText condition
        = criteria.trimmed().isEmpty() ? SqlText() : translateCriteria(criteria, fromInfo, -1, from.dialect());
    const QString rows = from.qualifiedTable(source.m_file->alias(), fromInfo.name)
        + (condition.isEmpty() ? QString() : QStringLiteral(" WHERE (%1)").arg(condition.sql));

    QStringList targetColumns;
    QStringList sourceColumns;
    for (const TableColumn &column : fromInfo.columns) {
        if (column.generated)
            continue; // the server's key and stored sort keys are not fields
        const int index = target.indexOf(column.name);
        if (index < 0) {
            // Field by field the very first row would fail on it.
            StoreConnection::Query any
                = from.query(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(rows), condition.params);
            if (!any.next())
                return 0;
            throw DbError(DbError::ItemNotFound,
                QStringLiteral("Item not found in this collection: field '%1'.").arg(column.name));
        }
        targetColumns.append(db.quotedName(target.columns[size_t(index)].name));
        sourceColumns.append(from.quotedName(column.name));
    }
    const QString into = db.qualifiedTable(m_file->alias(), target.name);
    const QString select
        = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(sourceColumns.join(u", "), rows, from.keyColumn());
    if (&from == &db)
        return db.execute(
            QStringLiteral("INSERT INTO %1 (%2) ").arg(into, targetColumns.join(u", ")) + select, condition.params);

    // A server's rows into a local file: read in stored order and added one
    // by one (in the caller's transaction, if any).
    StoreConnection::Query read = from.query(select, condition.params);
    int appended = 0;
    for (; read.next(); ++appended) {
        QVariantList values;
        for (int i = 0; i < read.columnCount(); ++i)
            values.append(read.value(i));
        db.insertRow(into, targetColumns, values);
    }
    return appended;
}

void Database::dropIndex(const QString &indexName)
{
    requireLocal();
    m_file->connection().execute(QStringLiteral("DROP INDEX IF EXISTS %1.\"%2\"").arg(m_file->alias(), indexName));
}

bool Database::hasIndex(const QString &indexName) const
{
    requireLocal();
    StoreConnection::Query found = m_file->connection().query(
        QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE type = 'index' AND name = ? COLLATE NOCASE")
            .arg(m_file->alias()),
        {indexName});
    return found.next();
}

bool Database::tryCreateIndex(const QString &indexName, const QString &table, const QString &expression)
{
    requireLocal();
    SharedConnection &db = *m_file->sqlite();
    if (db.inTransaction() || db.hasUserTransaction())
        return false;
    // Another terminal posting into a set file holds it for a while: the
    // index can wait for the next open, the operator cannot.
    sqlite3_busy_timeout(db.handle(), 0);
    bool made = true;
    try {
        db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1.%2 ON %3 (%4)")
                       .arg(m_file->alias(), sqlName(indexName), sqlName(table), expression));
    } catch (const DbError &) {
        made = false;
    }
    sqlite3_busy_timeout(db.handle(), SharedConnection::kBusyTimeoutMs);
    return made;
}

int Database::cacheSize() const
{
    requireLocal();
    StoreConnection &db = m_file->connection();
    StoreConnection::Query size = db.query(QStringLiteral("PRAGMA %1.cache_size").arg(m_file->alias()));
    const qint64 value = size.next() ? size.int64(0) : 0;
    if (value <= 0)
        return int(-value);
    // A positive size counts pages.
    StoreConnection::Query page = db.query(QStringLiteral("PRAGMA %1.page_size").arg(m_file->alias()));
    return int(value * (page.next() ? page.int64(0) : 4096) / 1024);
}

void Database::setCacheSize(int kibibytes)
{
    requireLocal();
    m_file->connection().execute(
        QStringLiteral("PRAGMA %1.cache_size=-%2").arg(m_file->alias()).arg(std::max(kibibytes, 1)));
}

void Database::createKeyTableIfMissing(const QString &table, const QStringList &fields)
{
    requireOpen();
    if (m_file->isOnServer()) {
        requireTable(table); // the server's layout has it from the start
        return;
    }
    QStringList columns;
    for (const QString &field : fields)
        columns.append(
            sqlName(field) + (columns.isEmpty() ? QStringLiteral(" TEXT PRIMARY KEY") : QStringLiteral(" TEXT")));
    StoreConnection &db = m_file->connection();
    db.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1.%2 (%3)")
                   .arg(m_file->alias(), sqlName(table), columns.join(QStringLiteral(", "))));
    // Criteria compare texts without regard to case, through the fold: the
    // key is found by an index on the folded key, not by a scan.
    db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1.%2 ON %3 (%4)")
                   .arg(m_file->alias(), sqlName(QStringLiteral("ix_%1_%2_fold").arg(table, fields.first())),
                       sqlName(table), foldSqlExpression(sqlName(fields.first()))));
}

std::unique_ptr<Recordset> Database::openRecordset(const QString &tableOrQuery)
{
    requireOpen();
    auto recordset = std::make_unique<Recordset>();
    recordset->open(m_file, tableOrQuery);
    return recordset;
}

void Database::close()
{
    m_file.reset();
}

} // namespace pusla
