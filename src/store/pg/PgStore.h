#pragma once

#include "store/StoreConnection.h"
#include "store/pg/PgConnection.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

namespace pusla {

class AttachedFile;

/// The thread's session with the server that keeps the books, as the record
/// sets, direct opens and transactions use it.
///
/// A file of a set is the tables of one company's schema ("01") that it
/// holds, named by its version row in `pusla_files` ("Stok"). Every commit
/// that writes a company's tables notifies the terminals listening on
/// "pusla" with the schema's name: the count of those notifications is the
/// schema's data version, read off the socket without a round trip. A
/// transaction that begin(true) opens takes the version rows of every file
/// in use, in schema and name order, as the file store's write locks.
class PgStore : public StoreConnection, public std::enable_shared_from_this<PgStore>
{
public:
    /// The calling thread's session with `conninfo`, opened on first use (a
    /// session with another server replaces it for new opens). Throws
    /// DbError(CannotOpen) when the server cannot be reached.
    static std::shared_ptr<PgStore> forThisThread(const QString &conninfo);
    /// The thread's session if one is open: a transaction joins it.
    static std::shared_ptr<PgStore> openOnThisThread();

    ~PgStore() override;

    /// The file `file` ("Stok") of the company schema `schema`, shared with
    /// the other holders on the thread. Throws DbError(FileNotFound) when the
    /// schema has no such file.
    std::shared_ptr<AttachedFile> attach(const QString &schema, const QString &file, const QString &localPath);

    PgConnection &session() { return m_db; }
    const QString &conninfo() const { return m_conninfo; }

    SqlDialect dialect() const override { return SqlDialect::Postgres; }
    bool isLost() const override { return m_db.isLost(); }
    bool locksFilesOnOpen() const override { return true; }
    Query query(const QString &sql, const QVariantList &params = {}) override;
    std::vector<Query> queryAll(const std::vector<SqlText> &queries) override;
    std::vector<qint64> queryKeys(const QString &sql, const QVariantList &params = {}) override;
    int execute(const QString &sql, const QVariantList &params = {}) override;
    qint64 insertRow(const QString &table, const QStringList &columns, const QVariantList &values) override;
    int write(const QString &table, const QString &sql, const QVariantList &params) override;
    bool lockRow(const AttachedFile &file, const QString &table, qint64 key) override;

    TableInfo tableInfo(const QString &schema, const QString &table) override;
    quint32 dataVersion(const QString &schema) override;
    qint64 totalChanges() const override { return m_changes; }
    qint64 changesTo(const QString &table) const override { return m_tableChanges.value(table) + m_otherChanges; }

    bool inTransaction() const override;
    void begin(bool immediate) override;
    void commit() override;
    void rollback() override;

private:
    explicit PgStore(const QString &conninfo);
    /// `sql` with its `?` marks numbered, remembered by its text.
    const QString &numbered(const QString &sql);
    void takeNotifications();
    void lockFilesInUse();
    /// Takes a schema's version rows of `files`; a version that another
    /// terminal's commit stamped since this session last saw it moves the
    /// schema's data version on.
    void lockFiles(const QString &schema, QStringList files);
    void rememberOwn(qint64 transaction);

    QString m_conninfo;
    PgConnection m_db;
    void count(const QString &table, qint64 rows);
    /// A key for a new row of `table`, from a block drawn from its identity.
    qint64 nextKey(const QString &table);

    qint64 m_changes = 0;
    // Rows changed by writes of a known table, and by statements of any.
    QHash<QString, qint64> m_tableChanges;
    qint64 m_otherChanges = 0;
    QHash<QString, quint32> m_versions; // by schema
    // The version row of each file as last seen under its lock, and the
    // transactions of this session that may have stamped one since.
    QHash<QString, qint64> m_seenVersions; // by "schema/file"
    QSet<qint64> m_ownTransactions;
    QHash<QString, QString> m_numbered;
    QHash<QString, TableInfo> m_tableInfo;
    QHash<QString, std::vector<qint64>>
        m_freeKeys; // by table, drawn and not used yet // by "schema.table" in lower case
    QHash<QString, std::weak_ptr<AttachedFile>> m_files; // by "schema/file"
};

} // namespace pusla
