#pragma once

#include "platform/Recordset.h"

#include <QString>

#include <memory>

namespace pusla {

class AttachedFile;
class PathMapper;

/// Direct access to one database file: open it, execute statements or open
/// a record set, and let go (the selection's bulk UPDATE and DELETE, the
/// posting's reset of the working list).
class Database
{
public:
    /// Opens the file a Windows path names. Throws DbError: InvalidPath for a
    /// path that maps to no local file, FileNotFound for a missing file.
    static Database open(const PathMapper &mapper, const QString &windowsPath);
    /// The shared attachment behind a Windows path (for data controls and ADO).
    static std::shared_ptr<AttachedFile> attachFile(const PathMapper &mapper, const QString &windowsPath);

    Database() = default;
    Database(Database &&) noexcept = default;
    Database &operator=(Database &&) noexcept = default;
    ~Database();

    bool isOpen() const { return m_file != nullptr; }
    QString localPath() const;

    /// Runs an UPDATE, DELETE or INSERT written in the engine's dialect
    /// ("UPDATE StokKartlar Set KalanA=KalanB"); returns the rows it changed.
    /// An UPDATE leaves out the rows that already hold its values: resetting
    /// a long list then writes only the lines that were used.
    /// A SELECT is refused: it belongs in openRecordset().
    int execute(const QString &statement);
    /// A record set on a table name or a query; it keeps the file open for as
    /// long as it lives, even after close().
    std::unique_ptr<Recordset> openRecordset(const QString &tableOrQuery);
    void close();

    const std::shared_ptr<AttachedFile> &file() const { return m_file; }

private:
    explicit Database(std::shared_ptr<AttachedFile> file);
    void requireOpen() const;

    std::shared_ptr<AttachedFile> m_file;
};

} // namespace pusla
