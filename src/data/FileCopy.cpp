#include "data/FileCopy.h"

#include "base/PathMapper.h"
#include "data/ServerBooks.h"
#include "store/DbError.h"

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

FileCopy::FileCopy(const PathMapper &paths, QObject *parent)
    : QObject(parent)
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

bool FileCopy::exportFromServer(const ServerFile &file, qint32 &errorNumber, QString &errorText)
{
    // A file of the books that a server keeps is written out as a file of
    // the same layout; the working copies need no more.
    const QString target = m_paths.toLocal(m_targetFile).value_or(QString());
    if (!QFile::remove(target) && QFileInfo::exists(target))
        return setError(
            errorNumber, errorText, QFileDevice::RemoveError, QStringLiteral("%1 cannot be replaced").arg(target));
    try {
        serverbooks::exportFile(file, target);
    } catch (const DbError &error) {
        return setError(errorNumber, errorText, error.number(), error.text());
    }
    emit progress(100, double(QFileInfo(target).size()));
    return true;
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

bool FileCopy::openFiles(QFile &source, QFile &target, QIODevice::OpenMode targetMode, qint32 &errorNumber,
                         QString &errorText) const
{
    const std::optional<QString> targetPath = m_paths.toLocal(m_targetFile);
    if (!targetPath) {
        return setUnexpected(errorNumber, errorText, QFileDevice::OpenError,
                             QStringLiteral("Path not found: %1").arg(m_targetFile));
    }
    source.setFileName(m_paths.toLocal(m_sourceFile).value_or(QString()));
    target.setFileName(*targetPath);
    // Unbuffered: the program's one buffer is the only copy of the data in memory.
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fileError(errorNumber, errorText, source);
    if (!target.open(targetMode | QIODevice::Unbuffered))
        return fileError(errorNumber, errorText, target);
    return true;
}

bool FileCopy::readSource(QFile &source, qint64 piece, std::vector<char> &buffer,
                          const std::function<bool(qint64)> &take, qint32 &errorNumber, QString &errorText) const
{
    const qint64 length = source.size();
    try {
        buffer.resize(static_cast<std::size_t>(std::min(piece, length)));
    } catch (const std::bad_alloc &) {
        return setUnexpected(errorNumber, errorText, QFileDevice::ResourceError, QStringLiteral("Out of memory"));
    }
    for (qint64 done = 0; done < length;) {
        const qint64 got = source.read(buffer.data(), std::min(piece, length - done));
        if (got < 0)
            return fileError(errorNumber, errorText, source);
        if (got == 0) {
            // The source shrank while being read; looping on would never end.
            return setUnexpected(errorNumber, errorText, QFileDevice::ReadError,
                                 QStringLiteral("Unexpected end of file: %1").arg(m_sourceFile));
        }
        if (!take(got))
            return false;
        done += got;
    }
    return true;
}

bool FileCopy::copyFile(qint32 &errorNumber, QString &errorText)
{
    QFile source;
    QFile target;
    qint64 done = 0;
    const auto failureExit = [&] {
        source.close();
        target.close();
        emit progress(0, static_cast<double>(done));
        return false;
    };

    const std::optional<QString> sourcePath = m_paths.toLocal(m_sourceFile);
    const std::optional<ServerFile> server = sourcePath ? serverFileFor(*sourcePath) : std::nullopt;
    if (!server || m_sourceFile.isEmpty() || m_targetFile.isEmpty()) {
        if (!checkNames(errorNumber, errorText))
            return failureExit();
    } else if (!serverbooks::exists(m_paths, m_sourceFile)) {
        setError(errorNumber, errorText, SourceMissing, kSourceMissingText);
        return failureExit();
    }
    if (FileExists(m_targetFile) && m_overwriteQuestion && !m_overwriteQuestion(m_targetFile)) {
        setError(errorNumber, errorText, CopyCanceled, kCanceledText);
        return failureExit();
    }
    const QString folder = GetPath(m_targetFile);
    if (!DirExists(folder) && !MakeDirectory(folder, errorNumber, errorText))
        return failureExit();
    if (server)
        return exportFromServer(*server, errorNumber, errorText) || failureExit();
    const qint64 block = blockBytes();
    // No truncation on open: when source and target are one file (names that
    // differ only in case), every block is written back where it was read.
    if (!openFiles(source, target, QIODevice::ReadWrite, errorNumber, errorText))
        return failureExit();
    const qint64 length = source.size();

    // The file moves in transfers of whole blocks, up to 64 KiB at a time:
    // one read and one write per 4096-byte block costs several times what
    // the copy itself does. Progress is still reported block by block.
    const qint64 transfer = block * std::max<qint64>(1, kTransferBytes / block);
    std::vector<char> buffer;
    const bool copied = readSource(source, transfer, buffer, [&](qint64 got) {
        for (qint64 inTransfer = 0; inTransfer < got;) {
            const qint64 blockDone = std::min(block, got - inTransfer);
            inTransfer += blockDone;
            done += blockDone;
            emit progress(percentOf(done, length), static_cast<double>(done));
        }
        return target.write(buffer.data(), got) == got || fileError(errorNumber, errorText, target);
    }, errorNumber, errorText);
    if (!copied)
        return failureExit();
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
    // Read only: comparing must never create or change the target.
    if (!openFiles(source, target, QIODevice::ReadOnly, errorNumber, errorText))
        return failureExit();
    const qint64 length = source.size();

    std::vector<char> sourceBlock;
    std::vector<char> targetBlock;
    const bool same = readSource(source, block, sourceBlock, [&](qint64 got) {
        try {
            targetBlock.resize(sourceBlock.size());
        } catch (const std::bad_alloc &) {
            return setUnexpected(errorNumber, errorText, QFileDevice::ResourceError, QStringLiteral("Out of memory"));
        }
        const qint64 compared = target.read(targetBlock.data(), got);
        if (compared < 0)
            return fileError(errorNumber, errorText, target);
        // A target that ends early is not the same, whatever bytes the source has there.
        if (compared != got || std::memcmp(sourceBlock.data(), targetBlock.data(), static_cast<std::size_t>(got)) != 0)
            return setError(errorNumber, errorText, NotSame, kNotSameText);
        done += got;
        emit progress(percentOf(done, length), static_cast<double>(done));
        return true;
    }, errorNumber, errorText);
    return same || failureExit();
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
