#pragma once

#include "store/FileStamp.h"
#include "store/jet/JetSql.h"

#include <QVariantList>

#include <optional>
#include <vector>

namespace pusla {

class Keyset;
class StoreConnection;

/// The rows of a record set that are read and held, by row id: the current
/// row, and a window of neighbouring rows that a grid shows through
/// valueAt(). Either is read again once the file's stamp moves.
class RowWindow
{
public:
    /// Reads the fields of `selectList` from `table` (schema-qualified);
    /// forgets every row held.
    void reset(StoreConnection &db, const QString &table, const SqlText &selectList);
    void clear();

    /// One row read now; none when the row is gone.
    std::optional<QVariantList> read(qint64 rowid) const;
    /// The current row, read once until the stamp moves or forgetCurrent().
    /// Throws DbError(RecordDeleted) when the row is gone.
    const QVariantList &current(qint64 rowid, const FileStamp &now);
    void forgetCurrent() { m_current.reset(); }
    /// Takes `values` as the current row, read at `now` along with a find.
    void primeCurrent(QVariantList values, const FileStamp &now)
    {
        m_current = std::move(values);
        m_currentStamp = now;
    }
    /// The row at `position` of `keyset`; empty for a row deleted by someone
    /// else.
    const QVariantList &at(const Keyset &keyset, int position, const FileStamp &now);

private:
    void load(const Keyset &keyset, int position);

    StoreConnection *m_db = nullptr;
    QVariantList m_selectParams;
    QString m_rowSql;
    QString m_windowSql;

    std::optional<QVariantList> m_current;
    FileStamp m_currentStamp;
    int m_windowStart = 0;
    std::vector<QVariantList> m_window;
    FileStamp m_windowStamp;
};

} // namespace pusla
