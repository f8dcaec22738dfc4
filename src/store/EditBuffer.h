#pragma once

#include "store/FileStamp.h"

#include <QVariantList>

#include <vector>

namespace pusla {

/// The pending values of a record being added or edited, held until
/// update() writes them or a move, find or close drops them.
class EditBuffer
{
public:
    enum class Mode { None, Editing, Adding };

    Mode mode() const { return m_mode; }
    bool isActive() const { return m_mode != Mode::None; }

    /// A new record of `fieldCount` fields, all null until set.
    void startAdding(int fieldCount);
    /// The record as edit() read it. `ownsTransaction` when edit() began the
    /// transaction that holds the file's write lock, at `before`.
    void startEditing(QVariantList base, bool ownsTransaction, const FileStamp &before);
    void clear();

    /// The field as the operator sees it: the value set, else the value read.
    QVariant value(int index) const;
    void set(int index, const QVariant &value);
    bool isChanged(int index) const { return m_changed[size_t(index)]; }

    bool ownsTransaction() const { return m_ownsTransaction; }
    /// The file's stamp before edit() took the write lock.
    const FileStamp &startStamp() const { return m_startStamp; }

private:
    Mode m_mode = Mode::None;
    bool m_ownsTransaction = false;
    FileStamp m_startStamp;
    QVariantList m_values;
    std::vector<bool> m_changed;
    QVariantList m_base;
};

} // namespace pusla
