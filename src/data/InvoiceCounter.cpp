#include "data/InvoiceCounter.h"

#include "base/DurableFile.h"
#include "base/PathMapper.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pusla {

namespace {

/// Wide enough for any real book, narrow enough for an int and a short FaturaNo.
constexpr qsizetype kMaxCounterWidth = 9;

QString failure(const QString &what, const QString &path)
{
    return QStringLiteral("Fatura numarası dosyası %1 (%2).").arg(what, path);
}

QByteArray counterRecord(const QString &counter)
{
    return '"' + counter.toLatin1() + "\"\r\n";
}

/// An open file, closed with its owner; a lock taken on it goes with it.
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    Descriptor(Descriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    Descriptor &operator=(Descriptor &&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }

private:
    int m_fd = -1;
};

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

/// The counter file, locked exclusively; not open when there is no such file.
Descriptor openLocked(const QByteArray &path, const QString &windowsPath)
{
    // Another terminal may replace the file while we wait for its lock:
    // the lock only counts when the name still leads to the locked file.
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT)
            return Descriptor();
        if (fd < 0)
            throw InvoiceCounterError(failure(QStringLiteral("açılamadı"), windowsPath));
        Descriptor file(fd);
        if (lockWhole(fd) != 0)
            throw InvoiceCounterError(failure(QStringLiteral("kilitlenemedi"), windowsPath));
        struct stat held
        {
        };
        struct stat named
        {
        };
        if (::fstat(fd, &held) != 0)
            throw InvoiceCounterError(failure(QStringLiteral("açılamadı"), windowsPath));
        if (::stat(path.constData(), &named) == 0) {
            if (held.st_ino == named.st_ino && held.st_dev == named.st_dev)
                return file;
        } else if (errno != ENOENT) {
            throw InvoiceCounterError(failure(QStringLiteral("açılamadı"), windowsPath));
        }
    }
}

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

/// The first field of a record in sequential "write" form, without blanks
/// around it: a quoted text without its quotes, or the text up to a comma or
/// the line's end.
QString firstField(const QByteArray &record)
{
    const QString text = QString::fromLatin1(record).trimmed();
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype end = text.indexOf(QLatin1Char('"'), 1);
        return (end < 0 ? text.mid(1) : text.mid(1, end - 1)).trimmed();
    }
    qsizetype end = text.size();
    for (QChar stop : {QLatin1Char(','), QLatin1Char('\r'), QLatin1Char('\n')}) {
        const qsizetype at = text.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    return text.left(end).trimmed();
}

enum class Creation { Created, AlreadyThere, Failed };

/// Puts a counter file holding `data` where there was none. The file appears
/// whole, by a link to a written copy, which fails when another terminal got
/// there first; an empty counter file is never seen.
Creation createHolding(const QString &path, const QByteArray &data)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray copy = writeCopy(target, data);
    if (copy.isEmpty())
        return Creation::Failed;
    const int rc = ::link(copy.constData(), target.constData());
    const int linkError = errno;
    ::unlink(copy.constData());
    if (rc == 0) {
        syncFolderOf(path);
        return Creation::Created;
    }
    if (linkError == EEXIST)
        return Creation::AlreadyThere;

    // A file system without hard links: create it exclusively and write in place.
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? Creation::AlreadyThere : Creation::Failed;
    const bool written = writeAll(fd, data) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        ::unlink(target.constData());
        return Creation::Failed;
    }
    syncFolderOf(path);
    return Creation::Created;
}

/// The first counter after `previous` whose invoice number is not in the books.
QString firstFree(const QString &previous, const InvoiceCounterTaken &isTaken, const QString &windowsPath)
{
    const std::optional<QString> counter = nextFreeCounter(previous, isTaken);
    if (!counter)
        throw InvoiceCounterError(QStringLiteral("Fatura sayacı son değerine ulaştı: %1").arg(windowsPath));
    return *counter;
}

} // namespace

bool isCounter(const QString &text)
{
    return !text.isEmpty() && text.size() <= kMaxCounterWidth
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

std::optional<QString> nextFreeCounter(const QString &previous, const InvoiceCounterTaken &isTaken)
{
    std::optional<QString> counter = nextCounter(previous);
    while (counter && isTaken && isTaken(*counter))
        counter = nextCounter(*counter);
    return counter;
}

std::optional<QString> nextCounter(const QString &previous)
{
    const QString digits = previous.trimmed();
    if (!isCounter(digits))
        return std::nullopt;
    const QString next = QString::number(digits.toInt() + 1);
    const QString counter = QString(qMax<qsizetype>(0, digits.size() - next.size()), QLatin1Char('0')) + next;
    if (counter.size() > kMaxCounterWidth)
        return std::nullopt;
    return counter;
}

QString drawInvoiceCounter(
    const PathMapper &mapper, const QString &counterFileWindowsPath, const InvoiceCounterTaken &isTaken)
{
    const std::optional<QString> local = mapper.toLocal(counterFileWindowsPath);
    if (!local)
        throw InvoiceCounterError(failure(QStringLiteral("bulunamadı"), counterFileWindowsPath));
    const QByteArray path = QFile::encodeName(*local);

    for (;;) {
        const Descriptor file = openLocked(path, counterFileWindowsPath);
        if (!file.isOpen()) {
            if (!QFileInfo(*local).absoluteDir().exists())
                throw InvoiceCounterError(failure(QStringLiteral("bulunamadı"), counterFileWindowsPath));
            // Nothing to lock yet: whoever creates the file first has drawn,
            // the others draw again from what it holds.
            const QString counter = firstFree(QStringLiteral("00000"), isTaken, counterFileWindowsPath);
            const Creation created = createHolding(*local, counterRecord(counter));
            if (created == Creation::Created)
                return counter;
            if (created == Creation::Failed)
                throw InvoiceCounterError(failure(QStringLiteral("yazılamadı"), counterFileWindowsPath));
            continue;
        }

        const std::optional<QByteArray> contents = readAll(file.get());
        if (!contents)
            throw InvoiceCounterError(failure(QStringLiteral("okunamadı"), counterFileWindowsPath));
        const QString previous = firstField(*contents);
        if (!isCounter(previous))
            throw InvoiceCounterError(QStringLiteral("Fatura sayaç dosyası bozuk: %1").arg(counterFileWindowsPath));
        const QString counter = firstFree(previous, isTaken, counterFileWindowsPath);
        if (!replaceContents(*local, counterRecord(counter)))
            throw InvoiceCounterError(failure(QStringLiteral("yazılamadı"), counterFileWindowsPath));
        return counter;
    }
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
