#pragma once

#include "store/Recordset.h"

#include <QString>
#include <QStringList>

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
    /// Direct access to a file that is attached already (a data control's).
    static Database sharing(std::shared_ptr<AttachedFile> file);

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
    /// Appends to `table` of this file the rows of `sourceTable` in `source`
    /// that meet `criteria` (a condition in the engine's dialect, as
    /// Recordset::findFirst takes it; empty for every row), in their stored
    /// order and as one statement: each field of the source goes to the field
    /// of the same name here, the others take their defaults. A source field
    /// without a namesake here fails with DbError(ItemNotFound) as soon as
    /// there is a row to copy. Files on two connections (a server's books and
    /// a local file) have their rows read and added one by one.
    /// Returns the rows appended.
    int appendRows(const QString &table, const Database &source, const QString &sourceTable, const QString &criteria);
    /// Removes an index of this file, if it has one by that name: a scratch
    /// file made as a copy of another can do without indexes it never uses.
    void dropIndex(const QString &indexName);
    /// Whether the file has an index by that name; a look at its schema only.
    bool hasIndex(const QString &indexName) const;
    /// Builds an index on `expression` of `table`, in a commit of its own,
    /// without waiting for another program's lock: false, and the file as it
    /// was, when the file is read-only, busy or full, or a transaction is
    /// open on this thread's connection.
    bool tryCreateIndex(const QString &indexName, const QString &table, const QString &expression);
    /// The file's page cache on this thread's connection, in KiB. A bulk
    /// build of a large file raises it for the build: a cache that holds the
    /// file's indexes keeps each append from reading their pages again.
    int cacheSize() const;
    void setCacheSize(int kibibytes);
    /// Creates `table` with text fields, the first of them a unique key,
    /// unless the file has a table of that name.
    void createKeyTableIfMissing(const QString &table, const QStringList &fields);
    /// Throws DbError(TableNotFound) unless the file has a table of that name.
    void requireTable(const QString &table) const;
    /// A record set on a table name or a query; it keeps the file open for as
    /// long as it lives, even after close().
    std::unique_ptr<Recordset> openRecordset(const QString &tableOrQuery);
    void close();

    const std::shared_ptr<AttachedFile> &file() const { return m_file; }

private:
    explicit Database(std::shared_ptr<AttachedFile> file);
    void requireOpen() const;
    /// Throws unless the file is a local one (indexes, cache, scratch tables).
    void requireLocal() const;

    std::shared_ptr<AttachedFile> m_file;
};

} // namespace pusla
