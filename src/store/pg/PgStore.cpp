#include "store/pg/PgStore.h"

#include "store/AttachedFile.h"
#include "store/DbError.h"

#include <map>

namespace pusla {
namespace {

thread_local std::weak_ptr<PgStore> t_store;

// Rows a statement gave back, already read whole.
class RowsCursor : public StoreConnection::Cursor
{
public:
    explicit RowsCursor(PgRows rows)
        : m_rows(std::move(rows))
    { }

    bool next() override { return ++m_row < qsizetype(m_rows.rows.size()); }
    qint64 int64(int column) const override { return current()[column].toLongLong(); }
    QVariant value(int column) const override { return current()[column]; }
    int columnCount() const override { return int(m_rows.columns.size()); }
    QString columnName(int column) const override { return m_rows.columns.value(column); }

private:
    const QVariantList &current() const { return m_rows.rows[size_t(m_row)]; }

    PgRows m_rows;
    qsizetype m_row = -1;
};

} // namespace

std::shared_ptr<PgStore> PgStore::forThisThread(const QString &conninfo)
{
    // A session the server or the network dropped is replaced; the files
    // still held on it fail until their holders open them again.
    std::shared_ptr<PgStore> existing = t_store.lock();
    if (existing && existing->m_conninfo == conninfo && !existing->isLost())
        return existing;
    std::shared_ptr<PgStore> store(new PgStore(conninfo));
    t_store = store;
    return store;
}

std::shared_ptr<PgStore> PgStore::openOnThisThread()
{
    return t_store.lock();
}

PgStore::PgStore(const QString &conninfo)
    : m_conninfo(conninfo)
    , m_db(conninfo)
{
    m_db.exec(QStringLiteral("LISTEN pusla"));
}

PgStore::~PgStore() = default;

std::shared_ptr<AttachedFile> PgStore::attach(const QString &schema, const QString &file, const QString &localPath)
{
    const QString key = schema + u'/' + file;
    if (std::shared_ptr<AttachedFile> shared = m_files.value(key).lock())
        return shared;
    const PgRows found = m_db.exec(
        QStringLiteral("SELECT version FROM %1.pusla_files WHERE file = $1").arg(postgresName(schema)), {file});
    if (found.rows.empty())
        throw DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(localPath));
    // What the file's sets will read is this version or a later one.
    m_seenVersions.insert(key, found.value().toLongLong());
    // A file that a posting opens after it began is locked before it is
    // read, as those open at the start were.
    if (hasUserTransaction())
        lockFiles(schema, {file});
    auto attached = std::make_shared<AttachedFile>(shared_from_this(), schema, file, localPath);
    m_files.insert(key, attached);
    return attached;
}

const QString &PgStore::numbered(const QString &sql)
{
    auto found = m_numbered.find(sql);
    if (found == m_numbered.end()) {
        if (m_numbered.size() > 1024)
            m_numbered.clear();
        found = m_numbered.insert(sql, numberedParameters(sql));
    }
    return *found;
}

StoreConnection::Query PgStore::query(const QString &sql, const QVariantList &params)
{
    return Query(std::make_unique<RowsCursor>(m_db.exec(numbered(sql), params)));
}

std::vector<StoreConnection::Query> PgStore::queryAll(const std::vector<SqlText> &queries)
{
    std::vector<SqlText> statements;
    statements.reserve(queries.size());
    for (const SqlText &sql : queries)
        statements.push_back({numbered(sql.sql), sql.params});
    std::vector<Query> answers;
    answers.reserve(queries.size());
    for (PgRows &rows : m_db.execAll(statements))
        answers.emplace_back(std::make_unique<RowsCursor>(std::move(rows)));
    return answers;
}

std::vector<qint64> PgStore::queryKeys(const QString &sql, const QVariantList &params)
{
    return m_db.execKeys(numbered(sql), params);
}

int PgStore::execute(const QString &sql, const QVariantList &params)
{
    const qint64 affected = m_db.exec(numbered(sql), params).affected;
    m_changes += affected;
    m_otherChanges += affected;
    return int(affected);
}

void PgStore::count(const QString &table, qint64 rows)
{
    m_changes += rows;
    m_tableChanges[table] += rows;
}

int PgStore::write(const QString &table, const QString &sql, const QVariantList &params)
{
    // Inside a posting the files are locked and the row is there: the
    // statement goes with the next one that is waited for.
    if (hasUserTransaction()) {
        m_db.queue(numbered(sql), params);
        count(table, 1);
        return 1;
    }
    const qint64 affected = m_db.exec(numbered(sql), params).affected;
    count(table, affected);
    return int(affected);
}

qint64 PgStore::nextKey(const QString &table)
{
    // Keys are drawn a block at a time: a posting's rows need no answer each.
    std::vector<qint64> &free = m_freeKeys[table];
    if (free.empty()) {
        const PgRows drawn = m_db.exec(
            QStringLiteral(
                "SELECT nextval(pg_get_serial_sequence($1, 'id')) FROM generate_series(1, 256) ORDER BY 1 DESC"),
            {table});
        for (const QVariantList &row : drawn.rows)
            free.push_back(row[0].toLongLong());
    }
    const qint64 key = free.back();
    free.pop_back();
    return key;
}

