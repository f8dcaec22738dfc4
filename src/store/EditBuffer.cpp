#include "store/EditBuffer.h"

namespace pusla {

void EditBuffer::startAdding(int fieldCount)
{
    m_mode = Mode::Adding;
    m_values = QVariantList(fieldCount);
    m_changed.assign(size_t(fieldCount), false);
}

void EditBuffer::startEditing(QVariantList base, bool ownsTransaction, const FileStamp &before)
{
    m_mode = Mode::Editing;
    m_ownsTransaction = ownsTransaction;
    m_startStamp = before;
    m_values = QVariantList(base.size());
    m_changed.assign(size_t(base.size()), false);
    m_base = std::move(base);
}

void EditBuffer::clear()
{
    m_mode = Mode::None;
    m_ownsTransaction = false;
    m_values.clear();
    m_changed.clear();
    m_base.clear();
}

QVariant EditBuffer::value(int index) const
{
    if (m_mode == Mode::Adding)
        return m_values[index];
    return m_changed[size_t(index)] ? m_values[index] : m_base[index];
}

void EditBuffer::set(int index, const QVariant &value)
{
    m_values[index] = value;
    m_changed[size_t(index)] = true;
}

} // namespace pusla
