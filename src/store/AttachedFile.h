#pragma once

#include <QString>

#include <memory>

namespace pusla {

class LockFile;
class SharedConnection;

/// One database file attached to this thread's shared connection under an
/// alias. Data controls, direct opens and ADO connections on the same file
/// share one AttachedFile; when the last of them lets go, the file is
/// detached and its lock file released.
class AttachedFile
{
public:
    AttachedFile(std::shared_ptr<SharedConnection> connection, QString alias, QString localPath,
        std::unique_ptr<LockFile> lock, quint64 device, quint64 inode);
    ~AttachedFile();

    AttachedFile(const AttachedFile &) = delete;
    AttachedFile &operator=(const AttachedFile &) = delete;

    SharedConnection &connection() const { return *m_connection; }
    /// The schema name that statements put before the file's tables.
    const QString &alias() const { return m_alias; }
    const QString &localPath() const { return m_localPath; }
    /// Whether the path still names the file that was attached (a copy may
    /// have replaced it).
    bool isSameFile(quint64 device, quint64 inode) const { return device == m_device && inode == m_inode; }

private:
    std::shared_ptr<SharedConnection> m_connection;
    QString m_alias;
    QString m_localPath;
    std::unique_ptr<LockFile> m_lock;
    quint64 m_device;
    quint64 m_inode;
};

} // namespace pusla
