#pragma once

#include "store/StoreConnection.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <vector>

struct sqlite3;

namespace pusla {

class AttachedFile;
class LockFile;
class SqliteStatement;

/// The one SQLite connection of a thread (opened through the QSQLITE driver).
/// Every database file the thread opens is ATTACHed to it, so that a
/// transaction can span several files with SQLite's atomic multi-file commit:
/// its main database is a private file of its own, every file runs with
/// journal_mode=DELETE and synchronous=FULL, and the busy timeout is set
/// before the first ATTACH.
class SharedConnection : public StoreConnection, public std::enable_shared_from_this<SharedConnection>
{
public:
    /// How long a statement waits for another program's lock on a file.
    static constexpr int kBusyTimeoutMs = 10000;

    /// The calling thread's connection, opened on first use; its main file is
    /// made in the folder setAnchorFolder() named, else in `anchorFolder`, and
    /// removed when the connection closes.
    static std::shared_ptr<SharedConnection> forThisThread(const QString &anchorFolder);
    /// Where connections opened from now on, on this thread, make their main
    /// file. A multi-file commit writes its super-journal beside the main
    /// file and names it by its full path in the journal of every file it
    /// writes; a terminal that finds such a journal hot after a crash rolls
    /// the files back only if it can open that super-journal. So the main
    /// file belongs in the shared data folder, which every terminal reaches
    /// under the same path, not in a terminal's own folder.
    static void setAnchorFolder(const QString &localFolder);

    ~SharedConnection();
    SharedConnection(const SharedConnection &) = delete;
    SharedConnection &operator=(const SharedConnection &) = delete;

    sqlite3 *handle() const { return m_db; }
    QSqlDatabase database() const { return m_database; }
    QString anchorPath() const { return m_anchorPath; }
    QString anchorFolder() const;

    /// Attaches a local database file, or shares the attachment that exists.
    /// Throws DbError(FileNotFound) for a missing file.
    std::shared_ptr<AttachedFile> attach(const QString &localPath);
    int attachedCount() const;

    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    /// Runs a cached statement with its values bound.
    Query query(const QString &sql, const QVariantList &params = {}) override;
    int execute(const QString &sql, const QVariantList &params = {}) override;
    qint64 insertRow(const QString &table, const QStringList &columns, const QVariantList &values) override;
    /// A write to the row as the transaction's first step on the file takes
    /// the file's write lock.
    bool lockRow(const AttachedFile &file, const QString &table, qint64 key) override;

    TableInfo tableInfo(const QString &schema, const QString &table) override;
    quint32 dataVersion(const QString &schema) override;
    qint64 totalChanges() const override;

    bool inTransaction() const override;
    /// BEGIN IMMEDIATE takes the write lock of every attached file at once.
    void begin(bool immediate) override;
    void commit() override;
    void rollback() override;

private:
    friend class AttachedFile;
    struct PendingDetach
    {
        QString alias;
        std::unique_ptr<LockFile> lock;
    };

    SharedConnection() = default;
    void open(const QString &anchorFolder);
    void release(const QString &alias, std::unique_ptr<LockFile> lock);
    void detachPending();
    void clearStatements();

    QSqlDatabase m_database;
    QString m_connectionName;
    sqlite3 *m_db = nullptr;
    QString m_anchorPath;
    std::unique_ptr<LockFile> m_anchorLock;
    QHash<QString, std::weak_ptr<AttachedFile>> m_files; // by canonical path
    std::vector<PendingDetach> m_pending;
    QHash<QString, std::shared_ptr<SqliteStatement>> m_statements;
    struct CachedTableInfo
    {
        qint64 schemaVersion = -1;
        TableInfo info;
    };
    QHash<QString, CachedTableInfo> m_tableInfo; // by "alias.table"
    int m_nextAlias = 1;
    int m_attached = 0;
};

} // namespace pusla
