#include "store/LockFile.h"

#include "base/PathMapper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pusla {
namespace {

// Attempts at joining a lock file that its last holder deletes meanwhile.
constexpr int kJoinAttempts = 50;

int lockFd(int fd, int operation)
{
    int rc;
    do
        rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

// The path still names the file behind fd (it was not deleted and re-made).
bool sameFile(int fd, const QByteArray &path)
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

int openExisting(const QByteArray &path)
{
    return ::open(path.constData(), O_RDWR | O_CLOEXEC);
}

// Takes the file from a crashed holder: an exclusive lock proves that nobody
// holds it; it is deleted while that lock is held.
bool removeIfStale(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = openExisting(native);
    if (fd < 0)
        return false;
    bool removed = false;
    if (lockFd(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, native))
        removed = ::unlink(native.constData()) == 0;
    ::close(fd);
    return removed;
}

} // namespace

LockFile::LockFile(const QString &lockPath)
    : m_path(lockPath)
{
    const QByteArray native = QFile::encodeName(lockPath);
    for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return;
        // The last holder deletes the file under an exclusive lock; a holder
        // that joined meanwhile finds its file unlinked and starts again.
        if (lockFd(fd, LOCK_SH) == 0 && sameFile(fd, native)) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
}

LockFile::~LockFile()
{
    if (m_fd < 0)
        return;
    const QByteArray native = QFile::encodeName(m_path);
    if (lockFd(m_fd, LOCK_EX | LOCK_NB) == 0 && sameFile(m_fd, native))
        ::unlink(native.constData());
    ::close(m_fd);
}

QString LockFile::pathFor(const QString &databaseLocalPath)
{
    const QFileInfo info(databaseLocalPath);
    const QString name = info.completeBaseName() + QStringLiteral(".ldb");
    const QDir folder = info.dir();
    const QStringList existing = folder.entryList({name}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : existing) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    }
    return folder.filePath(name);
}

bool lockFileExists(const PathMapper &mapper, const QString &windowsPathOfLdb)
{
    return mapper.fileExists(windowsPathOfLdb);
}

bool isLockFileLive(const PathMapper &mapper, const QString &windowsPathOfLdb)
{
    const std::optional<QString> local = mapper.toLocal(windowsPathOfLdb);
    if (!local)
        return false;
    const int fd = ::open(QFile::encodeName(*local).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool live = lockFd(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return live;
}

int removeStaleLockFiles(const PathMapper &mapper, const QString &windowsFolder)
{
    const std::optional<QString> folder = mapper.toLocal(windowsFolder);
    if (!folder)
        return 0;
    int removed = 0;
    for (const QString &name : mapper.listFiles(windowsFolder, QStringLiteral("*.ldb"))) {
        if (removeIfStale(QDir(*folder).filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace pusla
