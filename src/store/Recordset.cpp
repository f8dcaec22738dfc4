#include "store/Recordset.h"

#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/KeysetQuery.h"
#include "store/StoreConnection.h"

namespace pusla {
namespace {

// A source with sums or grouping, read whole.
std::vector<QVariantList> readAllRows(StoreConnection &db, RecordSourcePlan &plan)
{
    std::vector<QVariantList> result;
    StoreConnection::Query rows = db.query(plan.statement.sql, plan.statement.params);
    bool first = true;
    while (rows.next()) {
        if (first && db.dialect() == SqlDialect::Sqlite) {
            // Unnamed sums take SQLite's names for their columns (the
            // server's would be "sum" for all of them: they keep Expr1000...).
            for (int i = 0; i < rows.columnCount() && i < plan.fieldNames.size(); ++i) {
                if (plan.fieldNames[i].startsWith(u"Expr"))
                    plan.fieldNames[i] = rows.columnName(i);
            }
            first = false;
        }
        QVariantList row;
        for (int i = 0; i < rows.columnCount(); ++i)
            row.append(rows.value(i));
        result.push_back(std::move(row));
    }
    return result;
}

} // namespace

Recordset::Recordset(QObject *parent)
    : QObject(parent)
{ }

Recordset::~Recordset()
{
    closeQuietly();
}

StoreConnection &Recordset::connection() const
{
    return m_file->connection();
}

QString Recordset::qualifiedTable() const
{
    return connection().qualifiedTable(m_file->alias(), m_plan.table.name);
}

bool Recordset::fileChangedSinceRead() const
{
    return !isOpen() || connection().dataVersion(m_file->alias()) != m_loadStamp.dataVersion;
}

FileStamp Recordset::stamp() const
{
    return {connection().dataVersion(m_file->alias()), connection().changesTo(qualifiedTable())};
}

void Recordset::open(std::shared_ptr<AttachedFile> file, const QString &source)
{
    if (m_file)
        discardPending();
    StoreConnection &db = file->connection();
    const QString alias = file->alias();
    // Reading the table's fields starts a read transaction, which brings the
    // file's data version up to date for the comparison below.
    RecordSourcePlan plan = planRecordSource(
        source, alias, [&db, &alias](const QString &table) { return db.tableInfo(alias, table); }, db.dialect());

    const QString table = db.qualifiedTable(alias, plan.table.name);
    const FileStamp now {db.dataVersion(alias), db.changesTo(table)};
    // The same source on a file nobody changed since lists the same rows:
    // the refreshes of the working list after every entry cost nothing then.
    // Rows read inside a transaction may have been rolled back since, which
    // leaves no trace in the stamp.
    const bool unchanged = m_file == file && m_source == source && m_plan.keyset && plan.keyset && now == m_loadStamp
        && loadStillStands(db);
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
        staticRows = readAllRows(db, plan);
    }

    std::optional<LastFind> lastFind = std::move(m_lastFind);
    std::optional<FoundAhead> foundAhead = std::move(m_foundAhead);
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
    m_rows.reset(db, table, m_plan.selectList);
    m_baseline = stamp();
    m_loadStamp = m_baseline;
    m_loadedInTransaction = connection().inTransaction();
    m_loadTransaction = connection().transactionSerial();
    m_orderDisturbed = false;
    m_noMatch = false;
    if (unchanged) {
        // The same rows in the same places.
        m_lastFind = std::move(lastFind);
        m_foundAhead = std::move(foundAhead);
    }

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

bool Recordset::loadStillStands(StoreConnection &db) const
{
    // Rows read inside a transaction may have been rolled back since, which
    // leaves no trace in the stamp; within the very transaction that read
    // them, on a store that holds its files from the start, they stand.
    if (!m_loadedInTransaction)
        return !db.inTransaction();
    return db.locksFilesOnOpen() && db.inTransaction() && m_loadTransaction == db.transactionSerial();
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
    m_rows.clear();
    m_lastFind.reset();
    m_foundAhead.reset();
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

const QVariantList &Recordset::currentRow() const
{
    const int position = requireCurrent();
    if (!m_plan.keyset)
        return m_staticRows[size_t(position)];
    return m_rows.current(m_keyset.rowidAt(position), stamp());
}

QVariant Recordset::field(const QString &name) const
{
    return field(checkedIndex(name));
}

QVariant Recordset::field(int index) const
{
    checkIndex(index);
    if (m_edit.isActive())
        return m_edit.value(index);
    return currentRow()[index];
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
    if (m_edit.isActive() && position == absolutePosition())
        return field(index);
    const QVariantList &row = m_rows.at(m_keyset, position, stamp());
    return row.isEmpty() ? QVariant() : row[index];
}

} // namespace pusla
