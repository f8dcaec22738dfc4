#pragma once

#include "store/EditBuffer.h"
#include "store/FileStamp.h"
#include "store/Keyset.h"
#include "store/RowWindow.h"
#include "store/jet/RecordSourcePlan.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace pusla {

class AttachedFile;
class StoreConnection;

/// A record set over one database file, with the data-access semantics the
/// forms were written against:
///
/// - The rows are those of the record source at the last open (a dynaset):
///   a record added with addNew() joins the end whatever the order, a deleted
///   record leaves, an edited record stays even when it no longer meets the
///   condition. A source without an order lists rows in stored order.
/// - After addNew() + update() the record that was current before addNew()
///   stays current (after an add to an empty set there is still none).
/// - findFirst() finds the first match in the set's own order, on the
///   records' current values; without a match noMatch() is true and the
///   current record does not change.
/// - edit() ... update() is a protected read-modify-write: edit() takes the
///   file's write lock and re-reads the record, update() writes and commits,
///   cancelUpdate() lets go. Inside an open Transaction the writes join it.
///   Any move, find or close while editing drops the pending changes.
/// - Field names are matched without regard to case. Booleans are stored as
///   the engine's -1 / 0.
///
/// Only row ids are held (see Keyset), plus the current row and a small
/// window of rows for valueAt(). A source with sums or grouping is read once
/// and is read-only. Every failure throws DbError.
class Recordset : public QObject
{
    Q_OBJECT

public:
    using EditMode = EditBuffer::Mode;

    explicit Recordset(QObject *parent = nullptr);
    ~Recordset() override;

    /// Opens `source`, a table name or a query, on an attached file; the
    /// first record becomes current. Replaces whatever was open.
    void open(std::shared_ptr<AttachedFile> file, const QString &source);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    const QString &source() const { return m_source; }

    /// True when the set is closed or its file was changed by a commit since
    /// the set last read it: only then can a refresh find other rows.
    bool fileChangedSinceRead() const;

    bool bof() const;
    bool eof() const;
    /// Known completely as soon as the set is open.
    int recordCount() const;
    /// 0-based; -1 without a current record.
    int absolutePosition() const;
    void setAbsolutePosition(int position);
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    void findFirst(const QString &criteria);
    bool noMatch() const { return m_noMatch; }
    /// Makes the finds of `criteria` ahead of time, all in one round trip,
    /// where the set's file is on a server and a transaction holds it (so
    /// that nobody else can change what they find): a findFirst() of one of
    /// them later goes straight to its record, as long as nothing of what
    /// the criteria read was written in between. Elsewhere it does nothing.
    void findAhead(const QStringList &criteria);
    /// Whether findAhead() would save anything now.
    bool canFindAhead() const;
    /// SQLite's query plan for the lookup findFirst() would run, one line per
    /// step; for checking that a lookup is answered from an index.
    QStringList explainFind(const QString &criteria);

    QStringList fieldNames() const { return m_plan.fieldNames; }
    int fieldCount() const { return int(m_plan.fieldNames.size()); }
    /// -1 for an unknown name.
    int fieldIndex(const QString &name) const;
    QVariant field(const QString &name) const;
    QVariant field(int index) const;
    void setField(const QString &name, const QVariant &value);
    void setField(int index, const QVariant &value);
    /// A row's value without moving the current record (for grids); null for
    /// a row deleted by someone else.
    QVariant valueAt(int position, const QString &name) const;
    QVariant valueAt(int position, int index) const;

    bool isUpdatable() const { return isOpen() && m_plan.keyset; }
    EditMode editMode() const { return m_edit.mode(); }
    void addNew();
    void edit();
    void update();
    void cancelUpdate();
    void deleteCurrent();

signals:
    /// The set was opened, re-opened or closed: every row may be different.
    void rowsReset();
    /// The current record moved; -1 when there is none.
    void currentChanged(int position);
    void rowChanged(int position);
    void rowInserted(int position);
    void rowRemoved(int position);

private:
    enum class At { Bof, Record, Eof };

    StoreConnection &connection() const;
    QString qualifiedTable() const;
    FileStamp stamp() const;
    void requireOpen() const;
    void requireKeyset() const;
    int requireCurrent() const;
    int checkedIndex(const QString &name) const;
    void checkIndex(int index) const;
    const QVariantList &currentRow() const;
    void closeQuietly();
    /// Whether the rows the keyset was loaded with can still be trusted.
    bool loadStillStands(StoreConnection &db) const;

    // Navigation
    /// Makes `position` current; `row`, when given, is its fields as just read.
    void go(int position, std::optional<QVariantList> row = std::nullopt);
    void setEnd(At at);

    // Editing
    void discardPending();
    void rebaseAfterOwnWrite(const FileStamp &before, qint64 changes, bool committed, bool orderKept);

    // FindFirst
    struct Found
    {
        int position = -1;
        std::optional<QVariantList> row;
    };
    Found locate(const SqlText &condition);
    Found locateOnServer(const SqlText &condition);
    int locateByRowid(const SqlText &condition);
    int locateSorted(const SqlText &condition);
    int locateAppended(const SqlText &condition);
    int locateAnywhere(const SqlText &condition);
    /// The set's rows that meet `condition`, in its order: their keys and,
    /// when given, `fields`.
    SqlText findQuery(const SqlText &condition, const SqlText &fields = {}) const;

    std::shared_ptr<AttachedFile> m_file;
    QString m_source;
    RecordSourcePlan m_plan;
    QHash<QString, int> m_fieldIndex; // name as declared and in lower case -> field
    Keyset m_keyset;
    std::vector<QVariantList> m_staticRows; // a read-only source, read whole
    mutable RowWindow m_rows;

    At m_at = At::Eof;
    int m_position = 0;
    bool m_currentDeleted = false;
    bool m_noMatch = false;

    EditBuffer m_edit;

    // The last find under a transaction that holds the file, for a repeat.
    struct LastFind
    {
        QString criteria;
        QSet<int> columns; // the table columns the criterion reads
        FileStamp stamp;
        int count = 0;
        int position = -1;
    };
    std::optional<LastFind> m_lastFind;
    // Finds made ahead of time, and the rows they found as this set last
    // read or wrote them.
    struct FoundAhead
    {
        QSet<int> columns;
        FileStamp stamp;
        int count = 0;
        QHash<QString, int> positions; // criteria -> position, -1 for none
        QHash<int, QVariantList> rows;
    };
    std::optional<FoundAhead> m_foundAhead;
    bool findAheadStands(const FileStamp &now, const QString &criteria) const;

    // While the file is unchanged since the refresh (but for this set's own
    // adds and deletes) the set's order is the order of its query.
    FileStamp m_baseline;
    bool m_orderDisturbed = false;
    // The file as the keyset mirrors it: as the last refresh read it, or
    // since changed only by this set's own writes that keep its rows.
    FileStamp m_loadStamp;
    bool m_loadedInTransaction = false;
    quint64 m_loadTransaction = 0;
};

} // namespace pusla
