#include "store/Recordset.h"

#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/KeysetQuery.h"
#include "store/SharedConnection.h"

#include <algorithm>

namespace pusla {
namespace {

// Rows fetched at once for valueAt(); a grid shows fewer.
constexpr int kWindowRows = 64;

[[noreturn]] void noCurrentRecord()
{
    throw DbError(DbError::NoCurrentRecord, QStringLiteral("No current record."));
}

} // namespace

Recordset::Recordset(QObject *parent)
    : QObject(parent)
{ }

Recordset::~Recordset()
{
    closeQuietly();
}

SharedConnection &Recordset::connection() const
{
    return m_file->connection();
}

QString Recordset::qualifiedTable() const
{
    return m_file->alias() + u'.' + sqlName(m_plan.table.name);
}

bool Recordset::fileChangedSinceRead() const
{
    return !isOpen() || connection().dataVersion(m_file->alias()) != m_loadStamp.dataVersion;
}

Recordset::Stamp Recordset::stamp() const
{
    return {connection().dataVersion(m_file->alias()), connection().totalChanges()};
}

void Recordset::open(std::shared_ptr<AttachedFile> file, const QString &source)
{
    if (m_file)
        discardPending();
    SharedConnection &db = file->connection();
    const QString alias = file->alias();
    // Reading the table's fields starts a read transaction, which brings the
    // file's data version up to date for the comparison below.
    RecordSourcePlan plan
        = planRecordSource(source, alias, [&db, &alias](const QString &table) { return db.tableInfo(alias, table); });

    const QString table = alias + u'.' + sqlName(plan.table.name);
    const Stamp now {db.dataVersion(alias), db.totalChanges()};
    // The same source on a file nobody changed since lists the same rows:
    // the refreshes of the working list after every entry cost nothing then.
    // Rows read inside a transaction may have been rolled back since, which
    // leaves no trace in the stamp.
    const bool unchanged = m_file == file && m_source == source && m_plan.keyset && plan.keyset && now == m_loadStamp
        && !m_loadedInTransaction && !db.inTransaction();
    std::vector<qint64> rowids;
    std::vector<QVariantList> staticRows;
    Keyset kept;
    if (unchanged) {
        kept = std::move(m_keyset); // with its way back from row to position
        try {
            if (kept.hasAppended())
                mergeAppended(kept, db, table, plan);
        } catch (const DbError &) {
            m_keyset = std::move(kept); // the set stays as it was
            throw;
        }
    } else if (plan.keyset) {
        rowids = queryKeyset(db, table, plan);
    } else {
        SharedConnection::Query rows = db.query(plan.statement.sql, plan.statement.params);
        bool first = true;
        while (rows.next()) {
            if (first) {
                // Unnamed sums take SQLite's names for their columns.
                for (int i = 0; i < rows.columnCount() && i < plan.fieldNames.size(); ++i) {
                    if (plan.fieldNames[i].startsWith(u"Expr"))
                        plan.fieldNames[i] = rows.columnName(i);
                }
                first = false;
            }
            QVariantList row;
            for (int i = 0; i < rows.columnCount(); ++i)
                row.append(rows.value(i));
            staticRows.push_back(std::move(row));
        }
    }

    closeQuietly();
    m_file = std::move(file);
    m_source = source;
    m_plan = std::move(plan);
    if (unchanged)
        m_keyset = std::move(kept);
    else
        m_keyset.reset(std::move(rowids));
    m_staticRows = std::move(staticRows);
    m_fieldIndex.clear();
    for (qsizetype i = 0; i < m_plan.fieldNames.size(); ++i) {
        m_fieldIndex.insert(m_plan.fieldNames[i].toLower(), int(i));
        m_fieldIndex.insert(m_plan.fieldNames[i], int(i));
    }
    m_rowSql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(m_plan.selectList.sql, table);
    QString marks = QStringLiteral("?");
    for (int i = 1; i < kWindowRows; ++i)
        marks += QStringLiteral(",?");
    m_windowSql
        = QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)").arg(m_plan.selectList.sql, table, marks);
    m_baseline = stamp();
    m_loadStamp = m_baseline;
    m_loadedInTransaction = connection().inTransaction();
    m_orderDisturbed = false;
    m_noMatch = false;
    m_window.clear();
    m_currentRow.reset();
    if (recordCount() > 0) {
        m_at = At::Record;
        m_position = 0;
    } else {
        m_at = At::Eof;
    }
    m_currentDeleted = false;
    emit rowsReset();
    emit currentChanged(absolutePosition());
}

