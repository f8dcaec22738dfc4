#pragma once

#include "support/DbTestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace pusla::test {

/// Ways to spoil a file or a folder as a machine in the field does, and to
/// put it back whatever way the test ends.

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A file replaced: the new one is what the next open finds.
inline void replaceFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path + QStringLiteral(".new"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ASSERT_TRUE(::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) == 0);
}

inline bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

inline bool isWritable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

/// A file or folder that the program's account cannot write: read-only, and
/// immutable where the account is root, which writes whatever the mode says.
/// False when this machine cannot make it so.
inline bool makeUnwritable(const QString &path)
{
    QFile::setPermissions(path, QFile::permissions(path)
            & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther));
    if (isWritable(path))
        setImmutable(path, true);
    return !isWritable(path);
}

inline void makeWritable(const QString &path)
{
    setImmutable(path, false);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner | QFile::WriteUser);
}

/// One way a database file goes wrong, and the reason the operator is given.
struct Spoiler
{
    const char *name;
    const char *reason;
    // False when this machine cannot spoil the file so.
    bool (*spoil)(const QString &path);
};

inline const Spoiler kMissing{"Missing", "bulunamadı", [](const QString &path) { return QFile::remove(path); }};
inline const Spoiler kNotADatabase{"NotADatabase", "bozuk ya da bir veritabanı değil", [](const QString &path) {
    // Written over where it stands, as a program that took it for a text file would.
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("Stok kartları\r\n") > 0;
}};
inline const Spoiler kEmpty{"Empty", "bozuk ya da bir veritabanı değil", [](const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}};
inline const Spoiler kDamagedPage{"DamagedPage", "bozuk ya da bir veritabanı değil", [](const QString &path) {
    // The stock table's first page overwritten, the file's header intact.
    const qsizetype page = cliValue(path, QStringLiteral("PRAGMA page_size")).toInt();
    const qsizetype root
        = cliValue(path, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='StokKartlar'")).toInt();
    QByteArray bytes = bytesOf(path);
    bytes.replace((root - 1) * page, page, QByteArray(page, '\xA5'));
    replaceFile(path, bytes);
    return root > 1;
}};
inline const Spoiler kReadOnly{"ReadOnly", "yazılamıyor", [](const QString &path) {
    replaceFile(path, bytesOf(path));
    return makeUnwritable(path);
}};

/// Puts a spoilt file back as it was, whatever way the test ends.
class Restorer
{
public:
    explicit Restorer(QString path)
        : m_path(std::move(path))
        , m_bytes(bytesOf(m_path))
    { }
    ~Restorer() { restore(); }
    Restorer(const Restorer &) = delete;
    Restorer &operator=(const Restorer &) = delete;

    void restore()
    {
        if (std::exchange(m_restored, true))
            return;
        makeWritable(m_path);
        QFile::remove(m_path);
        replaceFile(m_path, m_bytes);
    }

private:
    QString m_path;
    QByteArray m_bytes;
    bool m_restored = false;
};

/// Gives a folder back its write permission when the test ends.
class WritableAgain
{
public:
    explicit WritableAgain(QString path)
        : m_path(std::move(path))
    { }
    ~WritableAgain() { makeWritable(m_path); }
    WritableAgain(const WritableAgain &) = delete;
    WritableAgain &operator=(const WritableAgain &) = delete;

private:
    QString m_path;
};

} // namespace pusla::test
