#include "data/InvoiceCounter.h"

#include "platform/PathMapper.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pusla {

namespace {

QString failure(const QString &what, const QString &path)
{
    return QStringLiteral("Fatura numarası dosyası %1 (%2).").arg(what, path);
}

/// Waits for an exclusive lock of the whole file. Some network file systems
/// refuse flock(); they take a POSIX record lock over the whole file instead
/// (every terminal on such a mount then takes the same kind).
int lockWhole(int fd)
{
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0 || (errno != EOPNOTSUPP && errno != ENOLCK && errno != EINVAL && errno != ENOSYS))
        return rc;
    struct flock whole
    {
    };
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    do {
        rc = ::fcntl(fd, F_SETLKW, &whole);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

/// The file descriptor of the counter file, locked exclusively; the lock
/// goes with the descriptor.
class LockedCounterFile
{
public:
    explicit LockedCounterFile(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        // Another terminal may replace the file while we wait for its lock:
        // the lock only counts when the name still leads to the locked file.
        for (;;) {
            m_fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (m_fd < 0)
                throw InvoiceCounterError(failure(QStringLiteral("açılamadı"), path));
            const int rc = lockWhole(m_fd);
            struct stat held
            {
            };
            struct stat named
            {
            };
            if (rc == 0 && ::fstat(m_fd, &held) == 0 && ::stat(m_path.constData(), &named) == 0
                && held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
                return;
            }
            ::close(m_fd);
            m_fd = -1;
            if (rc != 0)
                throw InvoiceCounterError(failure(QStringLiteral("kilitlenemedi"), path));
        }
    }
    ~LockedCounterFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LockedCounterFile(const LockedCounterFile &) = delete;
    LockedCounterFile &operator=(const LockedCounterFile &) = delete;

    int fd() const { return m_fd; }

private:
    QByteArray m_path;
    int m_fd = -1;
};

std::optional<QByteArray> readAll(int fd)
{
    QByteArray contents;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return contents;
        contents.append(buffer, got);
    }
}

/// The first field of a record in sequential "write" form: a quoted text
/// without its quotes, or the text up to a comma or the line's end.
QString firstField(const QByteArray &record)
{
    const QString text = QString::fromLatin1(record).trimmed();
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype end = text.indexOf(QLatin1Char('"'), 1);
        return end < 0 ? text.mid(1) : text.mid(1, end - 1);
    }
    qsizetype end = text.size();
    for (QChar stop : {QLatin1Char(','), QLatin1Char('\r'), QLatin1Char('\n')}) {
        const qsizetype at = text.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    return text.left(end).trimmed();
}

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

/// Replaces the file by a rename of a fully written and synced copy.
bool replaceContents(const QString &path, const QByteArray &data)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".tmp" + QByteArray::number(qint64(::getpid()));
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, data) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace

QString nextCounter(const QString &previous)
{
    bool ok = false;
    const qulonglong value = previous.trimmed().toULongLong(&ok);
    const QString digits = QString::number(ok ? value + 1 : 1);
    return QString(qMax<qsizetype>(0, previous.size() - digits.size()), QLatin1Char('0')) + digits;
}

QString drawInvoiceCounter(const PathMapper &mapper, const QString &counterFileWindowsPath)
{
    const std::optional<QString> local = mapper.toLocal(counterFileWindowsPath);
    if (!local)
        throw InvoiceCounterError(failure(QStringLiteral("bulunamadı"), counterFileWindowsPath));

    LockedCounterFile file(*local);
    const std::optional<QByteArray> contents = readAll(file.fd());
    if (!contents)
        throw InvoiceCounterError(failure(QStringLiteral("okunamadı"), counterFileWindowsPath));
    // A file without a record (one that a crash left just created) counts as missing.
    const QString previous = contents->trimmed().isEmpty() ? QStringLiteral("00000") : firstField(*contents);
    const QString counter = nextCounter(previous);
    if (!replaceContents(*local, '"' + counter.toLatin1() + "\"\r\n"))
        throw InvoiceCounterError(failure(QStringLiteral("yazılamadı"), counterFileWindowsPath));
    return counter;
}

QString ShiftChars(const QString &text)
{
    QString shifted = text;
    for (QChar &c : shifted) {
        if (c.unicode() < 0xFF)
            c = QChar(c.unicode() + 1);
    }
    return shifted;
}

} // namespace pusla
