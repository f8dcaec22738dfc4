#pragma once

#include <QString>

#include <memory>

namespace pusla {

class LockFile;
class SharedConnection;
class StoreConnection;

/// One database file as this thread uses it: a file attached to the
/// thread's SQLite connection under an alias, or a file of the books that a
/// server keeps as tables of a company's schema. Data controls, direct opens
/// and ADO connections on the same file share one AttachedFile; when the
/// last of them lets go, a local file is detached and its lock file released.
class AttachedFile
{
public:
    /// A local file attached as `alias`.
    AttachedFile(std::shared_ptr<SharedConnection> connection, QString alias, QString localPath,
        std::unique_ptr<LockFile> lock, quint64 device, quint64 inode);
    /// The file `serverFile` ("Stok") of a company's schema on a server;
    /// `localPath` is where the set would keep it as a file.
    AttachedFile(std::shared_ptr<StoreConnection> server, QString schema, QString serverFile, QString localPath);
    ~AttachedFile();

    AttachedFile(const AttachedFile &) = delete;
    AttachedFile &operator=(const AttachedFile &) = delete;

    StoreConnection &connection() const { return *m_connection; }
    /// The SQLite connection of a local file; null for a server's.
    SharedConnection *sqlite() const { return m_sqlite.get(); }
    bool isOnServer() const { return !m_sqlite; }
    /// The schema name that statements put before the file's tables.
    const QString &alias() const { return m_alias; }
    /// The file's name on the server ("Stok"); empty for a local file.
    const QString &serverFile() const { return m_serverFile; }
    const QString &localPath() const { return m_localPath; }
    /// Whether the path still names the file that was attached (a copy may
    /// have replaced it).
    bool isSameFile(quint64 device, quint64 inode) const { return device == m_device && inode == m_inode; }
    /// Whether opening the file again would give this attachment: the local
    /// file was not replaced, the server's session was not lost.
    bool isCurrent() const;

private:
    std::shared_ptr<StoreConnection> m_connection;
    std::shared_ptr<SharedConnection> m_sqlite;
    QString m_alias;
    QString m_serverFile;
    QString m_localPath;
    std::unique_ptr<LockFile> m_lock;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};

} // namespace pusla
