#include "store/DbError.h"
#include "store/Recordset.h"

// The current record: before the first (BOF), one of the rows, or after the
// last (EOF). A deleted current record keeps its place until the next move,
// so that MoveNext goes on to the row that followed it.

namespace pusla {
namespace {

[[noreturn]] void noCurrentRecord()
{
    throw DbError(DbError::NoCurrentRecord, QStringLiteral("No current record."));
}

} // namespace

int Recordset::requireCurrent() const
{
    requireOpen();
    const int position = absolutePosition();
    if (position < 0)
        noCurrentRecord();
    return position;
}

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

void Recordset::go(int position, std::optional<QVariantList> row)
{
    discardPending();
    m_at = At::Record;
    m_position = position;
    m_currentDeleted = false;
    if (row)
        m_rows.primeCurrent(std::move(*row), stamp());
    else
        m_rows.forgetCurrent();
    emit currentChanged(position);
}

void Recordset::setEnd(At at)
{
    discardPending();
    m_at = at;
    m_currentDeleted = false;
    m_rows.forgetCurrent();
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

} // namespace pusla
