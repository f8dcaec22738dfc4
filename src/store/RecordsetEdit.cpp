#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/StoreConnection.h"

#include <optional>

// AddNew, Edit, Update, CancelUpdate and Delete. The pending values wait in
// the edit buffer; every write of the set's own is followed by a rebase, so
// that FindFirst and the next open know whether the set still mirrors what
// its query would list.

namespace pusla {
namespace {

[[noreturn]] void updateWithoutEdit()
{
    throw DbError(DbError::UpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
}

} // namespace

void Recordset::rebaseAfterOwnWrite(const FileStamp &before, qint64 changes, bool committed, bool orderKept)
{
    // Only when nothing but this very write touched the file since the
    // refresh may findFirst keep trusting the query's order.
    const FileStamp after = stamp();
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
    if (onlyThis && orderKept && before == m_loadStamp && loadStillStands(connection()))
        m_loadStamp = after;
}

void Recordset::discardPending()
{
    if (!m_edit.isActive())
        return;
    const bool owned = m_edit.ownsTransaction();
    const FileStamp before = m_edit.startStamp();
    m_edit.clear();
    if (owned) {
        connection().rollback();
        rebaseAfterOwnWrite(before, 1, false, true);
    }
}

void Recordset::setField(const QString &name, const QVariant &value)
{
    setField(checkedIndex(name), value);
}

void Recordset::setField(int index, const QVariant &value)
{
    checkIndex(index);
    if (!m_edit.isActive())
        updateWithoutEdit();
    if (m_plan.fieldColumns[size_t(index)] < 0)
        throw DbError(
            DbError::NotUpdatable, QStringLiteral("Field '%1' cannot be updated.").arg(m_plan.fieldNames[index]));
    m_edit.set(index, value);
}

void Recordset::addNew()
{
    requireKeyset();
    discardPending();
    m_edit.startAdding(fieldCount());
}

void Recordset::edit()
{
    requireKeyset();
    const int position = requireCurrent();
    discardPending();
    StoreConnection &db = connection();
    const qint64 rowid = m_keyset.rowidAt(position);
    const FileStamp before = stamp();
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
            if (!db.lockRow(*m_file, qualifiedTable(), rowid))
                throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
            row = m_rows.read(rowid);
        } else if (db.locksFilesOnOpen()) {
            // Nobody wrote since the current row was read (the stamp says
            // so, and the transaction keeps other writers out): it stands.
            row = m_rows.current(rowid, before);
        } else {
            row = m_rows.read(rowid);
        }
        if (!row)
            throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
    } catch (const DbError &) {
        if (owned)
            db.rollback();
        m_orderDisturbed = true;
        throw;
    }
    m_edit.startEditing(std::move(*row), owned, before);
}

void Recordset::update()
{
    requireKeyset();
    if (!m_edit.isActive())
        updateWithoutEdit();
    StoreConnection &db = connection();
    QStringList columns;
    QVariantList values;
    QSet<int> changed;
    bool orderKept = true;
    for (int i = 0; i < fieldCount(); ++i) {
        if (!m_edit.isChanged(i))
            continue;
        const int column = m_plan.fieldColumns[size_t(i)];
        columns.append(db.quotedName(m_plan.table.columns[size_t(column)].name));
        values.append(m_edit.value(i));
        changed.insert(column);
        orderKept = orderKept && !m_plan.orderOrWhereColumns.contains(column);
    }

    if (m_edit.mode() == EditMode::Adding) {
        const FileStamp before = stamp();
        const bool committed = !db.inTransaction();
        const qint64 rowid = db.insertRow(qualifiedTable(), columns, values);
        m_edit.clear();
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
            db.write(qualifiedTable(),
                QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(qualifiedTable(), sets.join(u", "), db.keyColumn()),
                values);
        }
        if (m_edit.ownsTransaction())
            db.commit();
    } catch (const DbError &) {
        discardPending();
        throw;
    }
    const bool committed = m_edit.ownsTransaction();
    const FileStamp before = m_edit.startStamp();
    // Under a posting's locks the row is now what was written, and a find
    // that led here on fields this write left alone still finds it.
    const bool findStands = m_lastFind && m_lastFind->position == position && m_lastFind->stamp == before
        && !m_lastFind->columns.intersects(changed) && db.locksFilesOnOpen() && db.hasUserTransaction();
    QVariantList written;
    for (int i = 0; findStands && i < fieldCount(); ++i)
        written.append(m_edit.value(i));
    m_edit.clear();
    m_rows.forgetCurrent();
    rebaseAfterOwnWrite(before, columns.isEmpty() ? 1 : 2, committed, orderKept);
    // Finds made ahead stand too where the write left their fields alone;
    // the row written is theirs as written.
    const bool aheadStands = findStands && m_foundAhead && m_foundAhead->stamp == before
        && !m_foundAhead->columns.intersects(changed);
    if (findStands) {
        m_lastFind->stamp = stamp();
        if (aheadStands) {
            m_foundAhead->stamp = m_lastFind->stamp;
            if (m_foundAhead->rows.contains(position))
                m_foundAhead->rows.insert(position, written);
        }
        m_rows.primeCurrent(std::move(written), m_lastFind->stamp);
    }
    emit rowChanged(position);
}

void Recordset::cancelUpdate()
{
    requireOpen();
    if (!m_edit.isActive())
        updateWithoutEdit();
    discardPending();
}

void Recordset::deleteCurrent()
{
    requireKeyset();
    const int position = requireCurrent();
    discardPending();
    StoreConnection &db = connection();
    const FileStamp before = stamp();
    const bool committed = !db.inTransaction();
    db.write(qualifiedTable(), QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(qualifiedTable(), db.keyColumn()),
        {m_keyset.rowidAt(position)});
    m_keyset.remove(position);
    m_currentDeleted = true;
    m_rows.forgetCurrent();
    rebaseAfterOwnWrite(before, 1, committed, true);
    emit rowRemoved(position);
}

} // namespace pusla