qint64 PgStore::insertRow(const QString &table, const QStringList &columns, const QVariantList &values)
{
    if (hasUserTransaction()) {
        const qint64 key = nextKey(table);
        const QString sql = QStringLiteral("INSERT INTO %1 (id%2) OVERRIDING SYSTEM VALUE VALUES (?%3)")
                                .arg(table, columns.isEmpty() ? QString() : u", " + columns.join(u", "),
                                    QString(QStringLiteral(", ?")).repeated(columns.size()));
        m_db.queue(numbered(sql), QVariantList {key} + values);
        count(table, 1);
        return key;
    }
    const PgRows inserted = m_db.exec(
        numbered(insertStatement(table, columns) + QStringLiteral(" RETURNING id, txid_current()")), values);
    count(table, inserted.affected);
    if (inserted.rows.empty())
        return 0;
    rememberOwn(inserted.rows.front().value(1).toLongLong());
    return inserted.rows.front().value(0).toLongLong();
}

bool PgStore::lockRow(const AttachedFile &file, const QString &table, qint64 key)
{
    // An edit of its own takes the file first, as every writer of the file
    // does: never the row first and then wait for the file.
    if (!hasUserTransaction())
        lockFiles(file.alias(), {file.serverFile()});
    const PgRows locked = m_db.exec(QStringLiteral("SELECT id FROM %1 WHERE id = $1 FOR UPDATE").arg(table), {key});
    if (locked.rows.empty())
        return false;
    count(table, 1); // as the file store's lock, a write of the row
    return true;
}

void PgStore::rememberOwn(qint64 transaction)
{
    if (m_ownTransactions.size() > 4096)
        m_ownTransactions.clear(); // at worst a set is read again once
    m_ownTransactions.insert(transaction);
}

TableInfo PgStore::tableInfo(const QString &schema, const QString &table)
{
    // The books' layout does not change under a running terminal.
    const QString key = (schema + u'.' + table).toLower();
    const auto cached = m_tableInfo.constFind(key);
    if (cached != m_tableInfo.constEnd())
        return *cached;
    TableInfo info = m_db.tableInfo(schema, table);
    m_tableInfo.insert(key, info);
    return info;
}

void PgStore::takeNotifications()
{
    for (const QString &schema : m_db.takeNotifications())
        ++m_versions[schema];
}

quint32 PgStore::dataVersion(const QString &schema)
{
    takeNotifications();
    return m_versions.value(schema);
}

bool PgStore::inTransaction() const
{
    return m_db.inTransaction();
}

void PgStore::begin(bool immediate)
{
    m_db.exec(QStringLiteral("BEGIN"));
    countTransaction();
    if (!immediate)
        return;
    try {
        lockFilesInUse();
    } catch (const DbError &) {
        rollback();
        throw;
    }
}

void PgStore::lockFilesInUse()
{
    // In one order for every terminal, so that two never hold one file each
    // while waiting for the other's.
    std::map<QString, QStringList> files;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (const std::shared_ptr<AttachedFile> file = it->lock())
            files[file->alias()].append(file->serverFile());
    }
    for (const auto &[schema, names] : files)
        lockFiles(schema, names);
}

void PgStore::lockFiles(const QString &schema, QStringList files)
{
    files.sort();
    const PgRows versions = m_db.exec(QStringLiteral("SELECT file, version, txid_current() FROM %1.pusla_files "
                                                     "WHERE file = ANY($1::text[]) ORDER BY file FOR UPDATE")
                                          .arg(postgresName(schema)),
        {QString(u'{' + files.join(u',') + u'}')});
    // Notices of commits reach a session only between its transactions:
    // under the locks, the version rows tell what changed while it waited.
    bool changed = false;
    for (const QVariantList &row : versions.rows) {
        const QString key = schema + u'/' + row[0].toString();
        const qint64 version = row[1].toLongLong();
        const auto seen = m_seenVersions.constFind(key);
        if (seen == m_seenVersions.constEnd() || (*seen != version && !m_ownTransactions.contains(version)))
            changed = true;
        m_seenVersions.insert(key, version);
    }
    if (!versions.rows.empty())
        rememberOwn(versions.rows.front()[2].toLongLong());
    if (changed)
        ++m_versions[schema];
}

void PgStore::commit()
{
    if (m_db.transactionFailed()) {
        // The server would take COMMIT as ROLLBACK and say nothing.
        rollback();
        throw DbError(
            DbError::Generic, QStringLiteral("A statement of the transaction failed: nothing was committed."));
    }
    try {
        m_db.exec(QStringLiteral("COMMIT"));
    } catch (const DbError &) {
        // A commit that failed left nothing behind on the server.
        if (m_db.inTransaction())
            rollback();
        throw;
    }
    takeNotifications();
}

void PgStore::rollback()
{
    try {
        m_db.exec(QStringLiteral("ROLLBACK"));
    } catch (const DbError &) {
        // A queued statement failed before it: the rollback waited behind it.
        if (!m_db.inTransaction())
            throw;
        m_db.exec(QStringLiteral("ROLLBACK"));
    }
}

} // namespace pusla
