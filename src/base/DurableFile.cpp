#include "base/DurableFile.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace pusla {

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

void syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

QByteArray writeCopy(const QByteArray &target, const QByteArray &data)
{
    static std::atomic<unsigned> sequence {0};
    const QByteArray copy
        = target + ".tmp" + QByteArray::number(qint64(::getpid())) + '.' + QByteArray::number(++sequence);
    const int fd = ::open(copy.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return {};
    const bool written = writeAll(fd, data) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        ::unlink(copy.constData());
        return {};
    }
    return copy;
}

bool replaceContents(const QString &path, const QByteArray &data)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray copy = writeCopy(target, data);
    if (copy.isEmpty())
        return false;
    if (::rename(copy.constData(), target.constData()) != 0) {
        ::unlink(copy.constData());
        return false;
    }
    syncFolderOf(path);
    return true;
}

} // namespace pusla
