#pragma once

#include <QIODevice>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QFile;

namespace pusla {

class PathMapper;
struct ServerFile;

/// Copies one file to another in fixed-size blocks, reports progress after
/// every block, can compare the copy with its source and destroys a copy that
/// fails the comparison. The database set's local copies (Temp.Mdb, the count
/// copies) are made with it, 4096 bytes at a time, without the comparison.
///
/// SourceFile and TargetFile are Windows path texts as the system builds them
/// (`\\127.0.0.1\MuhasebeData\01Stok.Mdb`, `C:\A\B\copy.mdb`, or the program
/// folder followed by `\Temp.Mdb`); PathMapper finds the local files. A text
/// that does not map counts as a file that does not exist.
///
/// Failures never raise: copyFile() and verifyFile() return false and fill the
/// caller's error variables (which the caller passes in with number 0) with one
/// of the codes below, or for an unexpected failure with the file layer's own
/// code (a QFileDevice::FileError) and text. The copier asks nothing itself:
/// whether an existing target may be overwritten is the caller's question,
/// asked through OverwriteQuestion.
///
/// Memory use is one block (two while comparing) whatever the file size.
class FileCopy : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString SourceFile READ sourceFile WRITE setSourceFile)
    Q_PROPERTY(QString TargetFile READ targetFile WRITE setTargetFile)
    Q_PROPERTY(double ByteSize READ byteSize WRITE setByteSize)
    Q_PROPERTY(bool Verify READ verify WRITE setVerify)

public:
    enum ResultCode : qint32 {
        NoSourceFile = 100000,  ///< "Please enter a source file..."
        NoTargetFile = 100010,  ///< "Please enter a target file..."
        SourceMissing = 100020, ///< "The source file does not exist..."
        CopyCanceled = 100030,  ///< "File copy canceled...": the operator declined to overwrite
        NotSame = 110000,       ///< "Target file is not the same as the source file..."
    };

    /// The block size used when ByteSize is 0 or negative.
    static constexpr double DefaultByteSize = 4096;

    /// Asked with TargetFile when the target exists; false cancels the copy.
    using OverwriteQuestion = std::function<bool(const QString &targetFile)>;

    explicit FileCopy(const PathMapper &paths, QObject *parent = nullptr);

    QString sourceFile() const { return m_sourceFile; }
    void setSourceFile(const QString &sourceFile) { m_sourceFile = sourceFile; }
    QString targetFile() const { return m_targetFile; }
    void setTargetFile(const QString &targetFile) { m_targetFile = targetFile; }
    /// Block size in bytes; 0 or negative means 4096, which the property then keeps.
    double byteSize() const { return m_byteSize; }
    void setByteSize(double byteSize) { m_byteSize = byteSize; }
    /// Compare the copy with its source after copying, and destroy it if it differs.
    bool verify() const { return m_verify; }
    void setVerify(bool verify) { m_verify = verify; }
    /// Without a question an existing target is overwritten.
    void setOverwriteQuestion(OverwriteQuestion question) { m_overwriteQuestion = std::move(question); }

    /// Copies SourceFile to TargetFile, creating missing folders of the target
    /// and asking before an existing target is overwritten. The copy ends up
    /// exactly as long as the source. True when the copy (and, with Verify,
    /// its comparison) succeeded.
    bool copyFile(qint32 &errorNumber, QString &errorText);

    /// True when every block of TargetFile up to the source's length equals the
    /// source's. A longer target passes when its start matches; a shorter one fails.
    bool verifyFile(qint32 &errorNumber, QString &errorText);

signals:
    /// After every block read (percent of the source, bytes done so far); once
    /// more with percent 0 when the copy loop ends and at every failure exit.
    void progress(int percent, double bytesDone);

private:
    /// The checks both operations start with: names given, source present.
    bool checkNames(qint32 &errorNumber, QString &errorText) const;
    /// The copy of a file that a server keeps.
    bool exportFromServer(const ServerFile &file, qint32 &errorNumber, QString &errorText);
    bool FileExists(const QString &path) const;
    bool DirExists(const QString &path) const;
    bool MakeDirectory(const QString &path, qint32 &errorNumber, QString &errorText);
    QString GetPath(const QString &path) const;
    bool WipeFile(const QString &path, qint32 &errorNumber, QString &errorText);

    /// The block size in bytes after ByteSize has been checked.
    qint64 blockBytes();
    /// Opens the source for reading and the target in `targetMode`, both unbuffered.
    bool openFiles(QFile &source, QFile &target, QIODevice::OpenMode targetMode, qint32 &errorNumber,
                   QString &errorText) const;
    /// Reads the whole source, `piece` bytes at a time into `buffer`, and hands
    /// each piece's length to `take`; stops when `take` returns false.
    bool readSource(QFile &source, qint64 piece, std::vector<char> &buffer, const std::function<bool(qint64)> &take,
                    qint32 &errorNumber, QString &errorText) const;

    const PathMapper &m_paths;
    OverwriteQuestion m_overwriteQuestion;
    QString m_sourceFile;
    QString m_targetFile;
    double m_byteSize = 0;
    bool m_verify = false;
};

/// The copier under the name the system's routines know it by.
using clsFileCopy = FileCopy;

} // namespace pusla
