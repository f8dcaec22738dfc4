#pragma once

#include <QString>

namespace pusla {

class PathMapper;

/// The engine's lock file beside an open database file: `Temp.ldb` beside
/// `Temp.Mdb`. It exists while any holder, in this process or another, keeps
/// the database open, and the last holder to close removes it.
///
/// Every holder keeps a shared OS lock (flock) on the file; that is how a
/// lock file left behind by a crashed program is told apart from a live one.
class LockFile
{
public:
    /// Creates (or joins) the lock file at `lockPath` and holds it. A folder
    /// that cannot take the file leaves the holder empty rather than failing
    /// the open, as a read-only share would.
    explicit LockFile(const QString &lockPath);
    ~LockFile();

    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    /// The lock file of a database file: the same name with ".ldb" for its
    /// extension (an existing one is found whatever its case).
    static QString pathFor(const QString &databaseLocalPath);

    const QString &path() const { return m_path; }
    bool isHeld() const { return m_fd >= 0; }

private:
    QString m_path;
    int m_fd = -1;
};

/// Whether the file exists, live or stale (the test the selection and the
/// server role make before they replace a local database).
bool lockFileExists(const PathMapper &mapper, const QString &windowsPathOfLdb);

/// Whether a program holds the lock file: false when it is absent or stale.
bool isLockFileLive(const PathMapper &mapper, const QString &windowsPathOfLdb);

/// Deletes the `*.ldb` files of a folder (names matched without regard to
/// case) that no program holds; a live one stays, as a file in use could not
/// be deleted. Returns how many were deleted.
int removeStaleLockFiles(const PathMapper &mapper, const QString &windowsFolder);

} // namespace pusla