void Recordset::close()
{
    const bool wasOpen = isOpen();
    closeQuietly();
    if (wasOpen)
        emit rowsReset();
}

void Recordset::closeQuietly()
{
    if (!m_file)
        return;
    try {
        discardPending();
    } catch (const DbError &) {
        // The file goes anyway; SQLite undoes what was not committed.
    }
    m_file.reset();
    m_plan = {};
    m_keyset.clear();
    m_staticRows.clear();
    m_fieldIndex.clear();
    m_window.clear();
    m_currentRow.reset();
    m_at = At::Eof;
    m_currentDeleted = false;
}

void Recordset::requireOpen() const
{
    if (!m_file)
        throw DbError(
            DbError::ObjectClosed, QStringLiteral("Object invalid or no longer set: the record set is closed."));
}

void Recordset::requireKeyset() const
{
    requireOpen();
    if (!m_plan.keyset)
        throw DbError(DbError::ReadOnly, QStringLiteral("The record set of '%1' is read-only.").arg(m_source));
}

int Recordset::requireCurrent() const
{
    requireOpen();
    if (m_at != At::Record || m_currentDeleted || m_position >= recordCount())
        noCurrentRecord();
    return m_position;
}

// --- position

bool Recordset::bof() const
{
    return m_at == At::Bof || recordCount() == 0;
}

bool Recordset::eof() const
{
    return m_at == At::Eof || recordCount() == 0;
}

int Recordset::recordCount() const
{
    if (!m_file)
        return 0;
    return m_plan.keyset ? m_keyset.count() : int(m_staticRows.size());
}

int Recordset::absolutePosition() const
{
    if (m_at != At::Record || m_currentDeleted || m_position >= recordCount())
        return -1;
    return m_position;
}

void Recordset::go(int position)
{
    discardPending();
    m_at = At::Record;
    m_position = position;
    m_currentDeleted = false;
    m_currentRow.reset();
    emit currentChanged(position);
}

void Recordset::setEnd(At at)
{
    discardPending();
    m_at = at;
    m_currentDeleted = false;
    m_currentRow.reset();
    emit currentChanged(-1);
}

void Recordset::setAbsolutePosition(int position)
{
    requireOpen();
    if (position < 0 || position >= recordCount())
        throw DbError(DbError::InvalidArgument,
            QStringLiteral("Invalid argument: position %1 of %2.").arg(position).arg(recordCount()));
    go(position);
}

void Recordset::moveFirst()
{
    requireOpen();
    if (recordCount() == 0)
        noCurrentRecord();
    go(0);
}

void Recordset::moveLast()
{
    requireOpen();
    if (recordCount() == 0)
        noCurrentRecord();
    go(recordCount() - 1);
}

void Recordset::moveNext()
{
    requireOpen();
    if (eof())
        noCurrentRecord();
    const int next = m_at == At::Bof ? 0 : (m_currentDeleted ? m_position : m_position + 1);
    if (next >= recordCount())
        setEnd(At::Eof);
    else
        go(next);
}

void Recordset::movePrevious()
{
    requireOpen();
    if (bof())
        noCurrentRecord();
    const int previous = m_at == At::Eof ? recordCount() - 1 : m_position - 1;
    if (previous < 0)
        setEnd(At::Bof);
    else
        go(previous);
}

// --- fields

int Recordset::fieldIndex(const QString &name) const
{
    // Most callers spell the name as the table does: no folding needed then.
    const auto exact = m_fieldIndex.constFind(name);
    if (exact != m_fieldIndex.constEnd())
        return *exact;
    return m_fieldIndex.value(name.toLower(), -1);
}

int Recordset::checkedIndex(const QString &name) const
{
    requireOpen();
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(
            DbError::ItemNotFound, QStringLiteral("Item not found in this collection: field '%1'.").arg(name));
    return index;
}

void Recordset::checkIndex(int index) const
{
    requireOpen();
    if (index < 0 || index >= fieldCount())
        throw DbError(DbError::ItemNotFound, QStringLiteral("Item not found in this collection: field %1.").arg(index));
}

std::optional<QVariantList> Recordset::readRow(qint64 rowid) const
{
    QVariantList params = m_plan.selectList.params;
    params.append(rowid);
    SharedConnection::Query row = connection().query(m_rowSql, params);
    if (!row.next())
        return std::nullopt;
    QVariantList values;
    values.reserve(row.columnCount());
    for (int i = 0; i < row.columnCount(); ++i)
        values.append(row.value(i));
    return values;
}

