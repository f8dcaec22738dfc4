#include "data/FileCopy.h"

#include "base/Dialogs.h"
#include "base/PathMapper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace pusla {
namespace {

const QString kNoSourceText = QStringLiteral("Please enter a source file...");
const QString kNoTargetText = QStringLiteral("Please enter a target file...");
const QString kSourceMissingText = QStringLiteral("The source file does not exist...");
const QString kCanceledText = QStringLiteral("File copy canceled...");
const QString kNotSameText = QStringLiteral("Target file is not the same as the source file...");

constexpr qint64 kWipeBlock = 4096;
constexpr qint64 kTransferBytes = 64 * 1024;

/// The busy pointer for the length of one operation, whatever way it ends.
class BusyPointer
{
public:
    explicit BusyPointer(Dialogs &dialogs)
        : m_dialogs(dialogs)
    {
        m_dialogs.setBusy(true);
    }
    ~BusyPointer() { m_dialogs.setBusy(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    Dialogs &m_dialogs;
};

/// Sets the caller's variables for a failure the class itself names.
bool setError(qint32 &errorNumber, QString &errorText, qint32 number, const QString &text)
{
    errorNumber = number;
    errorText = text;
    return false;
}

/// An unexpected failure fills the variables only if nothing was reported yet.
bool setUnexpected(qint32 &errorNumber, QString &errorText, qint32 number, const QString &text)
{
    if (errorNumber == 0) {
        errorNumber = number;
        errorText = text;
    }
    return false;
}

bool fileError(qint32 &errorNumber, QString &errorText, const QFile &file)
{
    const qint32 number = file.error() == QFileDevice::NoError ? QFileDevice::UnspecifiedError : file.error();
    return setUnexpected(errorNumber, errorText, number, file.errorString());
}

int percentOf(qint64 done, qint64 length)
{
    return length > 0 ? static_cast<int>(done * 100 / length) : 0;
}

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

} // namespace

FileCopy::FileCopy(Dialogs &dialogs, const PathMapper &paths, QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_paths(paths)
{
}

qint64 FileCopy::blockBytes()
{
    if (!(m_byteSize > 0))
        m_byteSize = DefaultByteSize;
    // A fraction of a byte would make no progress; a huge block is bounded by the file length.
    const double rounded = std::round(m_byteSize);
    return rounded < 1 ? 1 : (rounded > 1e15 ? static_cast<qint64>(1e15) : static_cast<qint64>(rounded));
}

bool FileCopy::checkNames(qint32 &errorNumber, QString &errorText) const
{
    if (m_sourceFile.trimmed().isEmpty()) {
        setError(errorNumber, errorText, NoSourceFile, kNoSourceText);
        return false;
    }
    if (m_targetFile.trimmed().isEmpty()) {
        setError(errorNumber, errorText, NoTargetFile, kNoTargetText);
        return false;
    }
    if (!FileExists(m_sourceFile)) {
        setError(errorNumber, errorText, SourceMissing, kSourceMissingText);
        return false;
    }
    return true;
}

bool FileCopy::copyFile(qint32 &errorNumber, QString &errorText)
{
    BusyPointer busy(m_dialogs);
    QFile source;
    QFile target;
    qint64 done = 0;
    const auto failureExit = [&] {
        source.close();
        target.close();
        emit progress(0, static_cast<double>(done));
        return false;
    };

    if (!checkNames(errorNumber, errorText))
        return failureExit();
    if (FileExists(m_targetFile)
        && m_dialogs.messageBox(m_targetFile + QStringLiteral(" already exists.  Overwrite?"), MessageButtons::YesNo)
            != MessageAnswer::Yes) {
        setError(errorNumber, errorText, CopyCanceled, kCanceledText);
        return failureExit();
    }
    const QString folder = GetPath(m_targetFile);
    if (!DirExists(folder) && !MakeDirectory(folder, errorNumber, errorText))
        return failureExit();
    const qint64 block = blockBytes();

    const std::optional<QString> sourcePath = m_paths.toLocal(m_sourceFile);
    const std::optional<QString> targetPath = m_paths.toLocal(m_targetFile);
    if (!targetPath) {
        setUnexpected(errorNumber, errorText, QFileDevice::OpenError,
                      QStringLiteral("Path not found: %1").arg(m_targetFile));
        return failureExit();
    }
    source.setFileName(sourcePath.value_or(QString()));
    target.setFileName(*targetPath);
    // Unbuffered: the one block below is the only copy of the data in memory.
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fileError(errorNumber, errorText, source);
        return failureExit();
    }
    // No truncation on open: when source and target are one file (names that
    // differ only in case), every block is written back where it was read.
    if (!target.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        fileError(errorNumber, errorText, target);
        return failureExit();
    }
    const qint64 length = source.size();

    // The file moves in transfers of whole blocks, up to 64 KiB at a time:
    // one read and one write per 4096-byte block costs several times what
    // the copy itself does. Progress is still reported block by block, and
    // the memory used stays one fixed transfer whatever the file's size.
    const qint64 transfer = block * std::max<qint64>(1, kTransferBytes / block);
    std::vector<char> buffer;
    try {
        buffer.resize(static_cast<std::size_t>(std::min(transfer, length)));
    } catch (const std::bad_alloc &) {
        setUnexpected(errorNumber, errorText, QFileDevice::ResourceError, QStringLiteral("Out of memory"));
        return failureExit();
    }
    while (done < length) {
        const qint64 wanted = std::min(transfer, length - done);
        const qint64 got = source.read(buffer.data(), wanted);
        if (got < 0) {
            fileError(errorNumber, errorText, source);
            return failureExit();
        }
        if (got == 0) {
            // The source shrank while being copied; looping on would never end.
            setUnexpected(errorNumber, errorText, QFileDevice::ReadError,
                          QStringLiteral("Unexpected end of file: %1").arg(m_sourceFile));
            return failureExit();
        }
        for (qint64 inTransfer = 0; inTransfer < got;) {
            const qint64 blockDone = std::min(block, got - inTransfer);
            inTransfer += blockDone;
            done += blockDone;
            emit progress(percentOf(done, length), static_cast<double>(done));
        }
        if (target.write(buffer.data(), got) != got) {
            fileError(errorNumber, errorText, target);
            return failureExit();
        }
    }
    emit progress(0, static_cast<double>(done));

    // The old target may have been longer than the source.
    if (!target.resize(done)) {
        fileError(errorNumber, errorText, target);
        return failureExit();
    }
    source.close();
    target.close();
    if (target.error() != QFileDevice::NoError) {
        fileError(errorNumber, errorText, target);
        return failureExit();
    }

    if (!m_verify)
        return true;
    if (verifyFile(errorNumber, errorText))
        return true;
    WipeFile(m_targetFile, errorNumber, errorText);
    return failureExit();
}

bool FileCopy::verifyFile(qint32 &errorNumber, QString &errorText)
{
    BusyPointer busy(m_dialogs);
    QFile source;
    QFile target;
    qint64 done = 0;
    const auto failureExit = [&] {
        source.close();
        target.close();
        emit progress(0, static_cast<double>(done));
        return false;
    };

    if (!checkNames(errorNumber, errorText))
        return failureExit();
    const qint64 block = blockBytes();

    source.setFileName(m_paths.toLocal(m_sourceFile).value_or(QString()));
    const std::optional<QString> targetPath = m_paths.toLocal(m_targetFile);
    if (!targetPath) {
        setUnexpected(errorNumber, errorText, QFileDevice::OpenError,
                      QStringLiteral("Path not found: %1").arg(m_targetFile));
        return failureExit();
    }
    target.setFileName(*targetPath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fileError(errorNumber, errorText, source);
        return failureExit();
    }
    // Read only: comparing must never create or change the target.
    if (!target.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fileError(errorNumber, errorText, target);
        return failureExit();
    }
    const qint64 length = source.size();

    std::vector<char> sourceBlock;
    std::vector<char> targetBlock;
    try {
        sourceBlock.resize(static_cast<std::size_t>(std::min(block, length)));
        targetBlock.resize(sourceBlock.size());
    } catch (const std::bad_alloc &) {
        setUnexpected(errorNumber, errorText, QFileDevice::ResourceError, QStringLiteral("Out of memory"));
        return failureExit();
    }
    while (done < length) {
        const qint64 wanted = std::min(block, length - done);
        const qint64 got = source.read(sourceBlock.data(), wanted);
        if (got < 0) {
            fileError(errorNumber, errorText, source);
            return failureExit();
        }
        if (got == 0) {
            setUnexpected(errorNumber, errorText, QFileDevice::ReadError,
                          QStringLiteral("Unexpected end of file: %1").arg(m_sourceFile));
            return failureExit();
        }
        const qint64 compared = target.read(targetBlock.data(), got);
        if (compared < 0) {
            fileError(errorNumber, errorText, target);
            return failureExit();
        }
        // A target that ends early is not the same, whatever bytes the source has there.
        if (compared != got || std::memcmp(sourceBlock.data(), targetBlock.data(), static_cast<std::size_t>(got)) != 0) {
            setError(errorNumber, errorText, NotSame, kNotSameText);
            return failureExit();
        }
        done += got;
        emit progress(percentOf(done, length), static_cast<double>(done));
    }
    return true;
}

bool FileCopy::FileExists(const QString &path) const
{
    return m_paths.fileExists(path);
}

bool FileCopy::DirExists(const QString &path) const
{
    return m_paths.dirExists(path + QStringLiteral("\\."));
}

QString FileCopy::GetPath(const QString &path) const
{
    // The mapper takes '/' as a separator as well, so the folder part must too.
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return path.left(i + 1);
    }
    return {};
}

bool FileCopy::MakeDirectory(const QString &path, qint32 &errorNumber, QString &errorText)
{
    if (DirExists(path))
        return true;
    // The walk starts after the root: C:\ , \\server\share\ or the leading '/'.
    qsizetype start = 0;
    if (path.startsWith(QStringLiteral("\\\\"))) {
        const qsizetype serverEnd = path.indexOf(u'\\', 2);
        const qsizetype shareEnd = serverEnd < 0 ? -1 : path.indexOf(u'\\', serverEnd + 1);
        if (shareEnd < 0)
            return true;
        start = shareEnd + 1;
    } else if (path.size() >= 3 && path.at(1) == u':' && isSeparator(path.at(2))) {
        start = 3;
    } else if (path.startsWith(u'/')) {
        start = 1;
    } else {
        return true;
    }

    qsizetype from = start;
    while (from < path.size()) {
        qsizetype end = from;
        while (end < path.size() && !isSeparator(path.at(end)))
            ++end;
        if (end > from) {
            const QString upToSegment = path.left(end);
            if (!DirExists(upToSegment)) {
                const std::optional<QString> local = m_paths.toLocal(upToSegment);
                if (!local || !QDir().mkdir(*local)) {
                    return setUnexpected(errorNumber, errorText, QFileDevice::WriteError,
                                         QStringLiteral("Cannot create the folder %1").arg(upToSegment));
                }
            }
        }
        from = end + 1;
    }
    return true;
}

bool FileCopy::WipeFile(const QString &path, qint32 &errorNumber, QString &errorText)
{
    const std::optional<QString> local = m_paths.toLocal(path);
    if (!local)
        return setUnexpected(errorNumber, errorText, QFileDevice::OpenError, QStringLiteral("Path not found: %1").arg(path));
    QFile file(*local);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fileError(errorNumber, errorText, file);
    const qint64 blocks = file.size() / kWipeBlock + 1;
    const QByteArray patterns[] = {QByteArray(kWipeBlock, 'X'), QByteArray(kWipeBlock, ' '),
                                   QByteArray(kWipeBlock, '1'), QByteArray(kWipeBlock, '0')};
    for (qint64 i = 0; i < blocks; ++i) {
        const qint64 position = i * kWipeBlock;
        for (const QByteArray &pattern : patterns) {
            if (!file.seek(position) || file.write(pattern) != kWipeBlock)
                return fileError(errorNumber, errorText, file);
        }
    }
    file.close();
    if (!file.remove())
        return fileError(errorNumber, errorText, file);
    return true;
}

} // namespace pusla
