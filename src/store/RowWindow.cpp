#include "store/RowWindow.h"

#include "store/DbError.h"
#include "store/Keyset.h"
#include "store/StoreConnection.h"

#include <QHash>

#include <algorithm>

namespace pusla {
namespace {

// Rows fetched at once for valueAt(); a grid shows fewer.
constexpr int kWindowRows = 64;

} // namespace

void RowWindow::reset(StoreConnection &db, const QString &table, const SqlText &selectList)
{
    m_db = &db;
    m_selectParams = selectList.params;
    const QString key = db.keyColumn();
    m_rowSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(selectList.sql, table, key);
    QString marks = QStringLiteral("?");
    for (int i = 1; i < kWindowRows; ++i)
        marks += QStringLiteral(",?");
    m_windowSql = QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 IN (%4)").arg(key, selectList.sql, table, marks);
    clear();
}

void RowWindow::clear()
{
    m_window.clear();
    m_current.reset();
}

std::optional<QVariantList> RowWindow::read(qint64 rowid) const
{
    QVariantList params = m_selectParams;
    params.append(rowid);
    StoreConnection::Query row = m_db->query(m_rowSql, params);
    if (!row.next())
        return std::nullopt;
    QVariantList values;
    values.reserve(row.columnCount());
    for (int i = 0; i < row.columnCount(); ++i)
        values.append(row.value(i));
    return values;
}

const QVariantList &RowWindow::current(qint64 rowid, const FileStamp &now)
{
    if (!m_current || m_currentStamp != now) {
        m_current = read(rowid);
        m_currentStamp = now;
        if (!m_current)
            throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
    }
    return *m_current;
}

const QVariantList &RowWindow::at(const Keyset &keyset, int position, const FileStamp &now)
{
    if (m_windowStamp != now || position < m_windowStart || position >= m_windowStart + int(m_window.size())) {
        load(keyset, position);
        m_windowStamp = now;
    }
    return m_window[size_t(position - m_windowStart)];
}

void RowWindow::load(const Keyset &keyset, int position)
{
    const int count = keyset.count();
    const int start = std::max(0, std::min(position - kWindowRows / 4, count - kWindowRows));
    const int rows = std::min(kWindowRows, count - start);
    QVariantList params = m_selectParams;
    QHash<qint64, int> slot;
    for (int i = 0; i < kWindowRows; ++i) {
        const qint64 rowid = keyset.rowidAt(start + std::min(i, rows - 1)); // spare marks repeat the last row
        params.append(rowid);
        if (i < rows)
            slot.insert(rowid, i);
    }
    m_window.assign(size_t(rows), {});
    StoreConnection::Query found = m_db->query(m_windowSql, params);
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

} // namespace pusla
