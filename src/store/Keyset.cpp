#include "store/Keyset.h"

#include <algorithm>
#include <bit>

namespace pusla {
namespace {

// Deleted rows are skipped by counting; past this many the list is rebuilt.
constexpr size_t kMaxRemoved = 512;

// Fibonacci hashing: the high bits of the product spread consecutive ids.
size_t slotFor(qint64 rowid, int shift)
{
    return size_t((quint64(rowid) * 0x9E3779B97F4A7C15ULL) >> shift);
}

} // namespace

void Keyset::reset(std::vector<qint64> rowids)
{
    m_rowids = std::move(rowids);
    m_removed.clear();
    m_refreshed = m_rowids.size();
    m_firstAppended = 0;
    m_index = {};
}

int Keyset::positionOf(qint64 rowid) const
{
    if (!m_index.built())
        m_index.build(m_rowids);
    const qint32 raw = m_index.find(rowid);
    if (raw < 0)
        return -1;
    const auto below = std::lower_bound(m_removed.begin(), m_removed.end(), size_t(raw));
    if (below != m_removed.end() && *below == size_t(raw))
        return -1;
    return raw - int(below - m_removed.begin());
}

int Keyset::append(qint64 rowid)
{
    if (!hasAppended())
        m_firstAppended = rowid;
    m_rowids.push_back(rowid);
    if (m_index.built() && !m_index.insert(rowid, qint32(m_rowids.size() - 1)))
        m_index = {}; // full: rebuilt larger on next need
    return count() - 1;
}

void Keyset::remove(int position)
{
    const size_t raw = rawIndex(position);
    m_removed.insert(std::upper_bound(m_removed.begin(), m_removed.end(), raw), raw);
    if (m_removed.size() > kMaxRemoved)
        compact();
}

size_t Keyset::rawIndex(int position) const
{
    size_t raw = size_t(position);
    for (size_t removed : m_removed) {
        if (removed > raw)
            break;
        ++raw;
    }
    return raw;
}

void Keyset::compact()
{
    std::vector<qint64> kept;
    kept.reserve(m_rowids.size() - m_removed.size());
    size_t refreshed = 0;
    auto removed = m_removed.begin();
    for (size_t raw = 0; raw < m_rowids.size(); ++raw) {
        if (removed != m_removed.end() && *removed == raw) {
            ++removed;
            continue;
        }
        kept.push_back(m_rowids[raw]);
        if (raw < m_refreshed)
            ++refreshed;
    }
    const qint64 firstAppended = m_firstAppended;
    const bool appended = kept.size() > refreshed;
    reset(std::move(kept));
    m_refreshed = refreshed;
    m_firstAppended = appended ? firstAppended : 0;
}

void Keyset::Index::build(const std::vector<qint64> &rowids)
{
    const size_t capacity = std::bit_ceil(std::max<size_t>(16, rowids.size() * 2));
    keys.assign(capacity, 0);
    entries.assign(capacity, -1);
    mask = capacity - 1;
    shift = 64 - std::countr_zero(capacity);
    used = 0;
    for (size_t i = 0; i < rowids.size(); ++i)
        insert(rowids[i], qint32(i));
}

bool Keyset::Index::insert(qint64 rowid, qint32 raw)
{
    if ((used + 1) * 2 > entries.size())
        return false; // kept at most half full
    size_t slot = slotFor(rowid, shift);
    while (entries[slot] >= 0)
        slot = (slot + 1) & mask;
    keys[slot] = rowid;
    entries[slot] = raw;
    ++used;
    return true;
}

qint32 Keyset::Index::find(qint64 rowid) const
{
    size_t slot = slotFor(rowid, shift);
    while (entries[slot] >= 0) {
        if (keys[slot] == rowid)
            return entries[slot];
        slot = (slot + 1) & mask;
    }
    return -1;
}

} // namespace pusla