const QVariantList &Recordset::currentRow() const
{
    const int position = requireCurrent();
    if (!m_plan.keyset)
        return m_staticRows[size_t(position)];
    const Stamp now = stamp();
    if (!m_currentRow || m_currentStamp != now) {
        m_currentRow = readRow(m_keyset.rowidAt(position));
        m_currentStamp = now;
        if (!m_currentRow)
            throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
    }
    return *m_currentRow;
}

QVariant Recordset::field(const QString &name) const
{
    return field(checkedIndex(name));
}

QVariant Recordset::field(int index) const
{
    checkIndex(index);
    const size_t i = size_t(index);
    if (m_editMode == EditMode::Adding)
        return m_buffer[index];
    if (m_editMode == EditMode::Editing)
        return m_changed[i] ? m_buffer[index] : m_editBase[index];
    return currentRow()[index];
}

void Recordset::setField(const QString &name, const QVariant &value)
{
    setField(checkedIndex(name), value);
}

void Recordset::setField(int index, const QVariant &value)
{
    checkIndex(index);
    if (m_editMode == EditMode::None)
        throw DbError(DbError::UpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    if (m_plan.fieldColumns[size_t(index)] < 0)
        throw DbError(
            DbError::NotUpdatable, QStringLiteral("Field '%1' cannot be updated.").arg(m_plan.fieldNames[index]));
    m_buffer[index] = value;
    m_changed[size_t(index)] = true;
}

QVariant Recordset::valueAt(int position, const QString &name) const
{
    return valueAt(position, checkedIndex(name));
}

QVariant Recordset::valueAt(int position, int index) const
{
    checkIndex(index);
    if (position < 0 || position >= recordCount())
        throw DbError(DbError::InvalidArgument,
            QStringLiteral("Invalid argument: position %1 of %2.").arg(position).arg(recordCount()));
    if (!m_plan.keyset)
        return m_staticRows[size_t(position)][index];
    if (m_editMode != EditMode::None && position == absolutePosition())
        return field(index);
    const Stamp now = stamp();
    if (m_windowStamp != now || position < m_windowStart || position >= m_windowStart + int(m_window.size())) {
        loadWindow(position);
        m_windowStamp = now;
    }
    const QVariantList &row = m_window[size_t(position - m_windowStart)];
    return row.isEmpty() ? QVariant() : row[index];
}

void Recordset::loadWindow(int position) const
{
    const int count = recordCount();
    const int start = std::max(0, std::min(position - kWindowRows / 4, count - kWindowRows));
    const int rows = std::min(kWindowRows, count - start);
    QVariantList params = m_plan.selectList.params;
    QHash<qint64, int> slot;
    for (int i = 0; i < kWindowRows; ++i) {
        const qint64 rowid = m_keyset.rowidAt(start + std::min(i, rows - 1)); // spare marks repeat the last row
        params.append(rowid);
        if (i < rows)
            slot.insert(rowid, i);
    }
    m_window.assign(size_t(rows), {});
    SharedConnection::Query found = connection().query(m_windowSql, params);
    while (found.next()) {
        const int i = slot.value(found.int64(0), -1);
        if (i < 0)
            continue;
        QVariantList values;
        for (int c = 1; c < found.columnCount(); ++c)
            values.append(found.value(c));
        m_window[size_t(i)] = std::move(values);
    }
    m_windowStart = start;
}

// --- editing

void Recordset::rebaseAfterOwnWrite(const Stamp &before, qint64 changes, bool committed, bool orderKept)
{
    // Only when nothing but this very write touched the file since the
    // refresh may findFirst keep trusting the query's order.
    const Stamp after = stamp();
    const bool onlyThis
        = after.changes == before.changes + changes && after.dataVersion == before.dataVersion + (committed ? 1 : 0);
    if (onlyThis && orderKept && before == m_baseline)
        m_baseline = after;
    else
        m_orderDisturbed = true;
    // A write of this set that moves no row and drops none from the
    // condition, once it is out of any transaction, leaves the keyset what a
    // re-query would list (added rows merged in at the next open): the
    // refresh after every entry on the working list need not run the query.
    if (onlyThis && orderKept && before == m_loadStamp && !m_loadedInTransaction && !connection().inTransaction())
        m_loadStamp = after;
}

void Recordset::discardPending()
{
    if (m_editMode == EditMode::None)
        return;
    const bool owned = m_ownsTransaction;
    m_editMode = EditMode::None;
    m_ownsTransaction = false;
    m_buffer.clear();
    m_changed.clear();
    m_editBase.clear();
    if (owned) {
        const Stamp before = m_editStamp;
        connection().rollback();
        rebaseAfterOwnWrite(before, 1, false, true);
    }
}

void Recordset::addNew()
{
    requireKeyset();
    discardPending();
    m_editMode = EditMode::Adding;
    m_buffer = QVariantList(fieldCount());
    m_changed.assign(size_t(fieldCount()), false);
}

void Recordset::edit()
{
    requireKeyset();
    const int position = requireCurrent();
    discardPending();
    SharedConnection &db = connection();
    const qint64 rowid = m_keyset.rowidAt(position);
    const Stamp before = stamp();
    const bool owned = !db.inTransaction();
    if (owned)
        db.begin(false);
    std::optional<QVariantList> row;
    try {
        // A write as the transaction's first step on this file takes the
        // file's write lock (waiting out other writers); the record is read
        // only then, so no other program's update can slip in between.
        // Inside a caller's transaction the files are locked already, or the
        // read keeps other writers out until it ends.
        if (owned) {
            const QString lockSql = QStringLiteral("UPDATE %1 SET rowid = rowid WHERE rowid = ?").arg(qualifiedTable());
            if (db.execute(lockSql, {rowid}) == 0)
                throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
        }
        row = readRow(rowid);
        if (!row)
            throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
    } catch (const DbError &) {
        if (owned)
            db.rollback();
        m_orderDisturbed = true;
        throw;
    }
    m_editMode = EditMode::Editing;
    m_ownsTransaction = owned;
    m_editStamp = before;
    m_editBase = *row;
    m_buffer = QVariantList(fieldCount());
    m_changed.assign(size_t(fieldCount()), false);
}

void Recordset::update()
{
    requireKeyset();
    if (m_editMode == EditMode::None)
        throw DbError(DbError::UpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    SharedConnection &db = connection();
    QStringList columns;
    QVariantList values;
    bool orderKept = true;
    for (int i = 0; i < fieldCount(); ++i) {
        if (!m_changed[size_t(i)])
            continue;
        const int column = m_plan.fieldColumns[size_t(i)];
        columns.append(sqlName(m_plan.table.columns[size_t(column)].name));
        values.append(m_buffer[i]);
        orderKept = orderKept && !m_plan.orderOrWhereColumns.contains(column);
    }

    if (m_editMode == EditMode::Adding) {
        const Stamp before = stamp();
        const bool committed = !db.inTransaction();
        QString sql = QStringLiteral("INSERT INTO ") + qualifiedTable();
        if (columns.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks(columns.size(), QStringLiteral("?"));
            sql += QStringLiteral(" (%1) VALUES (%2)").arg(columns.join(u", "), marks.join(u", "));
        }
        db.execute(sql, values);
        const qint64 rowid = db.lastInsertRowid();
        m_editMode = EditMode::None;
        m_buffer.clear();
        m_changed.clear();
        const int position = m_keyset.append(rowid);
        rebaseAfterOwnWrite(before, 1, committed, true);
        emit rowInserted(position);
        return;
    }

    const int position = m_position;
    const qint64 rowid = m_keyset.rowidAt(position);
    try {
        if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString &column : columns)
                sets.append(column + QStringLiteral(" = ?"));
            values.append(rowid);
            db.execute(
                QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(qualifiedTable(), sets.join(u", ")), values);
        }
        if (m_ownsTransaction)
            db.commit();
    } catch (const DbError &) {
        discardPending();
        throw;
    }
    const bool committed = m_ownsTransaction;
    m_editMode = EditMode::None;
    m_ownsTransaction = false;
    m_buffer.clear();
    m_changed.clear();
    m_editBase.clear();
    m_currentRow.reset();
    rebaseAfterOwnWrite(m_editStamp, columns.isEmpty() ? 1 : 2, committed, orderKept);
    emit rowChanged(position);
}

void Recordset::cancelUpdate()
{
    requireOpen();
    if (m_editMode == EditMode::None)
        throw DbError(DbError::UpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    discardPending();
}

void Recordset::deleteCurrent()
{
    requireKeyset();
    const int position = requireCurrent();
    discardPending();
    SharedConnection &db = connection();
    const Stamp before = stamp();
    const bool committed = !db.inTransaction();
    db.execute(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(qualifiedTable()), {m_keyset.rowidAt(position)});
    m_keyset.remove(position);
    m_currentDeleted = true;
    m_currentRow.reset();
    rebaseAfterOwnWrite(before, 1, committed, true);
    emit rowRemoved(position);
}

} // namespace pusla
